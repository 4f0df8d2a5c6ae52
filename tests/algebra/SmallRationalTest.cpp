// SmallRational against GMP's mpq: the small form's limits, the moves between the small and the
// big form, canonical results, errors, text, and random arithmetic across the boundary.

#include "algebra/Rational.hpp"

#include <gtest/gtest.h>

#if DROVA_FAST_RATIONAL

#include "algebra/OrderedList.hpp"

#include <boost/multiprecision/cpp_bin_float.hpp>

#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using namespace drova;

namespace {

using Big = SmallRational::Big;
using Quad = boost::multiprecision::cpp_bin_float_quad;

constexpr std::int64_t Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t Min = std::numeric_limits<std::int64_t>::min();
const BigInt TwoTo63 = BigInt(1) << 63;
const BigInt TwoTo64 = BigInt(1) << 64;

// The value, its canonical form (lowest terms, positive denominator) and whether it is stored
// small exactly when both parts lie in [-(2^63 - 1), 2^63 - 1].
void expectCanonical(const Rational& value, const Big& expected) {
    EXPECT_EQ(value.toBig(), expected) << value << " expected " << expected;
    const BigInt num = numeratorOf(value), den = denominatorOf(value);
    EXPECT_EQ(num, numerator(expected));
    EXPECT_EQ(den, denominator(expected));
    const bool fits = abs(num) < TwoTo63 && den < TwoTo63;
    EXPECT_EQ(value.isSmall(), fits) << value;
}

std::string divisionMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::overflow_error& e) {
        return e.what();
    }
    return "no error";
}

TEST(SmallRational, ConstructionReducesAndMovesTheSignToTheNumerator) {
    expectCanonical(Rational(6, -4), Big(-3, 2));
    expectCanonical(Rational(-6, -4), Big(3, 2));
    expectCanonical(Rational(0, -5), Big(0));
    expectCanonical(Rational(Max, Max), Big(1));
    expectCanonical(Rational(Min, 2), Big(Min / 2));
    expectCanonical(Rational(2, Min), Big(-1, BigInt(1) << 62));
    expectCanonical(Rational(Min, -1), Big(TwoTo63));
    expectCanonical(Rational(std::numeric_limits<std::uint64_t>::max(), 3u), Big(BigInt("6148914691236517205")));
    expectCanonical(Rational(TwoTo64, BigInt(6)), Big(TwoTo64 / 2, BigInt(3)));
    expectCanonical(Rational(BigInt(1) << 60, 3), Big(BigInt(1) << 60, 3));
}

TEST(SmallRational, TheSmallRangeIsSymmetricSoMinimumIsBig) {
    expectCanonical(Rational(Max), Big(Max));
    expectCanonical(Rational(-Max), Big(-Max));
    expectCanonical(Rational(Min), Big(Min));
    expectCanonical(Rational(std::uint64_t(Max) + 1), Big(TwoTo63));
    expectCanonical(-Rational(Max), Big(-Max));
    expectCanonical(-Rational(Min), Big(TwoTo63));
    expectCanonical(-(-Rational(Min)), Big(Min));
    expectCanonical(abs(Rational(Min)), Big(TwoTo63));
    expectCanonical(Rational(1, Max), Big(1, Max));
    expectCanonical(Rational(1, std::uint64_t(Max) + 1), Big(BigInt(1), TwoTo63));
}

TEST(SmallRational, ResultsThatOverflowBecomeBigAndComeBackWhenTheyFit) {
    const Rational max(Max);
    const Rational past = max + 1;
    expectCanonical(past, Big(TwoTo63));
    expectCanonical(past - 1, Big(Max));
    expectCanonical(-max - 1, Big(Min));
    expectCanonical(-max - 2 + 2, Big(-Max));
    // Products of two 32-bit halves, and quotients back.
    const Rational twoTo32(std::int64_t(1) << 32);
    expectCanonical(twoTo32 * twoTo32, Big(TwoTo64));
    expectCanonical(twoTo32 * twoTo32 / twoTo32, Big(std::int64_t(1) << 32));
    expectCanonical(Rational(1, std::int64_t(1) << 32) * Rational(1, std::int64_t(1) << 32), Big(BigInt(1), TwoTo64));
    // A denominator that overflows only in the sum, and the difference that reduces it again.
    const Rational tiny(1, std::int64_t(1) << 62);
    const Rational sum = tiny + Rational(1, 3);
    expectCanonical(sum, Big(BigInt(1), BigInt(1) << 62) + Big(1, 3));
    expectCanonical(sum - Rational(1, 3), Big(BigInt(1), BigInt(1) << 62));
    // Same denominators: the numerators' sum overflows before the reduction.
    expectCanonical(Rational(Max, 2) + Rational(Max, 2), Big(Max));
    expectCanonical(Rational(Max - 1, Max) + Rational(Max - 1, Max), Big(2 * (BigInt(Max) - 1), Max));
    expectCanonical(max * max / max, Big(Max));
    expectCanonical(max * -max, Big(-BigInt(Max) * Max));
    expectCanonical(Rational(Min + 2) * Rational(-1), Big(Max - 1));
}

TEST(SmallRational, SumsAndProductsReduceToLowestTerms) {
    expectCanonical(Rational(1, 4) + Rational(1, 4), Big(1, 2));
    expectCanonical(Rational(3, 4) - Rational(3, 4), Big(0));
    expectCanonical(Rational(1, 6) + Rational(1, 3), Big(1, 2));  // gcd of the denominators 3, then 2 divides out
    expectCanonical(Rational(5, 6) + Rational(7, 10), Big(23, 15));
    expectCanonical(Rational(1, 6) - Rational(1, 6), Big(0));
    expectCanonical(Rational(2, 3) + Rational(1, 5), Big(13, 15));
    expectCanonical(Rational(4, 9) * Rational(3, 8), Big(1, 6));
    expectCanonical(Rational(-4, 9) / Rational(-8, 3), Big(1, 6));
    expectCanonical(Rational(4, 9) / Rational(-8, 3), Big(-1, 6));
    expectCanonical(Rational(0) / Rational(-8, 3), Big(0));
    expectCanonical(Rational(7) * 0, Big(0));
}

TEST(SmallRational, CompoundAssignmentsToThemselves) {
    Rational a(3, 4);
    a += a;
    expectCanonical(a, Big(3, 2));
    a *= a;
    expectCanonical(a, Big(9, 4));
    a /= a;
    expectCanonical(a, Big(1));
    a -= a;
    expectCanonical(a, Big(0));
    Rational big = Rational(TwoTo64, BigInt(3));
    big += big;
    expectCanonical(big, Big(2 * TwoTo64, 3));
    big -= big;
    expectCanonical(big, Big(0));
    Rational copy = Rational(TwoTo64);
    Rational target(5);
    target = copy;
    copy += 1;
    expectCanonical(target, Big(TwoTo64));  // copies do not share the big value
    target = Rational(2);
    expectCanonical(target, Big(2));
}

TEST(SmallRational, DivisionByZeroFailsAsBoostsRationalsDo) {
    EXPECT_EQ(divisionMessage([] { (void)(Rational(1) / Rational(0)); }), "Division by zero.");
    EXPECT_EQ(divisionMessage([] { (void)(Rational(TwoTo64) / Rational(0)); }), "Division by zero.");
    EXPECT_EQ(divisionMessage([] { Rational r(3, 7); r /= 0; }), "Division by zero.");
    EXPECT_EQ(divisionMessage([] { (void)Rational(1, 0); }), "Division by zero.");
    EXPECT_EQ(divisionMessage([] { (void)Rational(TwoTo64, BigInt(0)); }), "Division by zero.");
    // The parser's own message is unchanged.
    EXPECT_EQ(divisionMessage([] { (void)parseRational("1/0"); }), "Integer division by zero");
}

TEST(SmallRational, ComparesAcrossTheSmallAndTheBigForm) {
    const Rational max(Max), twoTo63(TwoTo63), minusTwoTo63(Min);
    EXPECT_LT(max, twoTo63);
    EXPECT_GT(twoTo63, max);
    EXPECT_LT(minusTwoTo63, -max);
    EXPECT_LT(minusTwoTo63, 0);
    EXPECT_GT(Rational(1, 3), Rational(BigInt(1), TwoTo64));
    EXPECT_LT(Rational(-1, 3), Rational(BigInt(-1), TwoTo64));
    EXPECT_NE(twoTo63, max);
    EXPECT_EQ(max + 1, twoTo63);
    EXPECT_TRUE(sameValue(max + 1 - 1, max));
    // Cross products near 2^126 must not overflow.
    EXPECT_GT(Rational(Max - 1, Max), Rational(Max - 2, Max - 1));
    EXPECT_LT(Rational(-(Max - 1), Max), Rational(-(Max - 2), Max - 1));
    EXPECT_LT(Rational(Max - 2, Max - 1), Rational(Max - 1, Max));
    EXPECT_EQ(Rational(2, 4) <=> Rational(1, 2), std::strong_ordering::equal);
    EXPECT_EQ(Rational(0).sign(), 0);
    EXPECT_EQ(Rational(-TwoTo64).sign(), -1);
    EXPECT_EQ(Rational(BigInt(1), TwoTo64).sign(), 1);
}

TEST(SmallRational, TextRoundTrips) {
    const std::vector<std::string> texts = {"0",
                                            "-1",
                                            "3/2",
                                            "-3/4",
                                            "9223372036854775807",
                                            "-9223372036854775807",
                                            "-9223372036854775808",
                                            "9223372036854775808/3",
                                            "1/9223372036854775807",
                                            "-1/9223372036854775808",
                                            "123456789012345678901234567891/2"};
    for (const std::string& text : texts) {
        const Rational value = parseRational(text);
        EXPECT_EQ(toText(value), text);
        EXPECT_EQ(value.str(), Big(value.toBig()).str()) << text;
    }
    EXPECT_EQ(toText(parseRational("-0/5")), "0");
    EXPECT_EQ(toText(parseRational("-18446744073709551616/18446744073709551614")), "-9223372036854775808/9223372036854775807");
}

TEST(SmallRational, WordsAreCountedAsGmpCountsThem) {
    EXPECT_EQ(wordsOf(Rational(0)), 2u);
    EXPECT_EQ(wordsOf(Rational(-Max, 3)), 2u);
    EXPECT_EQ(wordsOf(Rational(TwoTo63)), 2u);
    EXPECT_EQ(wordsOf(Rational(TwoTo64)), 3u);
    EXPECT_EQ(wordsOf(Rational(BigInt(1), TwoTo64)), 3u);
    EXPECT_EQ(wordsOf(Rational(TwoTo64, TwoTo64 + 1)), 4u);
}

TEST(SmallRational, EqualValuesHashAlike) {
    const std::hash<Rational> hash;
    EXPECT_EQ(hash(Rational(2, 4)), hash(Rational(1, 2)));
    EXPECT_EQ(hash(Rational(Max) + 1 - 1), hash(Rational(Max)));
    EXPECT_EQ(hash(Rational(TwoTo64) * 2), hash(Rational(2 * TwoTo64)));
}

// Random operands: small ones of every size, and ones just around and beyond the small range.
class Operands {
public:
    explicit Operands(unsigned seed) : engine_(seed) {}

    Rational next() {
        switch (pick(6)) {
            case 0: return Rational(signedPart(10), positivePart(12));
            case 1: return Rational(signedPart(std::int64_t(1) << 31), positivePart(std::int64_t(1) << 31));
            case 2: return Rational(signedPart(Max), positivePart(Max));
            case 3: return Rational(Max - pick(4), 1 + pick(3));
            case 4: return Rational(signedPart(Max)) * Rational(signedPart(Max)) / positivePart(1000);
            default: return Rational(signedPart(1000), positivePart(Max)) + Rational(1, positivePart(Max));
        }
    }

private:
    std::int64_t pick(std::int64_t n) { return std::uniform_int_distribution<std::int64_t>(0, n - 1)(engine_); }
    std::int64_t signedPart(std::int64_t bound) { return std::uniform_int_distribution<std::int64_t>(-bound, bound)(engine_); }
    std::int64_t positivePart(std::int64_t bound) { return std::uniform_int_distribution<std::int64_t>(1, bound)(engine_); }

    std::mt19937_64 engine_;
};

TEST(SmallRational, ArithmeticAgreesWithMpqOnRandomOperands) {
    Operands operands(19);
    for (int round = 0; round < 20000; ++round) {
        const Rational a = operands.next(), b = operands.next();
        const Big x = a.toBig(), y = b.toBig();
        SCOPED_TRACE(toText(a) + " and " + toText(b));
        expectCanonical(a + b, x + y);
        expectCanonical(a - b, x - y);
        expectCanonical(a * b, x * y);
        if (!b.is_zero()) expectCanonical(a / b, x / y);
        expectCanonical(-a, Big(-x));
        EXPECT_EQ(a < b, x < y);
        EXPECT_EQ(a == b, x == y);
        EXPECT_EQ(a.sign(), x.sign());
        Rational c = a;
        c += b;
        expectCanonical(c, x + y);
        c *= b;
        expectCanonical(c, (x + y) * y);
    }
}

TEST(SmallRational, ConversionsRoundAsMpqDoes) {
    Operands operands(23);
    for (int round = 0; round < 20000; ++round) {
        const Rational a = operands.next();
        const Big x = a.toBig();
        EXPECT_EQ(a.convert_to<double>(), x.convert_to<double>()) << a;
        EXPECT_EQ(a.convert_to<long double>(), x.convert_to<long double>()) << a;
        EXPECT_EQ(a.convert_to<Quad>(), x.convert_to<Quad>()) << a;
    }
    // Halfway cases of double: 2^53 + 1 and (2^54 + 2) / 2 lie between two doubles.
    const std::int64_t twoTo53 = std::int64_t(1) << 53;
    for (std::int64_t k = -4; k <= 4; ++k) {
        const Rational a(twoTo53 + k, 1), b(2 * (twoTo53 + k) + 1, 2), c(twoTo53 + k, 3);
        EXPECT_EQ(a.convert_to<double>(), a.toBig().convert_to<double>()) << a;
        EXPECT_EQ(b.convert_to<double>(), b.toBig().convert_to<double>()) << b;
        EXPECT_EQ(c.convert_to<double>(), c.toBig().convert_to<double>()) << c;
    }
    EXPECT_EQ(Rational(-7, 2).convert_to<int>(), -3);
}

}  // namespace

#else

TEST(SmallRational, NotTheBuildsNumberType) { GTEST_SKIP() << "DROVA_RATIONAL is not fast"; }

#endif
