#pragma once
// The reliability measures of a GSMS: its renewal process (convert/) handed to the measures
// (measures/), with the model's state names for choosing where the process starts.
//
//     const GsmsReliability r = reliabilityOf(model, times, "RepairA");
//     const GsmsAvailability a = availabilityOf(model, times);
//
// The failure measures take the renewal process with the down states absorbing; the
// availability and the steady state take the SMS itself. Both need every path between states of
// the process walked to its end: a model whose paths never end there (a cycle through states
// outside the SMS) fails with a message saying that the measures do not exist for it.

#include "algebra/Rational.hpp"
#include "gsms/Gsms.hpp"
#include "measures/SemiMarkovModel.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drova::rel {

struct GsmsProcess {
    measures::SemiMarkovModel model;
    // The GSMS index of each state of the process.
    std::vector<std::uint64_t> gsmsIndex;
};

// The renewal process of the model, down states absorbing or not, starting in the model's initial
// state or in the state named `from`. std::invalid_argument when the walk cannot be completed,
// or the starting state is not a state of the process (its timer ages on entry are not all
// known), or no state or several have that name.
GsmsProcess processOf(const Gsms& model, bool downStatesAbsorb, const std::optional<std::string>& from = std::nullopt);

struct GsmsReliability {
    std::vector<double> failure;      // F(t) at the times
    std::vector<double> reliability;  // R(t) = 1 - F(t), solved for by itself
    double mttf = 0;                  // +infinity when neverFails > 0
    double neverFails = 0;
    double mttfGivenFailure = 0;      // E[T | T < infinity]
};

GsmsReliability reliabilityOf(const Gsms& model, const std::vector<Rational>& times,
                              const std::optional<std::string>& from = std::nullopt);

struct GsmsAvailability {
    std::vector<double> availability;            // A(t) at the times
    std::vector<std::vector<double>> states;     // states[s][k] = P(GSMS state s at times[k])
    double steadyAvailability = 0;
    std::vector<double> steadyStates;            // long-run fraction of time in each GSMS state
};

GsmsAvailability availabilityOf(const Gsms& model, const std::vector<Rational>& times,
                                const std::optional<std::string>& from = std::nullopt);

struct GsmsKernel {
    std::vector<std::string> names;                       // of the states of the SMS, in index order
    std::vector<std::uint64_t> gsmsIndex;                 // their indices in the file
    std::vector<std::vector<std::vector<double>>> values;  // values[i][j][k] = K_ij(times[k])
    double timeScale = 0;  // the largest mean time to leave a state of the SMS (0: none is left)
};

// The SMS kernel (no state absorbing) at the times, as drova konv gives it without a time bound.
GsmsKernel kernelOf(const Gsms& model, const std::vector<Rational>& times);

// The exact value of the shortest decimal text that reads back as `time` (so 0.3 is 3/10, not the
// binary double next to it): a time typed as a decimal means that decimal, also at a jump of F.
// std::invalid_argument for a time that is not finite.
Rational timeOfDouble(double time);

}  // namespace drova::rel
