// The measures where the dense solvers lost digits or memory: rare failures (the linear systems
// of the embedded chain badly conditioned), tiny probabilities (uniformization and the series
// at small t keep their relative accuracy), values at t = 0, and chains with many states.

#include "MeasuresTestSupport.hpp"

#include "measures/ExactKernel.hpp"
#include "measures/FailureProbability.hpp"
#include "measures/HighPrecision.hpp"
#include "measures/SparseElimination.hpp"
#include "measures/SteadyState.hpp"
#include "measures/TimeToFailure.hpp"
#include "measures/TransientProbabilities.hpp"
#include "measures/Uniformization.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace measures_test;
using drova::measures::HighPrecision;

double relative(double value, double truth) { return std::abs(value - truth) / std::abs(truth); }

// Up, Degraded, Down: Up -> Degraded at 2 lambda, Degraded -> Up at mu, Degraded -> Down at
// lambda (Down absorbing).
SemiMarkovModel twoUnitChain(const Rational& lambda, const Rational& mu) {
    std::vector<std::vector<Rational>> rates(3, std::vector<Rational>(3, Rational(0)));
    rates[0][1] = 2 * lambda;
    rates[1][0] = mu;
    rates[1][2] = lambda;
    return ctmc(rates, {{"Up", false}, {"Degraded", false}, {"Down", true}});
}

TEST(RareFailures, MeanTimeToFailureKeepsItsDigitsWhateverTheConditioning) {
    // MTTF = (3 lambda + mu) / (2 lambda^2): with lambda = 1e-10 and mu = 1, I - P is singular
    // to 10 digits, and a double LU would keep 6 of them.
    for (const Rational& lambda : {Rational(1, 1000), Rational(1, 10'000'000'000LL)}) {
        const auto result = drova::measures::timeToFailure(twoUnitChain(lambda, Rational(1)));
        const HighPrecision l(lambda);
        const double truth = ((3 * l + 1) / (2 * l * l)).convert_to<double>();
        EXPECT_LT(relative(result.mean, truth), 1e-14) << result.mean;
        EXPECT_EQ(result.neverFails, 0.0);
    }
}

TEST(RareFailures, ProbabilityOfNeverFailingIsSolvedForItself) {
    // From Degraded: fail at rate 1, or be repaired at rate lambda into a state that never
    // fails. Never failing has probability lambda / (1 + lambda), tiny: solved for by itself it
    // keeps its digits, where 1 minus the probability of failing would keep none.
    std::vector<std::vector<Rational>> rates(3, std::vector<Rational>(3, Rational(0)));
    const Rational lambda(1, 1'000'000'000'000LL);
    rates[0][1] = lambda;
    rates[0][2] = Rational(1);
    const SemiMarkovModel model = ctmc(rates, {{"Degraded", false}, {"Safe", false}, {"Down", true}});
    const auto result = drova::measures::timeToFailure(model);
    const HighPrecision l(lambda);
    EXPECT_LT(relative(result.neverFails, (l / (1 + l)).convert_to<double>()), 1e-15);
    EXPECT_TRUE(std::isinf(result.mean));
    // Given failure, the time to failure is the sojourn: 1 / (1 + lambda).
    EXPECT_LT(relative(result.meanGivenFailure, (1 / (1 + l)).convert_to<double>()), 1e-15);
}

TEST(RareFailures, SubstochasticEliminationAgreesWithA50DigitDenseSolve) {
    // A random sparse chain with exits: x = (I - P)^(-1) b against Eigen's LU in 50 digits.
    const std::size_t n = 40;
    drova::measures::SubstochasticSystem system(n);
    drova::measures::HighPrecisionMatrix dense = drova::measures::HighPrecisionMatrix::Identity(n, n);
    std::uint64_t seed = 12345;
    const auto next = [&] {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(seed >> 11) / 9007199254740992.0;
    };
    drova::measures::HighPrecisionVector b(n);
    std::vector<long double> column(n);
    for (std::size_t i = 0; i < n; ++i) {
        // Three successors (one of them possibly i itself) and, for some states, a small exit,
        // given as the exact complement of the row as the kernel gives it.
        const long double scale = i % 7 == 0 ? 1 - 1e-9L : 1;
        long double total = 0;
        const std::size_t successors[3] = {(i + 1) % n, (i * 7 + 3) % n, i};
        long double weights[3];
        for (long double& w : weights) total += (w = 0.1 + next());
        HighPrecision exit = 1;
        for (int k = 0; k < 3; ++k) {
            const long double p = weights[k] / total * scale;
            system.addTransition(i, successors[k], p);
            dense(i, successors[k]) -= HighPrecision(p);
            exit -= HighPrecision(p);
        }
        system.setExit(i, exit.convert_to<long double>());
        column[i] = next();
        b[i] = HighPrecision(column[i]);
    }
    const drova::measures::HighPrecisionVector expected = dense.fullPivLu().solve(b);
    const std::vector<long double> solved = system.solve({column})[0];
    for (std::size_t i = 0; i < n; ++i)
        EXPECT_LT(std::abs(static_cast<double>((HighPrecision(solved[i]) - expected[i]) / expected[i])), 1e-13) << i;
}

TEST(RareFailures, SteadyStateOfARarelyVisitedStateKeepsItsDigits) {
    // A birth-death chain 0..12 with up rate 1 and down rate 1e6: pi_k ~ 1e-6k, pi_12 ~ 1e-72.
    const std::size_t n = 13;
    std::vector<std::vector<Rational>> rates(n, std::vector<Rational>(n, Rational(0)));
    std::vector<NamedState> states;
    for (std::size_t k = 0; k < n; ++k) {
        if (k + 1 < n) rates[k][k + 1] = Rational(1);
        if (k > 0) rates[k][k - 1] = Rational(1'000'000);
        states.push_back({"S" + std::to_string(k), k == n - 1});
    }
    const auto steady = drova::measures::steadyState(ctmc(rates, states));
    // pi_k proportional to 1e-6k.
    HighPrecision total = 0;
    for (std::size_t k = 0; k < n; ++k) total += pow(HighPrecision(10), -6 * static_cast<int>(k));
    for (std::size_t k = 0; k < n; ++k) {
        const double truth = (pow(HighPrecision(10), -6 * static_cast<int>(k)) / total).convert_to<double>();
        EXPECT_LT(relative(steady.states[k], truth), 1e-14) << k;
    }
    EXPECT_LT(relative(steady.unavailability, steady.states[n - 1]), 1e-15);
}

TEST(SmallProbabilities, UniformizationKeepsRelativeAccuracyFromTinyToLongTimes) {
    // Two states, 0 -> 1 at rate 1 (absorbing): P_1(t) = 1 - e^(-t) at t from 1e-12 to 600,
    // where P_0 = e^(-t) is tiny in turn.
    drova::measures::MarkovChain chain;
    chain.incoming = {{}, {{0, 1.0}}};
    chain.exitRate = {1.0, 0.0};
    const std::vector<double> times{0, 1e-12, 1e-9, 1e-6, 1, 30, 600};
    const auto pi = drova::measures::uniformizedDistribution(chain, 0, times, {{0}, {1}});
    EXPECT_EQ(pi[0][0], 1.0);
    EXPECT_EQ(pi[0][1], 0.0);
    for (std::size_t k = 1; k < times.size(); ++k) {
        EXPECT_LT(relative(pi[k][1], -std::expm1(-times[k])), 1e-14) << times[k];
        EXPECT_LT(relative(pi[k][0], std::exp(-times[k])), 1e-12) << times[k];
    }
    // A time far beyond what the steps can reach is refused by name, before any weight is formed
    // (10^20 steps would need terabytes of them).
    try {
        drova::measures::uniformizedDistribution(chain, 0, {1, 1e20}, {{0}, {1}});
        ADD_FAILURE() << "no refusal";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Reaching t = 1e+20 takes about 1e+20 uniformization steps", 0), 0u)
            << e.what();
    }
}

TEST(SmallProbabilities, LostProbabilityNeverFailsAndNeverShows) {
    // Up loses half of its leaving probability: F = (1 - e^(-t)) / 2, R = 1 - F, A = e^(-t).
    SemiMarkovModel model;
    model.states = {{"Up", false}, {"Down", true}};
    model.gsmsStates = model.states;
    model.kernel.assign(2, std::vector<Expolynomial>(2));
    model.occupancy.assign(2, std::vector<Expolynomial>(2));
    model.kernel[0][1] = sum({term(Rational(1, 2), "t"), term(Rational(-1, 2), "t", -1)});
    model.occupancy[0][0] = sum({term(1, "t", -1)});
    const auto curve = drova::measures::failureProbability(model, {Rational(1, 1'000'000), Rational(3)});
    EXPECT_LT(relative(curve.failure[0], -std::expm1(-1e-6) / 2), 1e-14);
    EXPECT_LT(relative(curve.reliability[1], 1 + std::expm1(-3.0) / 2), 1e-14);
    const auto neverFailing = drova::measures::timeToFailure(model);
    EXPECT_DOUBLE_EQ(neverFailing.neverFails, 0.5);
}

TEST(AtTimeZero, TransitionsTakingNoTimeCountExactly) {
    // Up moves at once to Down with probability 1/3, else stays up for an Exp(1) time: F(0) is
    // exactly 1/3, and so is the unavailability at 0 when Down is left again at rate 1.
    SemiMarkovModel model;
    model.states = {{"Up", false}, {"Down", true}, {"Later", false}};
    model.gsmsStates = model.states;
    model.kernel.assign(3, std::vector<Expolynomial>(3));
    model.occupancy.assign(3, std::vector<Expolynomial>(3));
    model.kernel[0][1] = sum({term(Rational(1, 3), "t")});
    model.kernel[0][2] = sum({term(Rational(2, 3), "t"), term(Rational(-2, 3), "t", -1)});
    model.occupancy[0][0] = sum({term(Rational(2, 3), "t", -1)});
    model.kernel[2][1] = sum({term(1, "t"), term(-1, "t", -1)});
    model.occupancy[2][2] = sum({term(1, "t", -1)});
    const auto curve = drova::measures::failureProbability(model, {Rational(0)});
    EXPECT_EQ(curve.failure[0], 1.0 / 3);
    EXPECT_EQ(curve.reliability[0], 2.0 / 3);
    model.kernel[1][0] = sum({term(1, "t"), term(-1, "t", -1)});
    model.occupancy[1][1] = sum({term(1, "t", -1)});
    const auto transient = drova::measures::transientProbabilities(model, {Rational(0)});
    EXPECT_EQ(transient.unavailability[0], 1.0 / 3);
    EXPECT_EQ(transient.availability[0], 2.0 / 3);
}

// Twelve exponential stages of close rates (0.089 to 0.1) in a row: the law's expression is a sum
// of terms of about 1e16 that cancel to about 1e-6 by t = 24. A process starting in Start enters
// End at the end of the stages if they end before 24, else Back at 24. Past 24 only the cells
// solve it, and they must keep the digits of the small probability of End.
TEST(SmallProbabilities, CancellingTermsOfCloseRatesKeepTheirDigits) {
    std::vector<Rational> rates;
    for (int k = 0; k < 12; ++k) rates.emplace_back(100 - k, 1000);
    // 1 - F(t) = sum over i of c_i e^(-rate_i t), c_i = prod over j != i of rate_j / (rate_j - rate_i).
    std::vector<Rational> c;
    for (std::size_t i = 0; i < rates.size(); ++i) {
        Rational product = 1;
        for (std::size_t j = 0; j < rates.size(); ++j)
            if (j != i) product *= rates[j] / (rates[j] - rates[i]);
        c.push_back(product);
    }
    const Rational end(24);
    std::vector<Term> toEnd, toBack, stays;
    // F(t) - (F(t) - F(24)) H(t - 24), and the same of 1 - F: each piece meets the next at 24.
    toEnd.push_back(term(1, "t"));
    for (std::size_t i = 0; i < rates.size(); ++i) {
        toEnd.push_back(term(-c[i], "t", -rates[i]));
        toEnd.push_back(term(c[i], "t", -rates[i], 0, {step("t", 1, -end)}));
        toEnd.push_back(Term(-c[i], -rates[i] * end, {}, {}, {step("t", 1, -end)}));
        toBack.push_back(Term(c[i], -rates[i] * end, {}, {}, {step("t", 1, -end)}));
        stays.push_back(term(c[i], "t", -rates[i]));
        stays.push_back(term(-c[i], "t", -rates[i], 0, {step("t", 1, -end)}));
    }
    SemiMarkovModel model;
    model.states = {{"Start", false}, {"End", false}, {"Back", false}};
    model.gsmsStates = model.states;
    model.kernel.assign(3, std::vector<Expolynomial>(3, zero()));
    model.occupancy.assign(3, std::vector<Expolynomial>(3, zero()));
    model.kernel[0][1] = sum(toEnd);
    model.kernel[0][2] = sum(toBack);
    model.occupancy[0][0] = sum(stays);
    model.occupancy[1][1] = model.occupancy[2][2] = sum({term(1, "t")});

    const auto survives = [&](double t) {
        HighPrecision value = 0;
        for (std::size_t i = 0; i < rates.size(); ++i)
            value += HighPrecision(c[i]) * exp(-HighPrecision(rates[i]) * HighPrecision(std::min(t, 24.0)));
        return value;
    };
    const std::vector<double> times{20, 24.5, 30, 60};
    std::vector<Rational> exactTimes;
    for (double t : times) exactTimes.push_back(Rational(static_cast<long long>(2 * t), 2));
    for (const auto form : {drova::measures::RenewalForm::Backward, drova::measures::RenewalForm::Forward}) {
        const auto transient = drova::measures::transientProbabilities(model, drova::measures::ExactKernel(model),
                                                                       exactTimes, form);
        for (std::size_t k = 0; k < times.size(); ++k) {
            const double ended = (1 - survives(times[k])).convert_to<double>();
            ASSERT_GT(ended, 1e-7);
            ASSERT_LT(ended, 1e-4);
            EXPECT_LT(relative(transient.states[1][k], ended), 1e-9) << "t = " << times[k];
            EXPECT_NEAR(transient.states[0][k] + transient.states[1][k] + transient.states[2][k], 1, 1e-14);
        }
    }
}

}  // namespace
