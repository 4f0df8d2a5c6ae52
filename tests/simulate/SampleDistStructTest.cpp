// Drawing timer values: formulas, draw counts and parameter checks.

#include "SimulateTestSupport.hpp"

#include "host/classic/ClassicChecks.hpp"
#include "simulate/SampleDistStruct.hpp"

#include <cmath>
#include <limits>

using namespace drova;

namespace {
constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

TEST(SampleDistStruct, EachKindTurnsItsDrawIntoAValue) {
    ScriptedRandom draws({U(std::exp(-1.0)), U(0.25), U(0.25), U(0.4), N(1.0), N(-3.0), N(0.7)});
    const std::vector<SimDistribution> row = {
        dist(DistType::Exp, {2.0}),        dist(DistType::Uni, {1.0, 3.0}), dist(DistType::Uni, {3.0, 1.0}),
        dist(DistType::Uni, {2.0, 2.0}),   dist(DistType::Deg, {-2.0}),     dist(DistType::Lognormal, {0.5, 2.0}),
        dist(DistType::Lognormal, {1.5, 0.0}), dist(static_cast<DistType>(9), {0.0, 1.0}),
    };
    std::vector<double> values = sampleDistStruct(row);
    const std::vector<double> expected = {0.5, 1.5, 2.5, 2.0, -2.0, std::exp(2.5), std::exp(1.5), std::exp(0.7)};
    ASSERT_EQ(values.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_DOUBLE_EQ(values[i], expected[i]) << "record " << i;
    EXPECT_EQ(draws.drawn, "uuuunnn");
}

TEST(SampleDistStruct, InvalidParameterValuesGiveInfOrNaNAndStillDraw) {
    ScriptedRandom draws({U(0.5), U(0.5), U(0.5), N(0.3)});
    const std::vector<SimDistribution> row = {
        dist(DistType::Exp, {0.0}), dist(DistType::Exp, {-1.0}), dist(DistType::Exp, {NaN}),
        dist(DistType::Lognormal, {0.0, -1.0})};
    std::vector<double> values = sampleDistStruct(row);
    EXPECT_EQ(values[0], Inf);
    EXPECT_TRUE(std::isnan(values[1]));
    EXPECT_TRUE(std::isnan(values[2]));
    EXPECT_TRUE(std::isnan(values[3]));
    EXPECT_TRUE(draws.finished());
    EXPECT_TRUE(sampleDistStruct({}).empty());
}

TEST(SampleDistStruct, WrongParameterCountsFailBeforeAnyDraw) {
    ScriptedRandom none;  // any draw would throw a logic error
    struct Case { SimDistribution d; std::string_view id; std::vector<std::string> parameters; };
    const Case cases[] = {
        {dist(DistType::Deg, {}), ClassicAssignmentSizeErrorId, {"1", "0"}},
        {dist(DistType::Deg, {1.0, 2.0}), ClassicAssignmentSizeErrorId, {"1", "2"}},
        {dist(DistType::Exp, {}), "MATLAB:dimagree", {}},
        {dist(DistType::Exp, {1.0, 2.0}), "MATLAB:dimagree", {}},
        {dist(DistType::Uni, {}), ClassicIndexErrorId, {"1", "1", "0", "dist.parameters"}},
        {dist(DistType::Uni, {1.0}), ClassicIndexErrorId, {"2", "1", "1", "dist.parameters"}},
        {dist(DistType::Lognormal, {1.0}), ClassicIndexErrorId, {"2", "1", "1", "dist.parameters"}},
    };
    for (const Case& c : cases) {
        ClassicError e = expectClassicError([&] { sampleDistribution(c.d); });
        EXPECT_EQ(e.identifier(), c.id);
        EXPECT_EQ(e.parameters(), c.parameters);
    }
    EXPECT_EQ(none.drawn, "");
}
