// The state probabilities of models that are not all exponential, solved from the starting state
// by the forward renewal equations, against the backward equations (one unknown per state and
// model state: the earlier method) and against closed forms where no repair can have ended; and
// the solvers' interrupt flag and progress reports.

#include "formats/ModelFile.hpp"
#include "measures/ExactKernel.hpp"
#include "measures/SolveControl.hpp"
#include "measures/TransientProbabilities.hpp"
#include "measures/HighPrecision.hpp"
#include "modules/rel/GsmsMeasures.hpp"

#include <gtest/gtest.h>

#include "UnitModels.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

using namespace drova;
using drova::measures::HighPrecision;
using drova::measures::RenewalForm;

using namespace drova::test;

namespace {

std::string ringNet(int n) {
    std::string text = "name = \"ring\"\n[places]\n";
    for (int k = 0; k < n; ++k) text += "p" + std::to_string(k) + " = " + (k == 0 ? "1" : "0") + "\n";
    const char* laws[] = {"Uni(1, 2)", "Deg(1)", "Exp(1)"};
    for (int k = 0; k < n; ++k)
        text += "[transitions.t" + std::to_string(k) + "]\ndistribution = \"" + laws[k % 3] + "\"\ninputs = { p" +
                std::to_string(k) + " = 1 }\noutputs = { p" + std::to_string((k + 1) % n) + " = 1 }\n";
    return text + "[measures]\ndown = \"p0 == 1\"\n";
}

measures::TransientProbabilities solved(const Gsms& model, const std::vector<Rational>& times, RenewalForm form) {
    const rel::GsmsProcess process = rel::processOf(model, false);
    const measures::ExactKernel kernel(process.model);
    return measures::transientProbabilities(process.model, kernel, times, form);
}

void expectSameValues(const std::vector<double>& forward, const std::vector<double>& backward, const std::string& what) {
    ASSERT_EQ(forward.size(), backward.size());
    for (std::size_t k = 0; k < forward.size(); ++k) {
        if (backward[k] == 0) {
            EXPECT_EQ(forward[k], 0.0) << what << " at time " << k;  // exactly 0 before it is possible
        } else {
            // Past the series' reach each form is right to about 1e-16 absolute (tiny values
            // just after a repair can end, 1e-20 at t = 24; places of the ring that the token
            // reaches by t only through a long run of short delays, 1e-14 at t = 35).
            EXPECT_LE(std::abs(forward[k] - backward[k]), 1e-11 * std::abs(backward[k]) + 1e-15)
                << what << " at time " << k << ": " << forward[k] << " against " << backward[k];
        }
    }
}

void expectSameSolution(const Gsms& model, const std::vector<Rational>& times, const std::string& name) {
    const measures::TransientProbabilities forward = solved(model, times, RenewalForm::Forward);
    const measures::TransientProbabilities backward = solved(model, times, RenewalForm::Backward);
    expectSameValues(forward.availability, backward.availability, name + " A");
    expectSameValues(forward.unavailability, backward.unavailability, name + " U");
    for (std::size_t s = 0; s < backward.states.size(); ++s)
        expectSameValues(forward.states[s], backward.states[s], name + " state " + std::to_string(s));
}

TEST(ForwardRenewal, AgreesWithTheBackwardEquations) {
    const std::string examples = std::string(DROVA_SOURCE_DIR) + "/examples/";
    const std::vector<Rational> times{0, Rational(1, 1000), 1, 10, 24, Rational(49, 2), 100, 1000};
    for (const char* name : {"maintenance.gsms", "redundant.gsms", "machine.gsms", "assembly.gsms", "pumps.toml"}) {
        SCOPED_TRACE(name);
        expectSameSolution(fileOf(examples + name), times, name);
    }
    // Deterministic repair, several failures overlapping one repair; times at, just before and
    // after the repair's ends.
    const std::vector<Rational> around{1, 12, 24, Rational(24) + Rational(1, 1000000), 48, 100, 1000};
    expectSameSolution(netOf(unitsNet(6, "1/50", "Deg(24)")), around, "6 units");
    expectSameSolution(netOf(unitsNet(3, "1/10", "Uni(1, 5)")), around, "3 units, uniform repair");
    // A ring of 70 places, one token moved on by uniform, deterministic and exponential timers in
    // turn, down in the first place: 72 columns, so the forward form is the automatic choice, and
    // its cell system (70 unknowns) is solved by the sparse LU.
    expectSameSolution(netOf(ringNet(70)), {1, Rational(5, 2), 10, 35, 100}, "ring of 70");
}

TEST(ForwardRenewal, RacingTimersKeepTheirDigitsInTheForwardForm) {
    // 34 units failing within one repair: an occupancy's terms add up to about 2^34, far more
    // than its values; convolved from their expansions, the forward form keeps 14 digits.
    const Gsms units = netOf(unitsNet(34, "1/1000", "Deg(24)"));
    const std::vector<Rational> times{10, 30, 100};
    const measures::TransientProbabilities automatic = solved(units, times, RenewalForm::Automatic);
    const measures::TransientProbabilities backward = solved(units, times, RenewalForm::Backward);
    for (std::size_t k = 0; k < times.size(); ++k)
        for (std::size_t s = 0; s < backward.states.size(); ++s) {
            const double b = backward.states[s][k];
            EXPECT_LE(std::abs(automatic.states[s][k] - b), 1e-15 + 1e-13 * b) << "state " << s << ", t = " << toText(times[k]);
        }
}

TEST(ForwardRenewal, LongTimesKeepTenDigits) {
    // 1000 renewals and 10^5 cells: the forward form's entrances count up to 1000, and each
    // probability is their difference with the departures; the backward form and the long-run
    // values (sparse elimination) agree to 1e-12 there.
    const Gsms maintenance = fileOf(std::string(DROVA_SOURCE_DIR) + "/examples/maintenance.gsms");
    const measures::TransientProbabilities forward = solved(maintenance, {Rational(100000)}, RenewalForm::Forward);
    const measures::TransientProbabilities backward = solved(maintenance, {Rational(100000)}, RenewalForm::Backward);
    for (std::size_t s = 0; s < backward.states.size(); ++s)
        EXPECT_LE(std::abs(forward.states[s][0] - backward.states[s][0]), 1e-9 * backward.states[s][0]) << s;
    EXPECT_LE(std::abs(forward.unavailability[0] - backward.unavailability[0]), 1e-9 * backward.unavailability[0]);
}

TEST(ForwardRenewal, SmallUnavailabilityKeepsItsDigits) {
    // n units at 1/1000, repair Deg(24): nothing is repaired before 24, so the unavailability is
    // the probability that all have failed, (1 - e^(-t/1000))^n.
    for (int n : {8, 12, 16}) {
        const std::vector<Rational> times{Rational(1, 1000), 1, 12, Rational(239, 10)};
        const measures::TransientProbabilities p = solved(netOf(unitsNet(n, "1/1000", "Deg(24)")), times,
                                                          RenewalForm::Forward);
        for (std::size_t k = 0; k < times.size(); ++k) {
            const double truth = pow(1 - exp(-HighPrecision(times[k]) / 1000), n).convert_to<double>();
            EXPECT_LE(std::abs(p.unavailability[k] - truth), 1e-10 * truth) << n << " units, t = " << toText(times[k]);
            EXPECT_NEAR(p.availability[k], 1 - truth, 1e-15);
        }
    }
}

TEST(TransientProbabilities, SmallUnavailabilityOfTheRedundantPair) {
    // Both units failed before the first repair can end: (1 - e^(-t/1000))^2 (mpmath, 30 digits).
    const measures::TransientProbabilities p =
        solved(fileOf(std::string(DROVA_SOURCE_DIR) + "/examples/redundant.gsms"), {Rational(1, 1000), 1, 12},
               RenewalForm::Automatic);
    const double truth[] = {9.99999000000583333083333449717e-13, 9.99000583083419419450742642536e-7,
                            1.42284034048233306279781852819e-4};
    for (std::size_t k = 0; k < 3; ++k) EXPECT_LE(std::abs(p.unavailability[k] - truth[k]), 1e-10 * truth[k]) << k;
}

TEST(SolveControl, TheInterruptFlagEndsEverySolver) {
    std::atomic<bool> interrupt{true};
    const measures::SolveControl control(&interrupt);
    const Gsms deterministic = netOf(unitsNet(4, "1/100", "Deg(24)"));
    const Gsms exponential = netOf(unitsNet(4, "1/100", "Exp(1/24)"));
    // Renewal cells, uniformization steps, the steady state's elimination.
    EXPECT_THROW(rel::availabilityOf(deterministic, {Rational(100)}), measures::SolveInterrupted);
    EXPECT_THROW(rel::reliabilityOf(exponential, {Rational(100)}), measures::SolveInterrupted);
    EXPECT_THROW(rel::availabilityOf(exponential, {}), measures::SolveInterrupted);
    // Cleared, the same calls run to the end.
    interrupt = false;
    EXPECT_GT(rel::availabilityOf(deterministic, {Rational(100)}).availability.at(0), 0.99);
    EXPECT_GT(rel::reliabilityOf(exponential, {Rational(100)}).reliability.at(0), 0.9);
}

TEST(SolveControl, ADeadlineEndsTheSolveAndKeepsTheOuterInterrupt) {
    const Gsms deterministic = netOf(unitsNet(4, "1/100", "Deg(24)"));
    {
        const measures::SolveControl passed(std::chrono::steady_clock::now() - std::chrono::seconds(1));
        EXPECT_THROW(rel::availabilityOf(deterministic, {Rational(100)}), measures::SolveTimeLimit);
    }
    // A deadline far ahead inside a control whose flag is set: the flag still ends the solve.
    std::atomic<bool> interrupt{true};
    const measures::SolveControl outer(&interrupt);
    {
        const measures::SolveControl ahead(std::chrono::steady_clock::now() + std::chrono::hours(1));
        EXPECT_THROW(rel::availabilityOf(deterministic, {Rational(100)}), measures::SolveInterrupted);
    }
    interrupt = false;
    EXPECT_GT(rel::availabilityOf(deterministic, {Rational(100)}).availability.at(0), 0.99);
}

TEST(SolveControl, ReportsProgressAndItsEnd) {
    std::vector<measures::SolveProgress> reports;
    int finished = 0;
    {
        const measures::SolveControl control(
            nullptr, [&](const measures::SolveProgress& p) { reports.push_back(p); }, [&] { ++finished; },
            std::chrono::milliseconds(0));
        rel::availabilityOf(netOf(unitsNet(3, "1/100", "Deg(24)")), {Rational(240000)});
    }
    const auto renewal = std::find_if(reports.begin(), reports.end(), [](const measures::SolveProgress& p) {
        return std::string(p.stage) == "Renewal equations";
    });
    ASSERT_NE(renewal, reports.end());
    EXPECT_GT(renewal->states, 0u);
    EXPECT_GE(renewal->total, 10000u);  // 240000 over cells of at most 24
    for (const measures::SolveProgress& p : reports) EXPECT_LE(p.done, p.total);
    EXPECT_GE(finished, 1);  // one per solve reported on (the elimination may be one)
    // Without a control nothing is reported and nothing stops.
    reports.clear();
    rel::availabilityOf(netOf(unitsNet(3, "1/100", "Deg(24)")), {Rational(2400)});
    EXPECT_TRUE(reports.empty());
}

}  // namespace
