#include "gsms/WriteGsms.hpp"

#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/ExpolyDensity.hpp"
#include "distributions/ExpolynomialText.hpp"
#include "distributions/PhaseTypeLaws.hpp"
#include "distributions/SampledLaws.hpp"
#include "distributions/Uniform.hpp"

#include <stdexcept>

namespace drova {

namespace {

std::string pair(const Rational& value) { return numeratorOf(value).str() + " " + denominatorOf(value).str(); }

std::string pairs(const std::vector<Rational>& values) {
    std::string text;
    for (const Rational& value : values) text += " " + pair(value);
    return text;
}

std::string lawLine(const Distribution& law) {
    if (const auto* exponential = dynamic_cast<const Exponential*>(&law)) return "Exp " + pair(exponential->rate());
    if (const auto* degenerate = dynamic_cast<const Degenerate*>(&law)) return "Deg " + pair(degenerate->delay());
    if (const auto* uniform = dynamic_cast<const Uniform*>(&law))
        return "Uni " + pair(uniform->lower()) + " " + pair(uniform->upper());
    if (const auto* erlang = dynamic_cast<const Erlang*>(&law))
        return "Erl " + std::to_string(erlang->phases()) + " 1 " + pair(erlang->rate());
    if (const auto* stages = dynamic_cast<const HypoExponential*>(&law)) return "HypoExp" + pairs(stages->rates());
    if (const auto* mixture = dynamic_cast<const HyperExponential*>(&law))
        return "HyperExp" + pairs(mixture->parameters());
    if (const auto* density = dynamic_cast<const ExpolyDensity*>(&law))
        return "Expoly " + pair(density->low()) + " " + (density->high() ? pair(*density->high()) : "inf") + " \"" +
               densityText(density->densityInX()) + "\"";
    if (const auto* sampled = dynamic_cast<const SampledLaw*>(&law)) return sampled->kind() + pairs(sampled->parameters());
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
