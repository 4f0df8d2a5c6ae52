// The failure probability F(t) and reliability R(t): against the matrix exponential for Markov
// kernels, a closed form around the jumps of a non-Markovian one, and an exact series.

#include "CheckedMachine.hpp"
#include "MeasuresTestSupport.hpp"
#include "NeumannSeries.hpp"

#include "measures/FailureProbability.hpp"

#include <gtest/gtest.h>
#include <unsupported/Eigen/MatrixFunctions>

namespace {

using namespace measures_test;
using drova::measures::failureProbability;
using LongMatrix = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic>;

// |actual - expected| <= 1e-10 |expected|.
void expectRelativelyClose(double actual, double expected, double tolerance = 1e-10) {
    EXPECT_NEAR(actual, expected, tolerance * std::abs(expected)) << "expected " << expected;
}

LongMatrix generator(const std::vector<std::vector<Rational>>& rates) {
    const Eigen::Index n = static_cast<Eigen::Index>(rates.size());
    LongMatrix q = LongMatrix::Zero(n, n);
    for (Eigen::Index i = 0; i < n; ++i)
        for (Eigen::Index j = 0; j < n; ++j)
            if (i != j) {
                q(i, j) = rates[i][j].convert_to<long double>();
                q(i, i) -= q(i, j);
            }
    return q;
}

TEST(FailureProbability, MarkovKernelMatchesTheMatrixExponential) {
    // Rates 1 to 100 over times 1/200 to 40: F runs from 1e-4 to 1 and R down to 6e-12.
    const std::vector<std::vector<Rational>> rates = {{0, 100, 0, 0}, {50, 0, 1, 0}, {3, 0, 0, 100}, {0, 0, 0, 0}};
    const SemiMarkovModel model = ctmc(rates, {{"A", false}, {"B", false}, {"C", false}, {"Down", true}});
    const std::vector<Rational> times = {Rational(1, 200), Rational(1, 10), Rational(1), Rational(10), Rational(40)};
    const auto curve = failureProbability(model, times);
    const LongMatrix q = generator(rates);
    for (std::size_t k = 0; k < times.size(); ++k) {
        SCOPED_TRACE("t = " + toText(times[k]));
        const LongMatrix transition = (q * times[k].convert_to<long double>()).exp();
        expectRelativelyClose(curve.failure[k], static_cast<double>(transition(0, 3)));
        // The survival probability from the transient part of the exponential (not 1 - F).
        const long double survival = transition(0, 0) + transition(0, 1) + transition(0, 2);
        if (survival > 1e-15) expectRelativelyClose(curve.reliability[k], static_cast<double>(survival), 1e-9);
    }
    // t = 40: R ~ 6e-12, far below what 1 - F could resolve; the reference is the same exponential
    // taken in 50-digit arithmetic.
    expectRelativelyClose(curve.reliability[4], 6.156784887766462284609967e-12);
}

TEST(FailureProbability, IsExactlyZeroBeforeTheFirstPossibleFailureAndFollowsEveryJump) {
    const CheckedMachine machine = checkedMachine();
    std::vector<Rational> times = {0, Rational(1), Rational(3) - Rational(1, 1000000000000), 3};
    // At, just before and just after every check.
    for (int check = 5; check <= 11; check += 2)
        for (const Rational& offset : {Rational(-1, 1000000000), Rational(0), Rational(1, 1000000000)})
            times.push_back(Rational(check) + offset);
    times.push_back(Rational(40));
    const auto curve = failureProbability(machine.model, times);
    EXPECT_EQ(curve.earliestFailure, Rational(3));
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(curve.failure[k], 0.0);
        EXPECT_EQ(curve.reliability[k], 1.0);
    }
    for (std::size_t k = 3; k < times.size(); ++k) {
        SCOPED_TRACE("t = " + toText(times[k]));
        const double expected = checkedMachineFailure(times[k]);
        EXPECT_NEAR(curve.failure[k], expected, 1e-10 * expected + 1e-15);
        EXPECT_NEAR(curve.failure[k] + curve.reliability[k], 1.0, 1e-13);
    }
    // The jump at the first check is the probability e^(-1)/2 of a defect found there.
    EXPECT_NEAR(curve.failure[5] - curve.failure[4], std::exp(-1.0) / 2, 1e-9);
}

TEST(FailureProbability, TwoUnitSystemMatchesTheExactSeriesForDeterministicAndUniformRepair) {
    // Every cycle BothUp -> OneUp -> BothUp takes at least the shortest repair, so on a bounded
    // horizon the series of convolutions has few terms: the exact reference from the algebra.
    const Rational lambda(1, 100);
    struct Case {
        const char* name;
        RepairTime repair;
        Rational horizon;
        std::vector<Rational> times;
    } cases[] = {
        {"Deg(24)", deterministicRepair(24), 100,
         {Rational(1, 10), 10, 24, 30, 48, Rational(48) + Rational(1, 1000000), 72, 100}},
        {"Uni(12, 36)", uniformRepair(12, 36), 50, {Rational(1, 10), 12, 20, 24, 36, 48, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SemiMarkovModel model = twoUnitSystem(lambda, c.repair);
        std::vector<std::vector<KernelMeasure>> kernel(2, std::vector<KernelMeasure>(2));
        kernel[0][1].density = sum({term(2 * lambda, "u", -2 * lambda)});
        if (c.repair.delay)
            kernel[1][0].masses = {{*c.repair.delay, Term(Rational(1), -lambda * *c.repair.delay, {}, {}, {})}};
        else
            kernel[1][0].density = multiply(*c.repair.density, sum({term(1, "u", -lambda)}));
        const std::vector<Expolynomial> series = neumannSeries(kernel, {zero(), model.kernel[1][2]}, c.horizon);

        const auto fromBothUp = failureProbability(model, c.times);
        const auto fromOneUp = failureProbability(model, c.times, 1);
        for (std::size_t k = 0; k < c.times.size(); ++k) {
            SCOPED_TRACE("t = " + toText(c.times[k]));
            expectRelativelyClose(fromBothUp.failure[k], valueAt(series[0], c.times[k]));
            expectRelativelyClose(fromOneUp.failure[k], valueAt(series[1], c.times[k]));
        }
    }
}

}  // namespace
