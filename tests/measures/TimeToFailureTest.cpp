// The mean time to failure and the probability of never failing, against closed forms.

#include "CheckedMachine.hpp"
#include "MeasuresTestSupport.hpp"

#include "measures/HighPrecision.hpp"
#include "measures/TimeToFailure.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace measures_test;
using drova::measures::HighPrecision;
using drova::measures::timeToFailure;

const Rational Lambda(1, 1000);

// (3 - 2g) / (2 lambda (1 - g)) for the two-unit system, in 50 digits.
double textbookMeanTimeToFailure(const HighPrecision& g) {
    const HighPrecision lambda = HighPrecision(1) / 1000;
    return ((3 - 2 * g) / (2 * lambda * (1 - g))).convert_to<double>();
}

TEST(TimeToFailure, TwoUnitSystemMatchesTheTextbookFormulaForEveryRepairKind) {
    const HighPrecision lambda = HighPrecision(1) / 1000;
    struct Case {
        const char* name;
        RepairTime repair;
        HighPrecision g;  // E[e^(-lambda G)]
    } cases[] = {
        {"Deg(24)", deterministicRepair(24), exp(-24 * lambda)},
        {"Uni(12, 36)", uniformRepair(12, 36), (exp(-12 * lambda) - exp(-36 * lambda)) / (24 * lambda)},
        {"Exp(1/24)", exponentialRepair(Rational(1, 24)),
         (HighPrecision(1) / 24) / (HighPrecision(1) / 24 + lambda)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = timeToFailure(twoUnitSystem(Lambda, c.repair));
        const double expected = textbookMeanTimeToFailure(c.g);
        EXPECT_NEAR(result.mean, expected, 1e-12 * expected);
        EXPECT_EQ(result.neverFails, 0.0);
        EXPECT_NEAR(result.meanGivenFailure, expected, 1e-12 * expected);
    }
    // From the state with one unit under repair: m1 = m0 - 1 / (2 lambda).
    const auto fromOneUp = timeToFailure(twoUnitSystem(Lambda, deterministicRepair(24)), 1);
    const double m0 = textbookMeanTimeToFailure(exp(-24 * lambda));
    EXPECT_NEAR(fromOneUp.mean, m0 - 500, 1e-12 * m0);
}

TEST(TimeToFailure, CheckedMachineMeanAddsTheWarmupToTheRenewalMean) {
    // Each run lasts min(Exp(1/2), 2) and fails with probability 1 - c, c = e^(-1)/2, so
    // E[T] = 3 + E[run] / (1 - c) with E[run] = 2 (1 - e^(-1)).
    const HighPrecision c = exp(HighPrecision(-1)) / 2;
    const double expected = (3 + 2 * (1 - exp(HighPrecision(-1))) / (1 - c)).convert_to<double>();
    EXPECT_NEAR(timeToFailure(checkedMachine().model).mean, expected, 1e-13 * expected);
}

TEST(TimeToFailure, ProbabilityThatEscapesFailureMakesTheMeanInfinite) {
    // Up fails at rate 1 with probability 1/4 and otherwise retires into a state never left; a
    // second model loses its probability instead of retiring.
    SemiMarkovModel retiring;
    retiring.states = {{"Up", false}, {"Down", true}, {"Retired", false}};
    retiring.kernel.assign(3, std::vector<Expolynomial>(3, zero()));
    retiring.kernel[0][1] = sum({term(Rational(1, 4), "t"), term(Rational(-1, 4), "t", -1)});
    retiring.kernel[0][2] = sum({term(Rational(3, 4), "t"), term(Rational(-3, 4), "t", -1)});
    SemiMarkovModel losing = retiring;
    losing.kernel[0][2] = zero();

    for (const SemiMarkovModel* model : {&retiring, &losing}) {
        const auto result = timeToFailure(*model);
        EXPECT_EQ(result.mean, std::numeric_limits<double>::infinity());
        EXPECT_NEAR(result.neverFails, 0.75, 1e-15);
        EXPECT_NEAR(result.meanGivenFailure, 1.0, 1e-15);
    }
}

TEST(TimeToFailure, StartingInADownStateFailsAtOnce) {
    const auto result = timeToFailure(checkedMachine().model, 2);
    EXPECT_EQ(result.mean, 0.0);
    EXPECT_EQ(result.neverFails, 0.0);
}

}  // namespace
