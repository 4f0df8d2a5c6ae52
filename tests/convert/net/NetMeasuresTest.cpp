// The measures of nets against independent routes: the 2-out-of-3 pumps' mean time to failure
// against the machine-repairman closed form, for deterministic, uniform and exponential repair;
// and a standby system with immediate choices, priorities, a guard and an inhibitor against a
// simulation of its token game that shares none of the GSMS builder's code.

#include "TokenGame.hpp"
#include "convert/net/NetToGsms.hpp"
#include "convert/net/ReadNet.hpp"
#include "modules/rel/GsmsMeasures.hpp"

#include "PumpsNet.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

using namespace drova;
using namespace drova::net;


// Three pumps failing at rate l each, two needed, one crew with repair time D:
// MTTF = 1/(3 l q) + 1/(2 l), q = 1 - E[exp(-2 l D)].
TEST(NetMeasures, PumpsMeanTimeToFailureIsTheMachineRepairmanValue) {
    const double l = 1.0 / 2000;
    const struct {
        std::string repair;
        double laplace;  // E[exp(-2 l D)]
    } cases[] = {
        {"Deg(48)", std::exp(-2 * l * 48)},
        {"Uni(24, 72)", (std::exp(-2 * l * 24) - std::exp(-2 * l * 72)) / (2 * l * 48)},
        {"Exp(1/48)", (1.0 / 48) / (1.0 / 48 + 2 * l)},
    };
    for (const auto& c : cases) {
        const double q = 1 - c.laplace;
        const double closedForm = 1 / (3 * l * q) + 1 / (2 * l);
        const BuiltNet net = buildGsms(readNet(pumpsNet(c.repair), "pumps"));
        const rel::GsmsReliability r = rel::reliabilityOf(net.model, {Rational(0), Rational(1000)});
        EXPECT_NEAR(r.mttf, closedForm, 1e-10 * closedForm) << c.repair;
        EXPECT_EQ(r.failure[0], 0) << c.repair;
    }
}

std::string standbyNet() {
    std::ifstream in(std::string(DROVA_TEST_DATA) + "/net/standby.toml");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(NetMeasures, StandbySystemAgreesWithItsTokenGame) {
#ifdef __SANITIZE_ADDRESS__
    const std::size_t runs = 20000;
#else
    const std::size_t runs = 100000;
#endif
    const PetriNet net = readNet(standbyNet(), "standby");
    const BuiltNet built = buildGsms(net);
    EXPECT_GT(built.statistics.vanishingMarkings, 0u);
    EXPECT_LT(built.statistics.smsStates, built.statistics.gsmsStates);  // the repair runs on across failures

    const std::vector<double> times{100, 300, 1000};
    std::vector<Rational> exactTimes;
    for (double t : times) exactTimes.emplace_back(static_cast<std::int64_t>(t));
    const rel::GsmsReliability reliability = rel::reliabilityOf(built.model, exactTimes);
    const rel::GsmsAvailability availability = rel::availabilityOf(built.model, exactTimes);

    token_game::Simulator simulator(net, 20261210);
    std::vector<std::size_t> failedBy(times.size()), downAt(times.size());
    for (std::size_t run = 0; run < runs; ++run) {
        const token_game::Run r = simulator.run(times.back(), times);
        for (std::size_t k = 0; k < times.size(); ++k) {
            failedBy[k] += r.firstDown <= times[k];
            downAt[k] += r.downAt[k];
        }
    }
    const double n = static_cast<double>(runs);
    for (std::size_t k = 0; k < times.size(); ++k) {
        const double f = reliability.failure[k];
        EXPECT_GT(f, 0.01);
        EXPECT_NEAR(failedBy[k] / n, f, 4 * std::sqrt(f * (1 - f) / n)) << "F at t = " << times[k];
        const double u = 1 - availability.availability[k];
        EXPECT_GT(u, 1e-3);
        EXPECT_NEAR(downAt[k] / n, u, 4 * std::sqrt(u * (1 - u) / n)) << "1 - A at t = " << times[k];
    }
}

}  // namespace
