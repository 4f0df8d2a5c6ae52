#include "algebra/OrderedList.hpp"

#include <climits>
#include <stdexcept>

namespace drova {

namespace {

[[noreturn]] void throwCoefficientOverflow() {
    throw std::overflow_error("A coefficient of a linear form exceeds the 32-bit range");
}

}  // namespace

int checkedSum(int a, int b) {
    int sum;
    if (__builtin_add_overflow(a, b, &sum)) throwCoefficientOverflow();
    return sum;
}

unsigned checkedSum(unsigned a, unsigned b) {
    unsigned sum;
    if (__builtin_add_overflow(a, b, &sum)) throw std::overflow_error("An exponent of a power exceeds the 32-bit range");
    return sum;
}

int checkedProduct(int a, int b) {
    int product;
    if (__builtin_mul_overflow(a, b, &product)) throwCoefficientOverflow();
    return product;
}

int checkedNegation(int a) {
    if (a == INT_MIN) throwCoefficientOverflow();
    return -a;
}

}  // namespace drova
