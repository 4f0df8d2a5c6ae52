// The parts of SmallRational that involve GMP: values or results too large for 64-bit integers,
// conversions and text. Built (as the library drova_rational) only with the fast number backend.

#include "algebra/SmallRational.hpp"

#include <ostream>
#include <stdexcept>

namespace drova {

void SmallRational::throwDivisionByZero() { throw std::overflow_error("Division by zero."); }

void SmallRational::assign(Big&& value) {
    const auto* q = value.backend().data();
    const mpz_srcptr n = mpq_numref(q);
    const mpz_srcptr d = mpq_denref(q);
    static_assert(sizeof(long) == sizeof(std::int64_t), "mpz_get_si must read a 64-bit value");
    // mpz_fits_slong_p admits -2^63, which the small form leaves to mpq.
    if (mpz_fits_slong_p(n) && mpz_fits_slong_p(d)) {
        const long num = mpz_get_si(n);
        if (num != std::numeric_limits<long>::min()) {
            num_ = num;
            den_ = mpz_get_si(d);
            big_.reset();
            return;
        }
    }
    if (big_)
        *big_ = std::move(value);
    else
        big_ = std::make_unique<Big>(std::move(value));
}

void SmallRational::assignComponents(const BigInteger& numerator, const BigInteger& denominator) {
    if (denominator == 0) throwDivisionByZero();
    assign(Big(numerator, denominator));
}

void SmallRational::bigSum(const SmallRational& a, const SmallRational& b) {
    Big sum;
    mpq_add(sum.backend().data(), a.toBig().backend().data(), b.toBig().backend().data());
    assign(std::move(sum));
}

void SmallRational::bigDifference(const SmallRational& a, const SmallRational& b) {
    Big difference;
    mpq_sub(difference.backend().data(), a.toBig().backend().data(), b.toBig().backend().data());
    assign(std::move(difference));
}

void SmallRational::bigProduct(const SmallRational& a, const SmallRational& b) {
    Big product;
    mpq_mul(product.backend().data(), a.toBig().backend().data(), b.toBig().backend().data());
    assign(std::move(product));
}

void SmallRational::bigQuotient(const SmallRational& a, const SmallRational& b) {
    Big quotient;
    mpq_div(quotient.backend().data(), a.toBig().backend().data(), b.toBig().backend().data());
    assign(std::move(quotient));
}

int SmallRational::bigCompare(const SmallRational& a, const SmallRational& b) {
    return mpq_cmp(a.toBig().backend().data(), b.toBig().backend().data());
}

SmallRational::BigInteger numerator(const SmallRational& value) {
    if (value.big_) return boost::multiprecision::numerator(*value.big_);
    return SmallRational::BigInteger(value.num_);
}

SmallRational::BigInteger denominator(const SmallRational& value) {
    if (value.big_) return boost::multiprecision::denominator(*value.big_);
    return SmallRational::BigInteger(value.den_);
}

std::size_t SmallRational::numeratorWords() const noexcept {
    if (big_) return mpz_size(mpq_numref(big_->backend().data()));
    return num_ == 0 ? 0 : 1;
}

std::size_t SmallRational::denominatorWords() const noexcept {
    if (big_) return mpz_size(mpq_denref(big_->backend().data()));
    return 1;
}

std::size_t SmallRational::bigHash() const noexcept { return std::hash<Big>{}(*big_); }

std::string SmallRational::str() const {
    if (big_) return big_->str();
    std::string text = std::to_string(num_);
    if (den_ != 1) {
        text += '/';
        text += std::to_string(den_);
    }
    return text;
}

std::ostream& operator<<(std::ostream& out, const SmallRational& value) { return out << value.str(); }

}  // namespace drova
