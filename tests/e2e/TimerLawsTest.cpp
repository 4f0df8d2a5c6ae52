// The timer laws end to end: the exact laws in models with known answers (an Erlang unit against
// the renewal formula, the redundant system with Erlang repair against its closed form, a kernel row
// against simulation, net laws against their GSMS forms); the laws without exact integrals refused
// by the exact commands and the matlab stream; and --sim of drova reliability and availability
// beside the exact values and instead of them.

#include "RunDrova.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

std::string laws(const std::string& name) { return testData("laws/" + name); }

json jsonOf(const std::vector<std::string>& args) {
    const DrovaRun run = runDrova(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return run.status == 0 ? json::parse(run.out) : json();
}

// P(N = k) for a Poisson count of mean m.
double poisson(int k, double m) { return std::exp(-m + k * std::log(m) - std::lgamma(k + 1.0)); }

TEST(TimerLaws, ErlangUnitAvailabilityIsTheRenewalFormula) {
    // Up for Erl(2, 1/500) (mean 1000), down for exactly 48: the unit is up at t after n completed
    // cycles exactly when 2n or 2n + 1 exponential stages of rate 1/500 have ended by t - 48 n.
    const std::vector<double> times{100, 1000, 1048, 2500, 5000};
    const json out = jsonOf({"availability", laws("erlang-unit.gsms"), "--times", "100,1000,1048,2500,5000", "--json"});
    ASSERT_TRUE(out.contains("availability"));
    for (std::size_t k = 0; k < times.size(); ++k) {
        double up = 0;
        for (int n = 0; 48.0 * n <= times[k]; ++n) {
            const double m = (times[k] - 48.0 * n) / 500;
            up += poisson(2 * n, m) + poisson(2 * n + 1, m);
        }
        EXPECT_NEAR(out["availability"][k].get<double>(), up, 1e-11) << times[k];
    }
    EXPECT_NEAR(out["steady_availability"].get<double>(), 1000.0 / 1048, 1e-14);
}

TEST(TimerLaws, RedundantSystemWithErlangRepairHasTheClosedFormMttf) {
    // MTTF = (3 - 2g) / (2 l (1 - g)) with g = E[exp(-l G)] = (mu / (mu + l))^2 for G = Erl(2, mu).
    const double l = 1e-3, mu = 1.0 / 12, g = std::pow(mu / (mu + l), 2);
    const json out = jsonOf({"reliability", laws("redundant-erlang-repair.gsms"), "--times", "1000", "--json"});
    EXPECT_NEAR(out["mttf"].get<double>(), (3 - 2 * g) / (2 * l * (1 - g)), 1e-9 * out["mttf"].get<double>());
}

TEST(TimerLaws, KernelRowAgreesWithSimulation) {
    // Erl(2, 1) races Exp(1): K(Start -> Failed)(t) = integral of s e^{-s} e^{-s} = 1/4 - (2t + 1) e^{-2t} / 4.
    const DrovaRun konv = runDrova({"konv", laws("race.gsms"), "--time-bound", "0", "--threshold", "0"});
    ASSERT_EQ(konv.status, 0) << konv.err;
    EXPECT_EQ(konv.out, "[0 1/sym(4)-1/sym(2)*exp(-2*t)*t^(1)-1/sym(4)*exp(-2*t) "
                        "3/sym(4)-1/sym(2)*exp(-2*t)*t^(1)-3/sym(4)*exp(-2*t) \n0 0 0 \n0 0 0 \n]\n");
    const json sim = jsonOf({"sim", laws("race.gsms"), "--runs", "100000", "--horizon", "inf", "--stream", "philox",
                             "--json", "--times", "0.5,1,3"});
    for (const json& at : sim["failureProbability"]) {
        const double t = at["time"].get<double>();
        const double exact = 0.25 - (2 * t + 1) * std::exp(-2 * t) / 4;
        EXPECT_LE(at["interval"][0].get<double>(), exact) << t;
        EXPECT_GE(at["interval"][1].get<double>(), exact) << t;
    }
}

TEST(TimerLaws, NetLawsAreTheGsmsLaws) {
    // Erl(2, 1/24) and the same density written as Expoly give the same exact answers.
    const json erlang = jsonOf({"reliability", laws("pumps-erlang.toml"), "--times", "1000", "--json"});
    const json expoly = jsonOf({"reliability", laws("pumps-expoly.toml"), "--times", "1000", "--json"});
    EXPECT_EQ(erlang, expoly);
    const DrovaRun check = runDrova({"check", laws("pumps-erlang.toml")});
    EXPECT_NE(check.out.find("Timer 1: Erl(2, 1/24)\n"), std::string::npos) << check.out;
}

TEST(TimerLaws, ExactCommandsRefuseLawsWithoutExactIntegrals) {
    const std::string message = "Timer 0 is Weibull(2, 1000), which has no exact integral: simulate the model (drova "
                                "reliability or availability with --sim N) or solve an expolynomial fit of it exactly "
                                "(--approximate N)";
    const std::string model = laws("weibull-age-replacement.gsms");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"konv", model, "--time-bound", "0", "--threshold", "0"},
          std::vector<std::string>{"availability", model, "--times", "100"},
          std::vector<std::string>{"reliability", model}}) {
        const DrovaRun run = runDrova(args);
        EXPECT_EQ(run.status, 1) << args[0];
        EXPECT_EQ(run.lastErrLine(), message) << args[0];
    }
    // The matlab stream draws what the module draws: Lognormal yes, Weibull no.
    const DrovaRun matlab = runDrova({"sim", model, "--runs", "10", "--horizon", "1000"});
    EXPECT_EQ(matlab.status, 1);
    EXPECT_EQ(matlab.lastErrLine(), "Timer 0 is Weibull, which the matlab stream does not draw (the module draws Deg, "
                                    "Exp, Uni and Lognormal only); use --stream philox");
    const DrovaRun lognormal = runDrova({"sim", laws("pumps-lognormal.toml"), "--runs", "10", "--horizon", "inf"});
    EXPECT_EQ(lognormal.status, 0) << lognormal.err;
    EXPECT_EQ(std::count(lognormal.out.begin(), lognormal.out.end(), '\n'), 10);
}

TEST(TimerLaws, ReliabilitySimulationStandsBesideTheExactValues) {
    const std::vector<std::string> args{"reliability", laws("redundant-erlang-repair.gsms"), "--times", "1000,8760",
                                        "--sim", "20000", "--seed", "3", "--json"};
    std::vector<std::string> twoThreads = args;
    twoThreads.insert(twoThreads.end(), {"--threads", "2"});
    const json out = jsonOf(twoThreads);
    std::vector<std::string> oneThread = args;
    oneThread.insert(oneThread.end(), {"--threads", "1"});
    EXPECT_EQ(jsonOf(oneThread), out);
    const json& sim = out["simulation"];
    EXPECT_EQ(sim["runs"], 20000);
    EXPECT_EQ(sim["seed"], 3);
    for (std::size_t k = 0; k < 2; ++k) {
        const double exact = out["failure"][k].get<double>();
        EXPECT_LE(sim["failure_interval"][k][0].get<double>(), exact);
        EXPECT_GE(sim["failure_interval"][k][1].get<double>(), exact);
    }
    EXPECT_LE(sim["mttf_interval"][0].get<double>(), out["mttf"].get<double>());
    EXPECT_GE(sim["mttf_interval"][1].get<double>(), out["mttf"].get<double>());
    // The table carries the same numbers.
    const DrovaRun table = runDrova({"reliability", laws("redundant-erlang-repair.gsms"), "--times", "1000", "--sim", "1000"});
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.out.substr(0, table.out.find('\n')),
              "         t               F(t)               R(t)     F(t) simulated            95% low           95% high");
    EXPECT_NE(table.out.find("\nSimulated runs: 1000 (philox stream, seed 0)\n"), std::string::npos) << table.out;
}

TEST(TimerLaws, AvailabilitySimulationOfAWeibullAgeReplacement) {
    // Renewal-reward: A = E[min(X, T)] / (E[min(X, T)] + r F(T) + p R(T)), X Weibull(2, 1000), T = 500,
    // r = 48, p = 8 (0.964762711412805 by quadrature).
    const double closedForm = 0.964762711412805;
    const json out = jsonOf({"availability", laws("weibull-age-replacement.gsms"), "--times", "100,1000", "--sim", "2000",
                             "--json"});
    EXPECT_TRUE(out["availability"].is_null());
    EXPECT_TRUE(out["steady_availability"].is_null());
    const json& sim = out["simulation"];
    EXPECT_LE(sim["steady_availability_interval"][0].get<double>(), closedForm);
    EXPECT_GE(sim["steady_availability_interval"][1].get<double>(), closedForm);
    // Before the first replacement at 500 the unit is down at 100 when it failed within the last 48
    // hours: F(100) - F(52).
    const double down = std::exp(-0.052 * 0.052) - std::exp(-0.01);
    // Within 3.3 standard errors (a 0.1% test; 2000 runs see only about 15 of these failures).
    EXPECT_NEAR(sim["availability"][0].get<double>(), 1 - down, 3.3 * std::sqrt(down * (1 - down) / 2000));
}

TEST(TimerLaws, ApproximatedWeibullAgeReplacementIsExactWithinItsDistance) {
    // The approximated model's long-run availability against the renewal-reward formula with the
    // true Weibull life: with G within Kolmogorov distance K of F, E[min(X, T)] = integral of 1 - F
    // over [0, T] moves by at most T K and F(T) by at most K, and A = E / (E + p + (r - p) F(T))
    // grows with E and falls with F(T), which bounds A's move.
    const double T = 500, r = 48, p = 8;
    const double closedForm = 0.964762711412805;
    const json out = jsonOf({"availability", laws("weibull-age-replacement.gsms"), "--times", "100,1000",
                             "--approximate", "20", "--sim", "2000", "--json"});
    ASSERT_TRUE(out.contains("approximation"));
    const json& fit = out["approximation"]["timers"][0];
    EXPECT_EQ(fit["timer"], 0);
    EXPECT_EQ(fit["law"], "Weibull(2, 1000)");
    const double k = fit["kolmogorov_distance"].get<double>();
    EXPECT_GT(k, 0);
    EXPECT_LT(k, 1e-4);
    const double e = 1000 * std::sqrt(std::acos(-1.0)) / 2 * std::erf(0.5);  // E[min(X, T)]
    const double f = 1 - std::exp(-0.25);                                       // F(T)
    const auto a = [&](double mean, double failed) { return mean / (mean + p + (r - p) * failed); };
    const double low = a(e - T * k, f + k) - a(e, f), high = a(e + T * k, f - k) - a(e, f);
    const double approximated = out["steady_availability"].get<double>();
    EXPECT_NEAR(a(e, f), closedForm, 1e-12);
    EXPECT_GE(approximated, closedForm + low);
    EXPECT_LE(approximated, closedForm + high);
    // The simulation of the model itself agrees with the closed form.
    const json& sim = out["simulation"];
    EXPECT_LE(sim["steady_availability_interval"][0].get<double>(), closedForm);
    EXPECT_GE(sim["steady_availability_interval"][1].get<double>(), closedForm);
    // A bound at each time, none for the long run.
    EXPECT_EQ(out["approximation_bound"]["availability"].size(), 2u);
    EXPECT_GT(out["approximation_bound"]["availability"][0].get<double>(), 0);
    EXPECT_TRUE(out["approximation_bound"]["steady_availability"].is_null());
}

TEST(TimerLaws, ApproximatedFailureProbabilityIsWithinItsBound) {
    // The redundant system with a Weibull repair, which has no exact answer to compare with: the
    // simulation of the true model must agree with the approximated model's exact F(t) within the
    // stated bound plus the simulation's own error (3.3 standard errors).
    const json out = jsonOf({"reliability", laws("redundant-weibull-repair.gsms"), "--times", "1000,3000",
                             "--approximate", "20", "--sim", "20000", "--json"});
    ASSERT_TRUE(out.contains("approximation_bound"));
    EXPECT_TRUE(out["approximation_bound"]["mttf"].is_null());
    for (std::size_t k = 0; k < 2; ++k) {
        const double exact = out["failure"][k].get<double>();
        const double bound = out["approximation_bound"]["failure"][k].get<double>();
        const double estimate = out["simulation"]["failure"][k].get<double>();
        EXPECT_GT(bound, 0);
        EXPECT_LT(bound, 0.01);
        EXPECT_NEAR(estimate, exact, bound + 3.3 * std::sqrt(exact * (1 - exact) / 20000)) << k;
    }
    // A model with no law to fit is solved as it is, with a zero bound.
    const json exact = jsonOf({"reliability", laws("redundant-erlang-repair.gsms"), "--times", "1000", "--json"});
    const json same = jsonOf({"reliability", laws("redundant-erlang-repair.gsms"), "--times", "1000", "--approximate",
                              "5", "--sim", "100", "--json"});
    EXPECT_EQ(same["failure"], exact["failure"]);
    EXPECT_EQ(same["approximation_bound"]["failure"][0], 0);
    EXPECT_TRUE(same["approximation"]["timers"].empty());
}

TEST(TimerLaws, SimulationOptionsAreChecked) {
    const std::string model = laws("redundant-erlang-repair.gsms");
    EXPECT_EQ(runDrova({"reliability", model, "--seed", "3"}).status, 2);
    EXPECT_EQ(runDrova({"reliability", model, "--seed", "3"}).lastErrLine(), "--seed: needs --sim or --approximate");
    EXPECT_EQ(runDrova({"availability", model, "--approximate", "201"}).status, 2);
    EXPECT_EQ(runDrova({"availability", model, "--sim", "0"}).status, 2);
    const DrovaRun from = runDrova({"reliability", model, "--sim", "100", "--from", "RepairA"});
    EXPECT_EQ(from.status, 2);
    EXPECT_EQ(from.lastErrLine(), "--from: the simulation starts in the initial state; leave out --from with --sim");
}

}  // namespace
