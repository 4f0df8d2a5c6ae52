#include "gsms/WriteGsms.hpp"

#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/Uniform.hpp"

#include <stdexcept>

namespace drova {

namespace {

std::string pair(const Rational& value) { return numeratorOf(value).str() + " " + denominatorOf(value).str(); }

std::string lawLine(const Distribution& law) {
    if (const auto* exponential = dynamic_cast<const Exponential*>(&law)) return "Exp " + pair(exponential->rate());
    if (const auto* degenerate = dynamic_cast<const Degenerate*>(&law)) return "Deg " + pair(degenerate->delay());
    if (const auto* uniform = dynamic_cast<const Uniform*>(&law))
        return "Uni " + pair(uniform->lower()) + " " + pair(uniform->upper());
    throw std::invalid_argument("The timer law " + law.toText() + " has no form in a GSMS file");
}

template <typename List>
void writeList(std::ostream& out, const List& items) {
    for (std::size_t i = 0; i < items.size(); ++i) out << (i ? " " : "") << items[i];
    out << '\n';
}

}  // namespace

void writeGsms(const Gsms& model, std::ostream& out) {
    out << model.name() << '\n' << model.stateCount() << '\n';
    for (const GsmsState& state : model.states()) {
        out << state.name << ' ' << (state.flag ? 1 : 0) << '\n';
        writeList(out, state.activeTimers);
        std::vector<std::string> ages;
        for (const std::optional<Rational>& age : state.delays) ages.push_back(age ? pair(*age) : "-1 1");
        writeList(out, ages);
    }
    out << model.initialState() << '\n' << model.timerCount() << '\n';
    for (std::uint64_t i = 0; i < model.timerCount(); ++i) out << lawLine(model.timer(i)) << '\n';
    out << model.transitionCount() << '\n';
    for (const GsmsTransition& transition : model.transitions()) {
        out << transition.source;
        for (std::uint64_t timer : transition.timers) out << ' ' << timer;
        out << '\n' << transition.destinations.size() << '\n';
        for (const GsmsDestination& destination : transition.destinations) {
            out << destination.target << ' ' << pair(destination.probability) << '\n';
            writeList(out, destination.restartedTimers);
        }
    }
}

}  // namespace drova
