#include "simulate/GsmsToSim.hpp"

#include "algebra/MessageText.hpp"
#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/ExpolynomialLaw.hpp"
#include "distributions/PhaseTypeLaws.hpp"
#include "distributions/SampledLaws.hpp"
#include "distributions/Uniform.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace drova {

double nearestDouble(const Rational& value) {
    BigInt n = abs(numeratorOf(value));
    const BigInt d = denominatorOf(value);
    if (n == 0) return 0.0;
    // Scale so that the integer quotient has 63 or 64 bits; the remainder
    // becomes a sticky bit far below the rounding position.
    const long shift = 63 - (static_cast<long>(msb(n)) - static_cast<long>(msb(d)));
    BigInt num = shift >= 0 ? BigInt(n << shift) : n;
    BigInt den = shift >= 0 ? d : BigInt(d << -shift);
    BigInt remainder;
    BigInt quotient;
    divide_qr(num, den, quotient, remainder);
    auto bits = quotient.convert_to<std::uint64_t>() | (remainder != 0 ? 1u : 0u);
    const double magnitude = std::ldexp(static_cast<double>(bits), static_cast<int>(-shift));
    return value < 0 ? -magnitude : magnitude;
}

namespace {

std::vector<std::int64_t> oneBased(const std::vector<std::uint64_t>& indices) {
    std::vector<std::int64_t> result;
    for (std::uint64_t index : indices) result.push_back(static_cast<std::int64_t>(index) + 1);
    return result;
}

std::vector<double> doublesOf(const std::vector<Rational>& values) {
    std::vector<double> result;
    for (const Rational& value : values) result.push_back(nearestDouble(value));
    return result;
}

SimDistribution simDistribution(const Distribution& timer) {
    if (const auto* exp = dynamic_cast<const Exponential*>(&timer)) return {DistType::Exp, {nearestDouble(exp->rate())}};
    if (const auto* deg = dynamic_cast<const Degenerate*>(&timer)) return {DistType::Deg, {nearestDouble(deg->delay())}};
    if (const auto* uni = dynamic_cast<const Uniform*>(&timer))
        return {DistType::Uni, {nearestDouble(uni->lower()), nearestDouble(uni->upper())}};
    if (const auto* erlang = dynamic_cast<const Erlang*>(&timer))
        return {DistType::Erlang, {static_cast<double>(erlang->phases()), nearestDouble(erlang->rate())}};
    if (const auto* stages = dynamic_cast<const HypoExponential*>(&timer))
        return {DistType::HypoExp, doublesOf(stages->rates())};
    if (const auto* mixture = dynamic_cast<const HyperExponential*>(&timer))
        return {DistType::HyperExp, doublesOf(mixture->parameters())};
    if (const auto* law = dynamic_cast<const ExpolynomialLaw*>(&timer)) {
        // Drawn by inverting F: its terms on the support, each c * exp(constant) * x^k * exp(r x).
        SimDistribution dist{DistType::Expoly,
                             {nearestDouble(law->low()),
                              law->high() ? nearestDouble(*law->high()) : std::numeric_limits<double>::infinity()}};
        for (const Term& term : law->integralFromLow().terms) {
            const Rational* rate = findValue(term.exponentials, "x");
            const unsigned* power = findValue(term.powers, "x");
            dist.parameters.push_back(nearestDouble(term.coefficient) *
                                      std::exp(static_cast<double>(term.exponentConstant)));
            dist.parameters.push_back(power ? *power : 0.0);
            dist.parameters.push_back(rate ? nearestDouble(*rate) : 0.0);
            double from = -std::numeric_limits<double>::infinity(), to = std::numeric_limits<double>::infinity();
            for (const LinearForm& form : term.heavisides) {
                const int* c = findValue(form.variables, "x");
                if (!c) continue;
                if (*c > 0) from = std::max(from, -nearestDouble(form.constant));
                else to = std::min(to, nearestDouble(form.constant));
            }
            dist.parameters.push_back(from);
            dist.parameters.push_back(to);
        }
        return dist;
    }
    const auto& sampled = dynamic_cast<const SampledLaw&>(timer);
    const std::string kind = sampled.kind();
    const DistType type = kind == "Weibull"     ? DistType::Weibull
                          : kind == "Lognormal" ? DistType::Lognormal
                          : kind == "Gamma"     ? DistType::Gamma
                                                : DistType::Normal;
    return {type, doublesOf(sampled.parameters())};
}

bool isAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) > 0x7F) return false;
    return true;
}

void requireAsciiName(const std::string& name, const std::string& item, std::uint64_t line) {
    if (isAscii(name)) return;
    throw std::invalid_argument("The name " + item + (line > 0 ? " at line " + std::to_string(line) : "") + ", \"" +
                                messageText(name) + "\", is not ASCII text; the simulator takes ASCII names only");
}

}  // namespace

SimModel simModelOf(const Gsms& gsms, const GsmsNameLines* lines) {
    requireAsciiName(gsms.name(), "of the model", lines ? lines->model : 0);
    for (std::uint64_t s = 0; s < gsms.stateCount(); ++s)
        requireAsciiName(gsms.state(s).name, "of state " + std::to_string(s),
                         lines && s < lines->states.size() ? lines->states[s] : 0);
    SimModel model;
    model.Name = gsms.name();
    for (std::uint64_t s = 0; s < gsms.stateCount(); ++s) model.States.push_back({gsms.state(s).name, gsms.state(s).flag, {}});
    // One pass over the transitions, in file order, gives each state its own.
    for (std::uint64_t t = 0; t < gsms.transitionCount(); ++t)
        model.States.at(gsms.transition(t).source).Transitions.push_back(static_cast<std::int64_t>(t) + 1);
    const std::uint64_t initial = gsms.initialState();
    const GsmsState& start = gsms.state(initial);
    for (std::size_t k = 0; k < start.activeTimers.size(); ++k) {
        const std::optional<Rational>& age = start.delays[k];
        if (!age || *age != 0)
            throw std::invalid_argument("Timer " + std::to_string(start.activeTimers[k]) + " of the initial state " +
                                        std::to_string(initial) + " (" + start.name + ") has " +
                                        (age ? "age " + toText(*age) : std::string("an unknown age")) +
                                        " on entry; a simulation starts every timer of the initial state at age 0");
    }
    model.Initial = {static_cast<std::int64_t>(initial) + 1, oneBased(start.activeTimers)};
    for (std::uint64_t i = 0; i < gsms.timerCount(); ++i) model.Distributions.push_back(simDistribution(gsms.timer(i)));
    for (const GsmsTransition& t : gsms.transitions()) {
        SimTransition transition{static_cast<std::int64_t>(t.source) + 1, oneBased(t.timers), {}};
        for (const GsmsDestination& d : t.destinations)
            transition.Destinations.push_back(
                {static_cast<std::int64_t>(d.target) + 1, nearestDouble(d.probability), oneBased(d.restartedTimers)});
        model.Transitions.push_back(std::move(transition));
    }
    return model;
}

}  // namespace drova
