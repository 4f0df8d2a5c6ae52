#pragma once
// Binomial and multinomial coefficients and the compositions of an exponent, used to expand a
// power of a linear form. All coefficients are exact wide integers.

#include "algebra/Rational.hpp"

#include <vector>

namespace drova {

// binomial(n, k) from one process-wide table of rows that only grows (not locked: every call
// arrives on the one thread that calls the module). Throws std::invalid_argument
// "Parameter k must not be greater than n" when k > n.
BigInt binomial(unsigned n, unsigned k);

// The product over the parts in order of binomial(running sum including the part, part).
// Throws std::invalid_argument "The size of ks must be at least 2" when ks has fewer than two
// entries, then "The Sum of ks must be equal to n" when the parts do not add up to n.
BigInt multinomial(unsigned n, const std::vector<unsigned>& ks);

struct Composition {
    BigInt coefficient;
    std::vector<unsigned> parts;

    bool operator==(const Composition&) const = default;
};

// Every list of m non-negative parts with sum n, with its multinomial coefficient, enumerated depth
// first: the part at each position but the last runs from what is still unassigned down to 0, and
// the last position takes the rest. n = 2, m = 3 gives (2,0,0), (1,1,0), (1,0,1), (0,2,0), (0,1,1),
// (0,0,2). n = 0 gives the single record (1, m zeros) and m = 1 the single record (1, [n]).
// Throws std::invalid_argument "Parameter m must be positive" when m = 0.
std::vector<Composition> compositions(unsigned n, unsigned m);

}  // namespace drova
