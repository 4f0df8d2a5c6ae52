#pragma once
// The entry of the Drovarel module: the reliability measures of a GSMS file. MATLAB calls it as
//
//     [F, mttf, neverFails, R, mttfGivenFailure] = Drovarel(path, times)
//     [F, mttf, neverFails, R, mttfGivenFailure] = Drovarel(path, times, "reliability", from)
//     [A, steady, P, steadyStates, names]        = Drovarel(path, times, "availability", from)
//
// with a string (or character row) path to a GSMS file, a double row of times (each finite and
// at least 0, read as the shortest decimal that rounds to it), the measure, and optionally the
// name of the state to start in (by default the model's initial state). Reliability: F and R are
// rows of the failure probability F(t) and R(t) = 1 - F(t) at the times, mttf the mean time to
// failure (Inf when the system may never fail), neverFails the probability of never failing and
// mttfGivenFailure the mean time to failure of the runs that fail. Availability: A is the row of
// A(t), steady the long-run availability, P the state probabilities (one row per GSMS state, one
// column per time), steadyStates the long-run fractions of time per state (a column) and names
// the states' names (a string column). The module keeps nothing from one call to the next.

#include "host/MexFunction.hpp"

#include <memory>
#include <string>

namespace drova::rel {

class MexFunction : public matlab::mex::Function {
public:
    MexFunction();
    void operator()(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) override;

private:
    // Ends the call with MATLAB's error at the first failed check, in the order of the inputs.
    void checkInputs(const matlab::mex::ArgumentList& inputs, std::size_t outputCount);
    bool isText(const matlab::data::Array& input);
    bool isA(const matlab::data::Array& input, const std::string& className);
    // Ends the call with a MATLAB error carrying the message.
    [[noreturn]] void raise(const std::string& message);

    std::shared_ptr<matlab::engine::MATLABEngine> engine_;
    matlab::data::ArrayFactory factory_;
};

}  // namespace drova::rel
