#include "measures/SparseElimination.hpp"

#include "measures/SolveControl.hpp"

#include <stdexcept>
#include <unordered_map>

namespace drova::measures {

SubstochasticSystem::SubstochasticSystem(std::size_t size) : rows_(size), exit_(size, 0.0L) {}

void SubstochasticSystem::addTransition(std::size_t i, std::size_t j, long double probability) {
    if (i == j || probability == 0) return;
    rows_.at(i).emplace_back(j, probability);
}

void SubstochasticSystem::setExit(std::size_t i, long double probability) { exit_.at(i) = probability; }

std::vector<SubstochasticSystem::Eliminated> SubstochasticSystem::eliminate(
    std::size_t count, std::vector<std::vector<long double>>* columns) const {
    const std::size_t n = size();
    // The working matrix by rows and by columns (p_ij kept in both).
    std::vector<std::unordered_map<std::size_t, long double>> out(n), in(n);
    for (std::size_t i = 0; i < n; ++i)
        for (const auto& [j, p] : rows_[i]) {
            out[i][j] += p;
            in[j][i] += p;
        }
    std::vector<long double> exit = exit_;
    std::vector<Eliminated> eliminated;
    eliminated.reserve(count);
    SolveSteps steps("Elimination", n, count);
    for (std::size_t k = 0; k < count; ++k) {
        steps.step(k);
        Eliminated record;
        long double pivot = exit[k];
        for (const auto& [j, p] : out[k]) {
            pivot += p;
            record.successors.emplace_back(j, p);
        }
        for (const auto& [i, p] : in[k]) record.predecessors.emplace_back(i, p);
        if (!(pivot > 0))
            throw std::invalid_argument("elimination: a state that is never left");
        record.pivot = pivot;
        for (const auto& [j, p] : record.successors) in[j].erase(k);
        for (const auto& [i, pik] : record.predecessors) {
            out[i].erase(k);
            const long double factor = pik / pivot;
            for (const auto& [j, pkj] : record.successors) {
                if (j == i) continue;  // a self-loop: s_i does not use it
                const long double added = factor * pkj;
                out[i][j] += added;
                in[j][i] += added;
            }
            exit[i] += factor * exit[k];
            if (columns)
                for (std::vector<long double>& b : *columns) b[i] += factor * b[k];
        }
        out[k].clear();
        in[k].clear();
        eliminated.push_back(std::move(record));
    }
    return eliminated;
}

std::vector<std::vector<long double>> SubstochasticSystem::solve(
    const std::vector<std::vector<long double>>& columns) const {
    std::vector<std::vector<long double>> x = columns;
    const std::vector<Eliminated> eliminated = eliminate(size(), &x);
    for (std::size_t k = size(); k-- > 0;) {
        const Eliminated& record = eliminated[k];
        for (std::vector<long double>& b : x) {
            long double sum = b[k];
            for (const auto& [j, p] : record.successors) sum += p * b[j];
            b[k] = sum / record.pivot;
        }
    }
    return x;
}

std::vector<long double> SubstochasticSystem::stationary() const {
    const std::size_t n = size();
    std::vector<long double> nu(n, 0.0L);
    if (n == 0) return nu;
    const std::vector<Eliminated> eliminated = eliminate(n - 1, nullptr);
    // The chain censored to the last state stays there: nu_last = 1 before normalising. Each
    // eliminated state's weight is what flows into it from the states eliminated after it.
    nu[n - 1] = 1;
    for (std::size_t k = n - 1; k-- > 0;) {
        long double sum = 0;
        for (const auto& [i, p] : eliminated[k].predecessors) sum += nu[i] * p;
        nu[k] = sum / eliminated[k].pivot;
    }
    long double total = 0;
    for (long double v : nu) total += v;
    for (long double& v : nu) v /= total;
    return nu;
}

}  // namespace drova::measures
