// The Drovarel entry called in process as MATLAB calls it: the checks of the arguments in order,
// the shapes of the outputs, the times read as the decimals they were typed as, and the built
// module through its exports.

#include "Failure.hpp"
#include "ModuleExports.hpp"

#include "host/LoadedModule.hpp"
#include "modules/rel/GsmsMeasures.hpp"
#include "modules/rel/MexFunction.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace drova;
using namespace matlab::data;

namespace {

const ArrayFactory factory;
const std::string machine = std::string(DROVA_SOURCE_DIR) + "/examples/machine.gsms";
const std::string jump = std::string(DROVA_TEST_DATA) + "/rel/deterministic-jump.gsms";

Array text(const std::string& value) { return factory.createScalar(value); }
Array row(std::vector<double> values) {
    const std::size_t count = values.size();
    return factory.createArray<double>({1, count}, std::move(values));
}
std::vector<double> values(const Array& array) {
    const TypedArray<double> typed(array);
    return std::vector<double>(typed.begin(), typed.end());
}

class RelEntry : public testing::Test {
protected:
    std::vector<Array> call(std::size_t nargout, std::vector<Array> inputs) {
        return callMexFunction(function, nargout, std::move(inputs), "Drovarel");
    }
    std::string error(std::vector<Array> inputs, std::size_t nargout = 1) {
        return failure<HostError>([&] { call(nargout, std::move(inputs)); });
    }

    rel::MexFunction function;
};

TEST_F(RelEntry, ChecksTheArgumentsInOrder) {
    const std::string count =
        "Two to four inputs required: path, times, and optionally the measure (\"reliability\", \"availability\" or "
        "\"kernel\") and the name of the starting state";
    EXPECT_EQ(error({text(machine)}), count);
    EXPECT_EQ(error({text(machine), row({1}), text("reliability"), text("Up"), text("Up")}), count);
    EXPECT_EQ(error({text(machine), row({1})}, 7), "Too many outputs: Drovarel gives at most six");
    EXPECT_EQ(error({row({1}), row({1})}), "First input must be a string scalar or character row");
    EXPECT_EQ(error({factory.createArray<MATLABString>({1, 2}, {u"a", u"b"}), row({1})}),
              "First input must be a string scalar or character row");
    EXPECT_EQ(error({text(machine), text("1")}), "Second input must be a double");
    EXPECT_EQ(error({text(machine), factory.createArray<std::int64_t>({1, 1}, {1})}), "Second input must be a double");
    EXPECT_EQ(error({text(machine), factory.createArray<double>({2, 2}, {1, 2, 3, 4})}),
              "Second input must be a vector of times (a row or a column)");
    EXPECT_EQ(error({text(machine), row({1, -0.5})}),
              "Second input must hold finite times of at least 0; element 2 is -0.5");
    EXPECT_EQ(error({text(machine), row({std::numeric_limits<double>::infinity()})}),
              "Second input must hold finite times of at least 0; element 1 is inf");
    EXPECT_EQ(error({text(machine), row({std::nan("")})}),
              "Second input must hold finite times of at least 0; element 1 is nan");
    EXPECT_EQ(error({text(machine), row({1}), text("mttf")}), "Third input must be \"reliability\", \"availability\" or \"kernel\"");
    EXPECT_EQ(error({text(machine), row({1}), row({1})}), "Third input must be \"reliability\", \"availability\" or \"kernel\"");
    EXPECT_EQ(error({text(machine), row({1}), text("reliability"), row({1})}),
              "Fourth input must be a string scalar or character row: the name of the starting state");
    // The file is read only after the checks.
    EXPECT_EQ(error({text(machine + ".missing"), row({1})}), "Path to GSMS file is invalid");
    EXPECT_EQ(error({text(machine), row({1}), factory.createCharArray("reliability"), factory.createCharArray("Sideways")}),
              "The model has no state named \"Sideways\"");
}

TEST_F(RelEntry, ReliabilityRowsAndScalars) {
    // Up fails at rate 1/100; Down is a down state.
    const std::vector<Array> out = call(5, {factory.createCharArray(machine), row({0, 50, 200})});
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0].getDimensions(), (ArrayDimensions{1, 3}));
    EXPECT_EQ(out[1].getDimensions(), (ArrayDimensions{1, 1}));
    const std::vector<double> f = values(out[0]), r = values(out[3]);
    for (std::size_t k = 0; k < 3; ++k) {
        const double t = std::vector<double>{0, 50, 200}[k];
        EXPECT_NEAR(f[k], -std::expm1(-t / 100), 1e-15);
        EXPECT_NEAR(r[k], std::exp(-t / 100), 1e-15);
    }
    EXPECT_NEAR(values(out[1])[0], 100, 1e-12);
    EXPECT_EQ(values(out[2])[0], 0);
    EXPECT_NEAR(values(out[4])[0], 100, 1e-12);
    // No times: the mean time to failure alone; one output asked for, one given.
    const std::vector<Array> none = call(2, {text(machine), factory.createArray<double>({0, 0})});
    EXPECT_EQ(none[0].getNumberOfElements(), 0u);
    EXPECT_NEAR(values(none[1])[0], 100, 1e-12);
    EXPECT_EQ(call(1, {text(machine), row({1})}).size(), 1u);
}

TEST_F(RelEntry, AvailabilityMatrixIsOneRowPerStateOneColumnPerTime) {
    // Up 100 on average, then Down for exactly 5: A(3) = e^(-3/100); A(8) adds the runs repaired
    // by 8, e^(-8/100) + (3/100) e^(-3/100); in the long run 100/105.
    const std::vector<Array> out = call(5, {text(machine), row({3, 8}), text("availability")});
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[2].getDimensions(), (ArrayDimensions{2, 2}));
    EXPECT_EQ(out[3].getDimensions(), (ArrayDimensions{2, 1}));
    EXPECT_EQ(out[4].getDimensions(), (ArrayDimensions{2, 1}));
    const std::vector<double> a = values(out[0]);
    const double a8 = std::exp(-0.08) + 0.03 * std::exp(-0.03);
    EXPECT_NEAR(a[0], std::exp(-0.03), 1e-14);
    EXPECT_NEAR(a[1], a8, 1e-14);
    EXPECT_NEAR(values(out[1])[0], 100.0 / 105, 1e-15);
    // Column-major: P(Up, 3), P(Down, 3), P(Up, 8), P(Down, 8).
    const std::vector<double> p = values(out[2]);
    EXPECT_NEAR(p[0], std::exp(-0.03), 1e-14);
    EXPECT_NEAR(p[1], 1 - std::exp(-0.03), 1e-14);
    EXPECT_NEAR(p[2], a8, 1e-14);
    EXPECT_NEAR(p[3], 1 - a8, 1e-14);
    EXPECT_NEAR(values(out[3])[1], 5.0 / 105, 1e-15);
    const StringArray names(out[4]);
    EXPECT_EQ(std::string(names[0]), "Up");
    EXPECT_EQ(std::string(names[1]), "Down");
}

TEST_F(RelEntry, KernelIsStatesByStatesByTimes) {
    // K = [0, 1 - e^(-t/100); heaviside(t - 5), 0]: Up is left after 100 on average, Down after
    // exactly 5, so the time scale is 100. The value at the jump is the one after it.
    const std::vector<double> times{3, 5, 100};
    const std::vector<Array> out = call(3, {text(machine), row(times), text("kernel")});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].getDimensions(), (ArrayDimensions{2, 2, 3}));
    const std::vector<double> k = values(out[0]);
    for (std::size_t t = 0; t < 3; ++t) {
        // Column-major: (Up, Up), (Down, Up), (Up, Down), (Down, Down) at each time.
        EXPECT_EQ(k[4 * t], 0);
        EXPECT_EQ(k[4 * t + 1], times[t] >= 5 ? 1 : 0);
        EXPECT_NEAR(k[4 * t + 2], -std::expm1(-times[t] / 100), 1e-15);
        EXPECT_EQ(k[4 * t + 3], 0);
    }
    const StringArray names(out[1]);
    EXPECT_EQ(out[1].getDimensions(), (ArrayDimensions{2, 1}));
    EXPECT_EQ(std::string(names[1]), "Down");
    EXPECT_NEAR(values(out[2])[0], 100, 1e-12);
    EXPECT_EQ(call(1, {text(machine), row({}), text("kernel")})[0].getDimensions(), (ArrayDimensions{2, 2, 0}));
    EXPECT_EQ(error({text(machine), row({1}), text("kernel")}, 4), "Too many outputs: the kernel gives at most three");
    EXPECT_EQ(error({text(machine), row({1}), text("kernel"), text("Up")}),
              "The kernel takes no starting state: it is the same from every state");
}

TEST_F(RelEntry, TimesAreTheDecimalsTheyWereTypedAs) {
    // Down is entered at exactly 3/10: the double 0.3 lies just below it, the decimal 0.3 on it.
    const std::vector<double> f = values(call(1, {text(jump), row({0.2999999999999999, 0.3, 0.30000000000000004})})[0]);
    EXPECT_EQ(f, (std::vector<double>{0, 1, 1}));
    EXPECT_EQ(rel::timeOfDouble(0.3), Rational(3, 10));
    EXPECT_EQ(rel::timeOfDouble(2.5e-7), Rational(1, 4000000));
    EXPECT_EQ(rel::timeOfDouble(1e22), Rational(BigInt("10000000000000000000000")));
    EXPECT_EQ(rel::timeOfDouble(0), Rational(0));
    EXPECT_EQ(rel::timeOfDouble(-1.5), Rational(-3, 2));
}

TEST(LoadedRel, BothMeasuresThroughTheExports) {
    const std::string modulePath = DROVA_LIB_DIR "/Drovarel.so";
    LoadedModule rel(modulePath);
    EXPECT_EQ(rel.name(), "Drovarel");
    EXPECT_NEAR(values(rel.call(2, {text(machine), row({})})[1])[0], 100, 1e-12);
    EXPECT_NEAR(values(rel.call(2, {text(machine), row({}), text("availability")})[1])[0], 100.0 / 105, 1e-15);
    try {
        rel.call(1, {text(machine), row({1}), text("reliability"), text("Nowhere")});
        FAIL() << "no error";
    } catch (const HostError& e) {
        EXPECT_STREQ(e.what(), "The model has no state named \"Nowhere\"");
    }
    const auto names = exportedNames(modulePath);
    if (!names) GTEST_SKIP() << "nm is not available";
    EXPECT_EQ(*names, ObjectInterfaceEntries);
}

}  // namespace
