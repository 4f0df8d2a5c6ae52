#include "algebra/Combinatorics.hpp"

#include <cstdint>
#include <stdexcept>

namespace drova {

namespace {

// Row i holds binomial(i, 0) ... binomial(i, i). Built lazily, kept for the life of the process.
std::vector<std::vector<BigInt>>& binomialTable() {
    static std::vector<std::vector<BigInt>> table;
    return table;
}

void growBinomialTable(unsigned n) {
    auto& table = binomialTable();
    while (table.size() <= n) {
        const std::size_t i = table.size();
        std::vector<BigInt> row(i + 1, BigInt(1));
        for (std::size_t j = 1; j <= i / 2; ++j) {
            row[j] = table[i - 1][j - 1] + table[i - 1][j];
            row[i - j] = row[j];
        }
        table.push_back(std::move(row));
    }
}

}  // namespace

BigInt binomial(unsigned n, unsigned k) {
    if (k > n) throw std::invalid_argument("Parameter k must not be greater than n");
    growBinomialTable(n);
    return binomialTable()[n][k];
}

BigInt multinomial(unsigned n, const std::vector<unsigned>& ks) {
    if (ks.size() < 2) throw std::invalid_argument("The size of ks must be at least 2");
    std::uint64_t total = 0;
    for (unsigned k : ks) total += k;
    if (total != n) throw std::invalid_argument("The Sum of ks must be equal to n");
    BigInt product = 1;
    unsigned runningSum = 0;
    for (unsigned k : ks) {
        runningSum += k;
        product *= binomial(runningSum, k);
    }
    return product;
}

std::vector<Composition> compositions(unsigned n, unsigned m) {
    if (m == 0) throw std::invalid_argument("Parameter m must be positive");
    if (n == 0) return {Composition{1, std::vector<unsigned>(m, 0)}};
    if (m == 1) return {Composition{1, {n}}};
    std::vector<Composition> result;
    std::vector<unsigned> parts(m, 0);
    parts[0] = n;
    while (true) {
        result.push_back(Composition{multinomial(n, parts), parts});
        // The next choice of the depth-first walk: the last position before the final one that
        // can still give one unit away gives it, and the position after it takes everything that
        // follows; later positions restart at 0.
        std::size_t p = m - 1;
        while (p > 0 && parts[p - 1] == 0) --p;
        if (p == 0) break;
        --p;
        unsigned rest = 1;
        for (std::size_t q = p + 1; q < m; ++q) {
            rest += parts[q];
            parts[q] = 0;
        }
        --parts[p];
        parts[p + 1] = rest;
    }
    return result;
}

}  // namespace drova
