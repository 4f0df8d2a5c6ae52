#include "measures/MarkovianKernel.hpp"

namespace drova::measures {

namespace {

std::optional<Rational> rationalOf(const ExactValue& value) {
    const auto& terms = value.terms();
    if (terms.size() != 1 || !terms.begin()->first.is_zero()) return std::nullopt;
    return terms.begin()->second;
}

// c when f is c (1 - e^(-q t)) for t >= 0, with q > 0 its rate.
std::optional<std::pair<Rational, Rational>> exponentialEntry(const PiecewiseExpolynomial& f) {
    const std::vector<Piece>& pieces = f.pieces();
    if (pieces.size() != 1 || !pieces[0].start.is_zero()) return std::nullopt;
    const std::vector<LocalTerm>& terms = pieces[0].terms;
    if (terms.size() != 2 || terms[0].power != 0 || terms[1].power != 0) return std::nullopt;
    if (!(terms[0].rate < 0) || !terms[1].rate.is_zero()) return std::nullopt;
    const std::optional<Rational> decaying = rationalOf(terms[0].coefficient);
    const std::optional<Rational> constant = rationalOf(terms[1].coefficient);
    if (!decaying || !constant || *decaying != -*constant) return std::nullopt;
    return std::make_pair(*constant, Rational(-terms[0].rate));
}

}  // namespace

std::optional<Rational> exponentialSojournRate(const ExactKernel& kernel, std::size_t i) {
    Rational rate(0);
    bool seen = false;
    for (const KernelEntry& entry : kernel.row(i)) {
        const auto exponential = exponentialEntry(entry.function);
        if (!exponential || (seen && rate != exponential->second)) return std::nullopt;
        rate = exponential->second;
        seen = true;
    }
    return rate;
}

bool isExponentialSurvival(const PiecewiseExpolynomial& f, const Rational& q) {
    const std::vector<Piece>& pieces = f.pieces();
    if (pieces.size() != 1 || !pieces[0].start.is_zero() || pieces[0].terms.size() != 1) return false;
    const LocalTerm& term = pieces[0].terms[0];
    const std::optional<Rational> coefficient = rationalOf(term.coefficient);
    return term.power == 0 && term.rate == -q && coefficient && *coefficient == 1;
}

MarkovChain markovChainOf(const ExactKernel& kernel, const std::vector<std::size_t>& states,
                          const std::vector<Rational>& rates, const std::vector<bool>& absorbing) {
    std::vector<std::size_t> position(kernel.size(), states.size());
    for (std::size_t r = 0; r < states.size(); ++r) position[states[r]] = r;
    MarkovChain chain;
    const std::size_t lost = states.size();
    chain.incoming.resize(states.size() + 1);
    chain.exitRate.assign(states.size() + 1, 0.0);
    for (std::size_t r = 0; r < states.size(); ++r) {
        if (absorbing[r]) continue;
        const Rational& q = rates[r];
        Rational kept = 0;
        for (const KernelEntry& entry : kernel.row(states[r])) {
            const std::size_t c = position[entry.target];
            if (c == lost || c == r) continue;  // lost below, or a return that changes nothing
            const Rational probability = *rationalOf(entry.limit);
            kept += probability;
            chain.incoming[c].emplace_back(r, (q * probability).convert_to<double>());
        }
        // A self-loop re-enters the state: the chain stays, so only the other rates leave it.
        const Rational loop = rationalOf(kernel.embedded(states[r], states[r])).value_or(Rational(0));
        const Rational gone = Rational(1) - kept - loop;
        if (!gone.is_zero()) chain.incoming[lost].emplace_back(r, (q * gone).convert_to<double>());
        chain.exitRate[r] = (q * (Rational(1) - loop)).convert_to<double>();
    }
    return chain;
}

}  // namespace drova::measures
