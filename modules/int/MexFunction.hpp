#pragma once
// The entry of Drovaint: Drovaint(proper, improper), two 1-by-n arrays of ExpolyIntegral
// objects, returns the nested integral (integrate/IntegrateExpolys.hpp) as one string of
// MATLAB symbolic-math text. The module keeps nothing from one call to the next.
// Drovaint(proper, improper, "MaxTerms", N) sets the term budget of the call
// (modules/TermLimitOption.hpp); by default DefaultTermLimit.

#include "host/MatlabData.hpp"
#include "host/MatlabEngine.hpp"
#include "host/MexFunction.hpp"

#include <memory>
#include <string>

namespace drova::integrate {

class MexFunction : public matlab::mex::Function {
public:
    // Checks the inputs, evaluates the integral and stores its text as the first output. The
    // output place is taken only after every integral has been computed.
    void operator()(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) override;

    // Ends the call with MATLAB's error at the first failed check: "Two inputs required" (two, or
    // four with the term limit); then
    // for "First input" and after it "Second input": " must be an array of ExpolyIntegral
    // objects" (MATLAB's isa), " must be 1-by-n dimension" (two dimensions, the first 0 or 1).
    void checkInputs(const matlab::mex::ArgumentList& inputs);

private:
    // Calls MATLAB's error with the message, which ends the call.
    [[noreturn]] void raiseError(const std::string& message);

    std::shared_ptr<matlab::engine::MATLABEngine> engine_ = getEngine();
    matlab::data::ArrayFactory factory_;
};

}  // namespace drova::integrate
