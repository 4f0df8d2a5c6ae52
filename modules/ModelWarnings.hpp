#pragma once
// The modules that compute from a model file warn, as MATLAB warnings, of the ages on entry that
// contradict the transitions into their state (gsms/ModelWarnings.hpp): the exact route takes a
// declared age for the truth, so such a slip changes the answer without failing.

#include "gsms/ModelWarnings.hpp"
#include "host/MatlabData.hpp"
#include "host/MatlabEngine.hpp"

#include <memory>
#include <string>

namespace drova {

inline constexpr const char* AgeWarningIdentifier = "Drova:model:ageOnEntry";

// warning(id, "%s", message) for each finding, so that the text is shown as it is.
inline void warnOfAges(matlab::engine::MATLABEngine& engine, const Gsms& model) {
    matlab::data::ArrayFactory factory;
    for (const std::string& message : ageWarnings(model))
        engine.feval(u"warning", 0,
                     {factory.createCharArray(AgeWarningIdentifier), factory.createCharArray("%s"),
                      factory.createCharArray(message)});
}

}  // namespace drova
