#pragma once
// The reliability measures of a GSMS: its renewal process (convert/) handed to the measures
// (measures/), with the model's state names for choosing where the process starts.
//
//     const GsmsReliability r = reliabilityOf(model, times, "RepairA");
//     const GsmsAvailability a = availabilityOf(model, times);
//
// The failure measures take the renewal process with the down states absorbing; the
// availability and the steady state take the SMS itself. The exact values need every path between
// states of the process walked to its end. A model whose paths never end there (a cycle through
// states outside the SMS that the process never leaves with all ages known, or a walk beyond its
// budget) gets its transient values from a walk cut off at the latest time asked: the paths whose
// probability by then is at most a threshold go to an unresolved state, and the probability of
// having entered it by t bounds the error of every value at t. The threshold is lowered until the
// bound at the latest time is within the tolerance, or the walk's budget runs out. The long-run
// values and the mean time to failure of such a model are not computed (NaN, with a note saying
// why).

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

// The tolerance of the error bound by default, and the one DROVA_TOLERANCE sets (the drova command's
// --tolerance; setenv in a MATLAB session). std::invalid_argument for a value that is not a
// positive number.
inline constexpr double DefaultTolerance = 1e-10;
double toleranceFromEnvironment();

// What a walk cut off at a time bound reached; empty notes and zero bounds for exact values.
struct BoundNotes {
    // errorBound[k]: the probability of being in the unresolved state at times[k], so that every
    // value at times[k] is within errorBound[k] of the true one (probabilities of states, F and A
    // lie in [value, value + bound]; R in [value - bound, value]).
    std::vector<double> errorBound;
    // Why the bound at the latest time is above the tolerance (the budget that ran out); empty
    // when it is within.
    std::string limitReached;
    // Why the long-run values or the mean time to failure are not computed; empty when they are.
    std::string notComputed;
};

struct GsmsReliability : BoundNotes {
    std::vector<double> failure;      // F(t) at the times
    std::vector<double> reliability;  // R(t) = 1 - F(t), solved for by itself
    double mttf = 0;                  // +infinity when neverFails > 0; NaN when not computed
    double neverFails = 0;
    double mttfGivenFailure = 0;      // E[T | T < infinity]
};

GsmsReliability reliabilityOf(const Gsms& model, const std::vector<Rational>& times,
                              const std::optional<std::string>& from = std::nullopt,
                              double tolerance = DefaultTolerance);

struct GsmsAvailability : BoundNotes {
    std::vector<double> availability;            // A(t) at the times
    std::vector<std::vector<double>> states;     // states[s][k] = P(GSMS state s at times[k])
    double steadyAvailability = 0;               // NaN when not computed
    std::vector<double> steadyStates;            // long-run fraction of time in each GSMS state
};

GsmsAvailability availabilityOf(const Gsms& model, const std::vector<Rational>& times,
                                const std::optional<std::string>& from = std::nullopt,
                                double tolerance = DefaultTolerance);

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
