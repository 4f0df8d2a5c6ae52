#pragma once
// The gateway of an object-based module (Drovakonv, Drovaint): the module's MexFunction runs in
// the gateway's process, called through the host's in-process helpers exactly as a loaded
// module is called, with an engine whose symbolic calls go back to the host.
//
//     ObjectModuleGateway<MexFunction> gateway("Drovaint", rules);
//     void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
//         gateway.call(nlhs, plhs, nrhs, prhs);
//     }
//
// Like a loaded module, the gateway keeps one MexFunction from its first call until the host
// clears it.

#include "octave/gateway/OctaveHost.hpp"
#include "octave/gateway/OctaveValues.hpp"

#include "host/LoadedModule.hpp"

#include "mex.h"

#include <algorithm>
#include <memory>
#include <string>

namespace drova::gateway {

template <class FunctionClass>
class ObjectModuleGateway {
public:
    ObjectModuleGateway(std::string name, const OctaveValues::Rules& rules) : name_(std::move(name)), rules_(rules) {}

    void call(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
        runGatewayCall([&] {
            OctaveValues values(rules_);
            std::vector<matlab::data::Array> inputs = values.readArguments(nrhs, prhs);
            const OctaveEngine::Use use(engine_, values);
            const auto nargout = static_cast<std::size_t>(std::max(nlhs, 1));
            writeOutputs(callMexFunction(function(), nargout, std::move(inputs), name_), nlhs, plhs);
        });
    }

    // Destroys the module's object; the host calls this when it clears the gateway.
    void unload() { function_.reset(); }

private:
    FunctionClass& function() {
        if (!function_) function_ = createMexFunction<FunctionClass>(engine_.engine());
        return *function_;
    }

    std::string name_;
    const OctaveValues::Rules& rules_;
    OctaveEngine engine_;
    std::unique_ptr<FunctionClass> function_;
};

}  // namespace drova::gateway
