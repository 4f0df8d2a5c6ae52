#pragma once
// The expression of one path of a GSMS: the probability, as an expression in t, that the path is
// taken and completed by time t. It is the product of the path's branching probabilities and of
// nested integrals: for each step, the density of the timer that fires is integrated over the
// step's firing time, from 0 up to t minus the time already spent on the path, and the integrand
// carries, for every competing transition that does not fire, the probability that its timer
// outlasts the step.
//
//     PathExpression expression(model);
//     Expolynomial e = expression({{0, 0}, {1, 0}});
//
// The steps need not connect; the ages carried along decide what each step means. An object
// reads the model and never changes it; it keeps only the scratch state of the latest path.

#include "algebra/Expolynomial.hpp"
#include "algebra/LinearForm.hpp"
#include "convert/Path.hpp"
#include "distributions/Distribution.hpp"
#include "gsms/Gsms.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace drova {

class PathExpression {
public:
    explicit PathExpression(const Gsms& model) : model_(model) {}
    PathExpression(const PathExpression&) = delete;
    PathExpression& operator=(const PathExpression&) = delete;

    // The expression of `path` (no length or size limit of its own: the caller sets them).
    Expolynomial operator()(const Path& path);

    // The expression of `path` whose last step only fires its transition: its probability of
    // having fired by t, whatever destination follows.
    Expolynomial fired(const Path& path);

    // With pruning, every intermediate integral and the result lose the terms whose heaviside
    // factors cannot all be 1 and the factors implied by the others (algebra/LinearConstraints):
    // the same values at every t >= 0, fewer terms, but not the same terms. Off by default.
    void setPruning(bool pruning) { pruning_ = pruning; }
    bool pruning() const { return pruning_; }

private:
    // A competitor: the transition whose timer outlives the path's firing at `step`.
    using Competitor = std::pair<std::size_t, std::uint64_t>;  // (step, transition)

    std::set<Competitor> competitors(const Path& path) const;
    Expolynomial applyCompetitors(const Expolynomial& expression, const std::vector<std::uint64_t>& outgoing,
                                  const TimerAges& ages, const LinearForm& elapsed, const std::string& stepName,
                                  std::size_t step);
    const Distribution& firingDistribution(std::uint64_t timer, const LinearForm& argument,
                                           const LinearForm& elapsedPlus);
    const GsmsDestination& destinationAt(const GsmsTransition& transition, const Path& path, std::size_t step) const;
    std::string nextStepName();

    const Gsms& model_;
    std::uint64_t startState_ = 0;
    std::uint64_t stepCounter_ = 0;
    std::set<Competitor> competitors_;
    std::unique_ptr<Distribution> residual_;  // the latest remaining-time distribution made
    bool lastStepFiresOnly_ = false;          // see fired
    bool pruning_ = false;                    // see setPruning
};

}  // namespace drova
