#include "gsms/ApproximateGsms.hpp"

#include "distributions/ExpolynomialFit.hpp"

namespace drova {

ApproximatedGsms approximateGsms(const Gsms& model, unsigned pieces) {
    ApproximatedGsms result;
    Gsms& copy = result.model;
    copy.setName(model.name());
    for (const GsmsState& state : model.states()) copy.addState(state.name, state.flag, state.activeTimers, state.delays);
    copy.setInitialState(model.initialState());
    for (std::uint64_t i = 0; i < model.timerCount(); ++i) {
        const auto* sampled = dynamic_cast<const SampledLaw*>(&model.timer(i));
        if (!sampled) {
            copy.addTimer(model.timer(i));
            continue;
        }
        const ExpolynomialFit fit = fitExpolynomial(*sampled, pieces);
        copy.addTimer(*fit.law);
        result.fits.push_back({i, sampled->toText(), fit.pieces, fit.kolmogorov, fit.totalVariation});
    }
    for (const GsmsTransition& transition : model.transitions()) {
        const std::uint64_t t = copy.addTransition(transition.source, transition.timers);
        for (const GsmsDestination& destination : transition.destinations)
            copy.addDestination(t, destination.target, destination.probability, destination.restartedTimers);
    }
    copy.orderOutgoing();
    return result;
}

}  // namespace drova
