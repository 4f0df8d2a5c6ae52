#pragma once
// SmallRational: an exact rational number that keeps its numerator and denominator in two 64-bit
// integers while they fit and in GMP's mpq (through Boost.Multiprecision) when they do not.
//
// Most numbers of a conversion are small: rates, probabilities, bounds and the coefficients built
// from them. An mpq allocates its limbs even for those, and the allocations cost more than the
// arithmetic; here a small value lives inside the object and its arithmetic runs on machine
// integers, with 128-bit intermediates so that no product of two 64-bit values can overflow. A
// result that does not fit is computed again with mpq, exactly.
//
// The value is always canonical: lowest terms, positive denominator, and stored small exactly
// when numerator and denominator both lie in [-(2^63 - 1), 2^63 - 1] (the numerator's range is
// symmetric, so negation never changes the representation). Equal values therefore have equal
// representations, which keeps equality and hashing cheap.

#include <boost/multiprecision/gmp.hpp>

#include <compare>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <limits>
#include <memory>
#include <numeric>
#include <string>
#include <type_traits>
#include <utility>

namespace drova {

class SmallRational {
public:
    using Big = boost::multiprecision::mpq_rational;
    using BigInteger = boost::multiprecision::mpz_int;

    SmallRational() noexcept = default;
    SmallRational(const SmallRational& other) : num_(other.num_), den_(other.den_) {
        if (other.big_) big_ = std::make_unique<Big>(*other.big_);
    }
    SmallRational(SmallRational&& other) noexcept = default;
    SmallRational& operator=(const SmallRational& other) {
        if (this == &other) return *this;
        num_ = other.num_;
        den_ = other.den_;
        if (!other.big_)
            big_.reset();
        else if (big_)
            *big_ = *other.big_;
        else
            big_ = std::make_unique<Big>(*other.big_);
        return *this;
    }
    SmallRational& operator=(SmallRational&& other) noexcept = default;
    ~SmallRational() = default;

    // Integers convert implicitly, as they do to Boost's rationals.
    template <std::integral I>
    SmallRational(I value) {
        if constexpr (std::is_signed_v<I>) {
            if (value >= -Max) {
                num_ = static_cast<std::int64_t>(value);
                return;
            }
        } else {
            if (static_cast<std::uint64_t>(value) <= static_cast<std::uint64_t>(Max)) {
                num_ = static_cast<std::int64_t>(value);
                return;
            }
        }
        assign(Big(value));
    }
    SmallRational(const BigInteger& value) { assign(Big(value)); }
    // Anything else that converts to a big integer, such as Boost's integer expressions.
    template <typename E>
        requires(!std::is_arithmetic_v<E> && !std::is_same_v<std::remove_cvref_t<E>, BigInteger> &&
                 std::is_convertible_v<const E&, BigInteger>)
    SmallRational(const E& value) : SmallRational(BigInteger(value)) {}
    explicit SmallRational(const Big& value) { assign(Big(value)); }
    explicit SmallRational(Big&& value) { assign(std::move(value)); }

    // numerator / denominator, reduced. A zero denominator throws std::overflow_error
    // "Division by zero.", as division by zero does.
    template <std::integral N, std::integral D>
    SmallRational(N numerator, D denominator) {
        if (denominator == 0) throwDivisionByZero();
        if (fitsOperand(numerator) && fitsOperand(denominator)) {
            setReduced(static_cast<std::int64_t>(numerator), static_cast<std::int64_t>(denominator));
            return;
        }
        assignComponents(BigInteger(numerator), BigInteger(denominator));
    }
    template <typename N, typename D>
        requires(!(std::integral<N> && std::integral<D>) && std::is_convertible_v<const N&, BigInteger> &&
                 std::is_convertible_v<const D&, BigInteger>)
    SmallRational(const N& numerator, const D& denominator) {
        assignComponents(BigInteger(numerator), BigInteger(denominator));
    }

    bool is_zero() const noexcept { return !big_ && num_ == 0; }
    // -1, 0 or 1.
    int sign() const noexcept {
        if (big_) return big_->sign();
        return (num_ > 0) - (num_ < 0);
    }
    bool isSmall() const noexcept { return !big_; }

    // The same value as GMP's mpq.
    Big toBig() const {
        if (big_) return *big_;
        Big value;
        mpq_set_si(value.backend().data(), num_, static_cast<unsigned long>(den_));
        return value;
    }
    // Conversions give exactly what the mpq of the same value gives (rounding included). To a
    // binary floating-point type that holds numerator and denominator exactly, that is their
    // quotient, whose one rounding (to nearest) is the mpq conversion's.
    template <typename T>
    T convert_to() const {
        if constexpr (std::numeric_limits<T>::is_specialized && !std::numeric_limits<T>::is_integer &&
                      std::numeric_limits<T>::radix == 2) {
            constexpr int digits = std::numeric_limits<T>::digits;
            if constexpr (digits >= 63) {
                if (!big_) return T(num_) / T(den_);
            } else {
                if (!big_ && magnitude(num_) >> digits == 0 && static_cast<std::uint64_t>(den_) >> digits == 0)
                    return T(num_) / T(den_);
            }
        }
        return toBig().template convert_to<T>();
    }
    // static_cast<T>(value) and T(value), as for Boost's numbers.
    template <typename T>
        requires(std::is_arithmetic_v<T> || boost::multiprecision::is_number<T>::value)
    explicit operator T() const {
        return convert_to<T>();
    }
    // "n" or "n/d", like the Boost numbers' str().
    std::string str() const;

    friend BigInteger numerator(const SmallRational& value);
    friend BigInteger denominator(const SmallRational& value);
    // The words of GMP's numerator and denominator.
    std::size_t numeratorWords() const noexcept;
    std::size_t denominatorWords() const noexcept;
    std::size_t hash() const noexcept {
        if (big_) return bigHash();
        // boost::hash_combine's mixing of the denominator into the numerator.
        const auto seed = static_cast<std::size_t>(num_);
        return seed ^ (static_cast<std::size_t>(den_) + 0x9e3779b9 + (seed << 6) + (seed >> 2));
    }

    SmallRational operator-() const& {
        if (!big_) return SmallRational(-num_, den_, Reduced{});
        return SmallRational(Big(-*big_));
    }
    SmallRational operator-() && {
        if (!big_) {
            num_ = -num_;
        } else {
            big_->backend().negate();
        }
        return std::move(*this);
    }
    const SmallRational& operator+() const noexcept { return *this; }
    friend SmallRational abs(const SmallRational& value) { return value.sign() < 0 ? -value : value; }

    friend SmallRational operator+(const SmallRational& a, const SmallRational& b) {
        SmallRational sum;
        if (a.big_ || b.big_ || !sum.setSum(a.num_, a.den_, b.num_, b.den_)) sum.bigSum(a, b);
        return sum;
    }
    friend SmallRational operator-(const SmallRational& a, const SmallRational& b) {
        SmallRational difference;
        // -b.num_ cannot overflow: the numerator's range is symmetric.
        if (a.big_ || b.big_ || !difference.setSum(a.num_, a.den_, -b.num_, b.den_)) difference.bigDifference(a, b);
        return difference;
    }
    friend SmallRational operator*(const SmallRational& a, const SmallRational& b) {
        SmallRational product;
        if (a.big_ || b.big_ || !product.setProduct(a.num_, a.den_, b.num_, b.den_)) product.bigProduct(a, b);
        return product;
    }
    // Division by zero throws std::overflow_error "Division by zero.", as with Boost's rationals.
    friend SmallRational operator/(const SmallRational& a, const SmallRational& b) {
        if (b.is_zero()) throwDivisionByZero();
        SmallRational quotient;
        if (a.big_ || b.big_) {
            quotient.bigQuotient(a, b);
            return quotient;
        }
        // a / b = a * (b.den / b.num), the sign moved to the numerator.
        const std::int64_t inverseNum = b.num_ < 0 ? -b.den_ : b.den_;
        const std::int64_t inverseDen = b.num_ < 0 ? -b.num_ : b.num_;
        if (!quotient.setProduct(a.num_, a.den_, inverseNum, inverseDen)) quotient.bigQuotient(a, b);
        return quotient;
    }
    SmallRational& operator+=(const SmallRational& b) {
        if (!big_ && !b.big_ && setSum(num_, den_, b.num_, b.den_)) return *this;
        return *this = *this + b;
    }
    SmallRational& operator-=(const SmallRational& b) {
        if (!big_ && !b.big_ && setSum(num_, den_, -b.num_, b.den_)) return *this;
        return *this = *this - b;
    }
    SmallRational& operator*=(const SmallRational& b) {
        if (!big_ && !b.big_ && setProduct(num_, den_, b.num_, b.den_)) return *this;
        return *this = *this * b;
    }
    SmallRational& operator/=(const SmallRational& b) { return *this = *this / b; }

    friend bool operator==(const SmallRational& a, const SmallRational& b) noexcept {
        // Canonical: a small and a big value are never equal.
        if (!a.big_ && !b.big_) return a.num_ == b.num_ && a.den_ == b.den_;
        if (a.big_ && b.big_) return mpq_equal(a.big_->backend().data(), b.big_->backend().data()) != 0;
        return false;
    }
    friend std::strong_ordering operator<=>(const SmallRational& a, const SmallRational& b) {
        if (!a.big_ && !b.big_) {
            if (a.den_ == b.den_) return a.num_ <=> b.num_;
            return static_cast<Wide>(a.num_) * b.den_ <=> static_cast<Wide>(b.num_) * a.den_;
        }
        return bigCompare(a, b) <=> 0;
    }

private:
    __extension__ typedef __int128 Wide;
    static constexpr std::int64_t Max = std::numeric_limits<std::int64_t>::max();
    struct Reduced {};

    // Already canonical and small.
    SmallRational(std::int64_t num, std::int64_t den, Reduced) noexcept : num_(num), den_(den) {}

    [[noreturn]] static void throwDivisionByZero();

    template <std::integral I>
    static bool fitsOperand(I value) {
        if constexpr (std::is_signed_v<I>)
            return value >= -Max && value <= Max;
        else
            return static_cast<std::uint64_t>(value) <= static_cast<std::uint64_t>(Max);
    }
    static bool fits(Wide value) noexcept { return value >= -Max && value <= Max; }
    static std::uint64_t magnitude(std::int64_t value) noexcept {
        return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    }

    // num / den with den != 0 and both within the small range: reduced, sign on the numerator.
    void setReduced(std::int64_t num, std::int64_t den) noexcept {
        if (den < 0) {
            num = -num;
            den = -den;
        }
        const auto g = static_cast<std::int64_t>(std::gcd(magnitude(num), static_cast<std::uint64_t>(den)));
        num_ = num / g;
        den_ = den / g;
        big_.reset();
    }

    // a/b + c/d of canonical small operands into this object when the result is small; false
    // (and this object unchanged) when it is not. Knuth's method: with g = gcd(b, d), the sum is
    // t / (b/g * d) where t = a*(d/g) + c*(b/g), and only gcd(t, g) can divide out.
    bool setSum(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d) noexcept {
        if (b == d) {
            const Wide t = static_cast<Wide>(a) + c;
            if (b == 1) {
                if (!fits(t)) return false;
                num_ = static_cast<std::int64_t>(t);
                den_ = 1;
                return true;
            }
            if (t == 0) {
                num_ = 0;
                den_ = 1;
                return true;
            }
            // |t| < 2^64.
            const std::uint64_t tMagnitude = t < 0 ? static_cast<std::uint64_t>(-t) : static_cast<std::uint64_t>(t);
            const std::uint64_t g = std::gcd(tMagnitude, static_cast<std::uint64_t>(b));
            const Wide n = t / static_cast<Wide>(g);
            if (!fits(n)) return false;
            num_ = static_cast<std::int64_t>(n);
            den_ = b / static_cast<std::int64_t>(g);
            return true;
        }
        const auto g = static_cast<std::int64_t>(std::gcd(static_cast<std::uint64_t>(b), static_cast<std::uint64_t>(d)));
        if (g == 1) {
            const Wide n = static_cast<Wide>(a) * d + static_cast<Wide>(c) * b;
            const Wide den = static_cast<Wide>(b) * d;
            if (!fits(n) || !fits(den)) return false;
            if (n == 0) {
                num_ = 0;
                den_ = 1;
                return true;
            }
            num_ = static_cast<std::int64_t>(n);
            den_ = static_cast<std::int64_t>(den);
            return true;
        }
        const std::int64_t bOverG = b / g;
        const Wide t = static_cast<Wide>(a) * (d / g) + static_cast<Wide>(c) * bOverG;
        if (t == 0) {
            num_ = 0;
            den_ = 1;
            return true;
        }
        const Wide tMagnitude = t < 0 ? -t : t;
        const auto g2 = static_cast<std::int64_t>(
            std::gcd(static_cast<std::uint64_t>(tMagnitude % g), static_cast<std::uint64_t>(g)));
        const Wide n = t / g2;
        const Wide den = static_cast<Wide>(bOverG) * (d / g2);
        if (!fits(n) || !fits(den)) return false;
        num_ = static_cast<std::int64_t>(n);
        den_ = static_cast<std::int64_t>(den);
        return true;
    }

    // (a/b) * (c/d) of canonical small operands (d > 0 may come from an inverse); false when the
    // result is not small. Cross-cancelling first leaves the products in lowest terms.
    bool setProduct(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d) noexcept {
        if (a == 0 || c == 0) {
            num_ = 0;
            den_ = 1;
            return true;
        }
        if (b == 1 && d == 1) {
            std::int64_t n;
            if (__builtin_mul_overflow(a, c, &n) || n < -Max) return false;
            num_ = n;
            den_ = 1;
            return true;
        }
        const auto g1 = static_cast<std::int64_t>(std::gcd(magnitude(a), static_cast<std::uint64_t>(d)));
        const auto g2 = static_cast<std::int64_t>(std::gcd(magnitude(c), static_cast<std::uint64_t>(b)));
        const Wide n = static_cast<Wide>(a / g1) * (c / g2);
        const Wide den = static_cast<Wide>(b / g2) * (d / g1);
        if (!fits(n) || !fits(den)) return false;
        num_ = static_cast<std::int64_t>(n);
        den_ = static_cast<std::int64_t>(den);
        return true;
    }

    // The exact results through mpq, for operands or results that are not small.
    void bigSum(const SmallRational& a, const SmallRational& b);
    void bigDifference(const SmallRational& a, const SmallRational& b);
    void bigProduct(const SmallRational& a, const SmallRational& b);
    void bigQuotient(const SmallRational& a, const SmallRational& b);
    static int bigCompare(const SmallRational& a, const SmallRational& b);
    std::size_t bigHash() const noexcept;

    // Takes a canonical mpq value: small when it fits.
    void assign(Big&& value);
    void assignComponents(const BigInteger& numerator, const BigInteger& denominator);

    std::int64_t num_ = 0;
    std::int64_t den_ = 1;
    std::unique_ptr<Big> big_;  // set exactly when the value is not small; num_ and den_ are then unused
};

std::ostream& operator<<(std::ostream& out, const SmallRational& value);

}  // namespace drova

template <>
struct std::hash<drova::SmallRational> {
    std::size_t operator()(const drova::SmallRational& value) const noexcept { return value.hash(); }
};
