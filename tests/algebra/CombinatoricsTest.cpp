#include "Failure.hpp"
#include "AlgebraTestSupport.hpp"

#include "algebra/Combinatorics.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace drova;

namespace {


TEST(Combinatorics, BinomialValuesAndArgumentCheck) {
    EXPECT_EQ(binomial(0, 0), 1);
    EXPECT_EQ(binomial(5, 2), 10);
    EXPECT_EQ(binomial(5, 3), 10);
    EXPECT_EQ(binomial(5, 5), 1);
    EXPECT_EQ(binomial(10, 4), 210);
    EXPECT_EQ(failure<std::invalid_argument>([] { binomial(3, 4); }), "Parameter k must not be greater than n");
    // A failed call leaves the table usable.
    EXPECT_EQ(binomial(4, 2), 6);
}

TEST(Combinatorics, BinomialIsExactBeyond32Bits) {
    EXPECT_EQ(binomial(33, 16), 1166803110);  // the largest middle value inside 32 bits
    EXPECT_EQ(binomial(34, 17), BigInt("2333606220"));
    EXPECT_EQ(binomial(100, 50), BigInt("100891344545564193334812497256"));
    EXPECT_EQ(binomial(100, 1), 100);
}

TEST(Combinatorics, MultinomialChecksInOrder) {
    EXPECT_EQ(failure<std::invalid_argument>([] { multinomial(3, {3}); }), "The size of ks must be at least 2");
    EXPECT_EQ(failure<std::invalid_argument>([] { multinomial(3, {}); }), "The size of ks must be at least 2");
    EXPECT_EQ(failure<std::invalid_argument>([] { multinomial(5, {1}); }), "The size of ks must be at least 2");
    EXPECT_EQ(failure<std::invalid_argument>([] { multinomial(3, {1, 1}); }), "The Sum of ks must be equal to n");
    // Parts that would wrap around 32 bits to n still do not add up to n.
    EXPECT_EQ(failure<std::invalid_argument>([] { multinomial(1, {4294967295u, 2u}); }), "The Sum of ks must be equal to n");
    EXPECT_EQ(multinomial(4, {2, 1, 1}), 12);
    EXPECT_EQ(multinomial(3, {0, 3}), 1);
    EXPECT_EQ(multinomial(40, {10, 10, 10, 10}), BigInt("4705360871073570227520"));
}

TEST(Combinatorics, CompositionsSpecialCasesAndCheck) {
    EXPECT_EQ(compositions(3, 1), (std::vector<Composition>{{1, {3}}}));
    EXPECT_EQ(compositions(0, 3), (std::vector<Composition>{{1, {0, 0, 0}}}));
    EXPECT_EQ(compositions(0, 1), (std::vector<Composition>{{1, {0}}}));
    EXPECT_EQ(failure<std::invalid_argument>([] { compositions(1, 0); }), "Parameter m must be positive");
    EXPECT_EQ(failure<std::invalid_argument>([] { compositions(0, 0); }), "Parameter m must be positive");
}

TEST(Combinatorics, CompositionsInDepthFirstOrder) {
    EXPECT_EQ(compositions(2, 2), (std::vector<Composition>{{1, {2, 0}}, {2, {1, 1}}, {1, {0, 2}}}));
    EXPECT_EQ(compositions(2, 3), (std::vector<Composition>{{1, {2, 0, 0}},
                                                            {2, {1, 1, 0}},
                                                            {2, {1, 0, 1}},
                                                            {1, {0, 2, 0}},
                                                            {2, {0, 1, 1}},
                                                            {1, {0, 0, 2}}}));
    EXPECT_EQ(compositions(1, 4), (std::vector<Composition>{{1, {1, 0, 0, 0}},
                                                            {1, {0, 1, 0, 0}},
                                                            {1, {0, 0, 1, 0}},
                                                            {1, {0, 0, 0, 1}}}));
}

// Every composition appears once, and the coefficients add up to m^n (the multinomial theorem
// at 1 + 1 + ... + 1).
TEST(Combinatorics, CompositionsCoverEverythingOnce) {
    for (unsigned n = 1; n <= 7; ++n) {
        for (unsigned m = 2; m <= 5; ++m) {
            const auto all = compositions(n, m);
            EXPECT_EQ(all.size(), binomial(n + m - 1, m - 1)) << n << "," << m;
            BigInt total = 0;
            for (std::size_t i = 0; i < all.size(); ++i) {
                unsigned sum = 0;
                for (unsigned part : all[i].parts) sum += part;
                EXPECT_EQ(sum, n);
                EXPECT_EQ(all[i].parts.size(), m);
                if (i > 0) {
                    EXPECT_GT(all[i - 1].parts, all[i].parts);  // strictly decreasing
                }
                total += all[i].coefficient;
            }
            EXPECT_EQ(total, pow(BigInt(m), n)) << n << "," << m;
        }
    }
}

}  // namespace
