// The reliability measures of nets with many states and of failures with tiny probabilities:
// the accuracy asked of small F (closed forms), birth-death chains against a plain
// uniformization written here, and the mean time to failure and the steady state against the
// dense 50-digit solve that the measures used before they went sparse.

#include "formats/ModelFile.hpp"
#include "measures/ExactKernel.hpp"
#include "measures/FirstPassage.hpp"
#include "measures/HighPrecision.hpp"
#include "modules/rel/GsmsMeasures.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include "UnitModels.hpp"

#include <fstream>
#include <map>
#include <sstream>

using namespace drova;
using drova::measures::HighPrecision;

using namespace drova::test;

namespace {

double relative(double value, double truth) { return std::abs(value - truth) / std::abs(truth); }

TEST(SmallFailureProbabilities, KeepTheirRelativeAccuracy) {
    // One unit failing at rate 1: F = 1 - e^(-t).
    const Gsms unit = netOf(unitsNet(1, "1", "Deg(1)"));
    // A cold standby pair: the spare takes over at once, repair Det(1); before any repair
    // ends F = 1 - e^(-t) (1 + t).
    const Gsms standby = netOf(
        "name = \"standby\"\n[places]\nup = 1\nstandby = 1\nbroken = 0\n"
        "[transitions.fail]\ndistribution = \"Exp(1)\"\ninputs = { up = 1 }\noutputs = { broken = 1 }\n"
        "[transitions.switch]\ndistribution = \"Imm\"\ninputs = { standby = 1 }\ninhibitors = { up = 1 }\n"
        "outputs = { up = 1 }\n[transitions.repair]\ndistribution = \"Deg(1)\"\ninputs = { broken = 1 }\n"
        "outputs = { standby = 1 }\n[measures]\ndown = \"up == 0\"\n");
    const std::vector<Rational> small{Rational(1, 1'000'000'000'000LL), Rational(1, 1'000'000'000), Rational(1, 1'000'000)};
    const rel::GsmsReliability u = rel::reliabilityOf(unit, small);
    const rel::GsmsReliability s = rel::reliabilityOf(standby, small);
    for (std::size_t k = 0; k < small.size(); ++k) {
        const HighPrecision t(small[k]);
        EXPECT_LT(relative(u.failure[k], (1 - exp(-t)).convert_to<double>()), 1e-10) << k;
        EXPECT_LT(relative(s.failure[k], (1 - exp(-t) * (1 + t)).convert_to<double>()), 1e-10) << k;
    }

    // n units failing at 1/1000 each, repair Deg(24): F = (1 - e^(-t/1000))^n up to t = 24.
    for (int n : {8, 12, 16}) {
        const std::vector<Rational> times{Rational(1), Rational(12), Rational(24)};
        const rel::GsmsReliability r = rel::reliabilityOf(netOf(unitsNet(n, "1/1000", "Deg(24)")), times);
        for (std::size_t k = 0; k < times.size(); ++k) {
            const double truth = pow(1 - exp(-HighPrecision(times[k]) / 1000), n).convert_to<double>();
            EXPECT_LT(relative(r.failure[k], truth), 1e-10) << n << " units at " << toText(times[k]);
            EXPECT_NEAR(r.reliability[k], 1 - truth, 1e-16);
        }
    }

    // After the first repair can have ended: 16 units at t = 30 and 40, from the renewal
    // structure (a repair started at 0 ends at 24 with j of the others failed, each with
    // probability 1 - e^(-0.024)) integrated in 30 digits with mpmath.
    const rel::GsmsReliability later =
        rel::reliabilityOf(netOf(unitsNet(16, "1/1000", "Deg(24)")), {Rational(30), Rational(40)});
    EXPECT_LT(relative(later.failure[0], 4.90365883837151142833540164055e-26), 1e-10);
    EXPECT_LT(relative(later.failure[1], 5.26625561454940464988970864206e-25), 1e-10);
    // 8 units at t = 50, past two repairs (the cell solver with long double forcings gave
    // 1.47604833e-12).
    const rel::GsmsReliability eight = rel::reliabilityOf(netOf(unitsNet(8, "1/1000", "Deg(24)")), {Rational(50)});
    EXPECT_LT(relative(eight.failure[0], 1.476048164410778401e-12), 1e-10);
}

// A plain uniformization of the birth-death chain of `unitsNet` with exponential repair: up
// units k = n .. 0, k -> k - 1 at k lambda, k -> k + 1 at mu (not out of 0 when it absorbs).
// result[k][up] = P(up units at times[k]).
std::vector<std::vector<double>> birthDeath(int n, double lambda, double mu, bool downAbsorbs,
                                            const std::vector<double>& times) {
    const double rate = n * lambda + mu;
    std::vector<std::vector<double>> result;
    for (double t : times) {
        std::vector<long double> v(n + 1, 0.0L), next(n + 1), sum(n + 1, 0.0L);
        v[n] = 1;
        const long double a = rate * t;
        long double weight = std::exp(-a);  // e^(-a) a^k / k!
        const int last = static_cast<int>(a + 40 * std::sqrt(a) + 60);
        for (int step = 0; step <= last; ++step) {
            for (int k = 0; k <= n; ++k) sum[k] += weight * v[k];
            for (int k = 0; k <= n; ++k) {
                const long double down = k * lambda, up = (k < n && (k > 0 || !downAbsorbs)) ? mu : 0.0;
                long double stay = v[k] * (1 - (down + up) / rate);
                if (k + 1 <= n) stay += v[k + 1] * (k + 1) * lambda / rate;
                if (k >= 1 && (k - 1 > 0 || !downAbsorbs)) stay += v[k - 1] * mu / rate;
                next[k] = stay;
            }
            v.swap(next);
            weight *= a / (step + 1);
        }
        result.emplace_back(sum.begin(), sum.end());
    }
    return result;
}

// The GSMS index of the marking with k of n units up.
std::map<int, std::uint64_t> markings(const Gsms& model, int n) {
    std::map<int, std::uint64_t> index;
    for (std::uint64_t s = 0; s < model.stateCount(); ++s) {
        const std::string& name = model.state(s).name;
        const int up = name.rfind("up", 0) == 0 ? std::stoi(name.substr(2)) : 0;
        index[up] = s;
    }
    EXPECT_EQ(index.size(), static_cast<std::size_t>(n + 1));
    return index;
}

TEST(BirthDeath, AgreesWithAPlainUniformization) {
    const int n = 30;
    const Gsms model = netOf(unitsNet(n, "1/10", "Exp(1)"));
    const std::vector<double> at{0.5, 5, 40};
    const std::vector<Rational> times{Rational(1, 2), Rational(5), Rational(40)};
    const auto absorbing = birthDeath(n, 0.1, 1, true, at);
    const rel::GsmsReliability r = rel::reliabilityOf(model, times);
    for (std::size_t k = 0; k < at.size(); ++k) {
        EXPECT_LT(relative(r.failure[k], absorbing[k][0]), 1e-10) << at[k];
        EXPECT_LT(relative(r.reliability[k], 1 - absorbing[k][0]), 1e-10) << at[k];
    }
    const auto repaired = birthDeath(n, 0.1, 1, false, at);
    const rel::GsmsAvailability a = rel::availabilityOf(model, times);
    const std::map<int, std::uint64_t> index = markings(model, n);
    for (std::size_t k = 0; k < at.size(); ++k) {
        for (const auto& [up, s] : index)
            if (repaired[k][up] > 1e-250)
                EXPECT_LT(relative(a.states[s][k], repaired[k][up]), 1e-10) << up << " up at " << at[k];
    }
}

TEST(BirthDeath, AThousandStatesNeedNoDenseKernel) {
    // 1001 states: a dense kernel of 1002001 entries was refused before.
    const int n = 1000;
    const Gsms model = netOf(unitsNet(n, "1/1000", "Exp(1/24)"));
    const std::vector<double> at{20};
    const rel::GsmsReliability r = rel::reliabilityOf(model, {Rational(20)});
    EXPECT_EQ(r.failure[0], 0.0);  // a thousand failures by t = 20: far below 1e-308
    EXPECT_GT(r.mttf, 3e19);
    const rel::GsmsAvailability a = rel::availabilityOf(model, {Rational(20)});
    const auto plain = birthDeath(n, 0.001, 1.0 / 24, false, at);
    const std::map<int, std::uint64_t> index = markings(model, n);
    for (int up : {1000, 990, 980, 950})
        EXPECT_LT(relative(a.states[index.at(up)][0], plain[0][up]), 1e-10) << up;
}

// The mean time to failure and the long-run availability as the measures computed them before
// they went sparse: the embedded chain's systems solved densely in 50 digits.
struct DenseResults {
    double mttf;
    double availability;
};

HighPrecision meanTimeToFailure(const measures::SemiMarkovModel& model) {
    const measures::ExactKernel kernel(model);
    const measures::FirstPassage passage = measures::analyseFirstPassage(model, kernel, model.initialState);
    std::vector<std::size_t> sure;
    for (std::size_t i = 0; i < kernel.size(); ++i)
        if (passage.sureToFail[i]) sure.push_back(i);
    const Eigen::Index size = static_cast<Eigen::Index>(sure.size());
    measures::HighPrecisionMatrix system = measures::HighPrecisionMatrix::Identity(size, size);
    measures::HighPrecisionVector tau = measures::HighPrecisionVector::Zero(size);
    for (Eigen::Index r = 0; r < size; ++r) {
        for (Eigen::Index c = 0; c < size; ++c) system(r, c) -= kernel.embedded(sure[r], sure[c]).approximate();
        for (std::size_t j : kernel.successors()[sure[r]]) tau[r] += kernel.partialMean(sure[r], j).approximate();
    }
    const measures::HighPrecisionVector m = system.fullPivLu().solve(tau);
    return m[std::find(sure.begin(), sure.end(), model.initialState) - sure.begin()];
}

HighPrecision longRunAvailability(const measures::SemiMarkovModel& model) {
    const measures::ExactKernel kernel(model);
    const std::vector<bool> reachable = measures::reachableFrom(kernel.successors(), model.initialState);
    const std::vector<std::size_t> closed = measures::closedClasses(kernel.successors(), reachable).front();
    const Eigen::Index size = static_cast<Eigen::Index>(closed.size());
    measures::HighPrecisionMatrix system(size, size);
    for (Eigen::Index r = 0; r < size; ++r)
        for (Eigen::Index c = 0; c < size; ++c)
            system(r, c) = HighPrecision(r == c ? 1 : 0) - kernel.embedded(closed[c], closed[r]).approximate();
    system.row(size - 1).setOnes();
    measures::HighPrecisionVector rhs = measures::HighPrecisionVector::Zero(size);
    rhs[size - 1] = 1;
    const measures::HighPrecisionVector nu = system.fullPivLu().solve(rhs);
    HighPrecision up = 0, cycle = 0;
    for (Eigen::Index r = 0; r < size; ++r) {
        const std::size_t i = closed[r];
        for (std::size_t j : kernel.successors()[i]) cycle += nu[r] * kernel.partialMean(i, j).approximate();
        for (const auto& [s, occupancy] : model.occupancy[i].entries()) {
            if (model.gsmsStates[s].down || occupancy.isZero()) continue;
            const auto f = measures::PiecewiseExpolynomial::fromExpolynomial(occupancy, "occupancy");
            up += nu[r] * f.integralToInfinity()->approximate();
        }
    }
    return up / cycle;
}

TEST(ClosedForms, AgreeWithTheDense50DigitSolve) {
    const std::string examples = std::string(DROVA_SOURCE_DIR) + "/examples/";
    for (const char* name : {"redundant.gsms", "machine.gsms", "maintenance.gsms", "pumps.toml", "assembly.toml"}) {
        SCOPED_TRACE(name);
        const Gsms model = fileOf(examples + name);
        const measures::SemiMarkovModel failing = rel::processOf(model, true).model;
        const double mttf = rel::reliabilityOf(model, {}).mttf;
        if (std::isfinite(mttf)) EXPECT_LT(relative(mttf, meanTimeToFailure(failing).convert_to<double>()), 1e-11);
        const measures::SemiMarkovModel repaired = rel::processOf(model, false).model;
        double steady = 0;
        try {
            steady = rel::availabilityOf(model, {}).steadyAvailability;
        } catch (const std::invalid_argument&) {
            continue;  // no steady state (the failures are not repaired)
        }
        EXPECT_LT(relative(steady, longRunAvailability(repaired).convert_to<double>()), 1e-11);
    }
    const Gsms units = netOf(unitsNet(6, "1/1000", "Deg(24)"));
    EXPECT_LT(relative(rel::reliabilityOf(units, {}).mttf,
                       meanTimeToFailure(rel::processOf(units, true).model).convert_to<double>()),
              1e-11);
}

TEST(ClosedForms, ExamplesGiveTheValuesOfTheDenseSolvers) {
    // Printed (17 digits) by the measures before they went sparse.
    const std::string examples = std::string(DROVA_SOURCE_DIR) + "/examples/";
    const rel::GsmsReliability maintenance =
        rel::reliabilityOf(fileOf(examples + "maintenance.gsms"), {Rational(50), Rational(150), Rational(500)});
    EXPECT_LT(relative(maintenance.mttf, 350.65467305019399), 1e-11);
    EXPECT_LT(relative(maintenance.failure[0], 0.095162581964040441), 1e-11);
    EXPECT_LT(relative(maintenance.failure[1], 0.33059086850929231), 1e-11);
    EXPECT_LT(relative(maintenance.failure[2], 0.75474073315872714), 1e-11);
    const rel::GsmsReliability pumps = rel::reliabilityOf(fileOf(examples + "pumps.toml"), {Rational(1000), Rational(8760)});
    EXPECT_LT(relative(pumps.mttf, 15224.888786494506), 1e-11);
    EXPECT_LT(relative(pumps.failure[0], 0.062288772945109767), 1e-11);
    EXPECT_LT(relative(pumps.failure[1], 0.43715525506164704), 1e-11);
    const rel::GsmsAvailability kept =
        rel::availabilityOf(fileOf(examples + "maintenance.gsms"), {Rational(50), Rational(150)});
    EXPECT_LT(relative(kept.availability[0], 0.9881422924901185), 1e-11);
    EXPECT_LT(relative(kept.availability[1], 0.9872213499004582), 1e-11);
    const rel::GsmsAvailability redundant =
        rel::availabilityOf(fileOf(examples + "redundant.gsms"), {Rational(10), Rational(1000)});
    EXPECT_LT(relative(redundant.availability[0], 0.9999009941915808), 1e-11);
    EXPECT_LT(relative(redundant.availability[1], 0.9994421287826472), 1e-11);
}

}  // namespace
