// The Drovakonv entry called in process through the host stand-in, as MATLAB calls it: the
// checks of the inputs in order with their messages, the file, both variants, and the model kept
// between calls.

#include "Failure.hpp"
#include "ConvertTestSupport.hpp"

#include "modules/konv/MexFunction.hpp"
#include "host/LoadedModule.hpp"
#include "host/Sym.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace drova;
using drova::konv::MexFunction;

using namespace matlab::data;

namespace {

const ArrayFactory factory;
const std::string machine = std::string(DROVA_SOURCE_DIR) + "/examples/machine.gsms";

Array text(const std::string& value) { return factory.createScalar(value); }
Array row(std::vector<std::int64_t> values) {
    const std::size_t count = values.size();
    return factory.createArray<std::int64_t>({1, count}, std::move(values));
}
Array sym(const Rational& value) { return createSymScalar(value); }
Array real(double value) { return factory.createScalar(value); }
Array flag(bool value) { return factory.createScalar(value); }

class KonvEntry : public testing::Test {
protected:
    std::string call(std::vector<Array> inputs) {
        const std::vector<Array> outputs = callMexFunction(function, 1, std::move(inputs), "Drovakonv");
        EXPECT_EQ(outputs.at(0).getClassName(), "string");
        EXPECT_EQ(outputs.at(0).getDimensions(), (ArrayDimensions{1, 1}));
        return StringArray(outputs.at(0))[0];
    }
    std::string error(std::vector<Array> inputs) {
        return failure<HostError>([&] { callMexFunction(function, 1, std::move(inputs), "Drovakonv"); });
    }
    std::string pathError(Array second, Array third) { return error({text(machine), second, third}); }
    std::string matrixError(Array second, Array third, Array fourth) {
        return error({text(machine), second, third, fourth});
    }

    MexFunction function;
};

TEST_F(KonvEntry, ThreeOrFourInputs) {
    const std::string count =
        "Three inputs (path, transitions, destinations) or four inputs (path, time bound, threshold, collect flag) "
        "required";
    EXPECT_EQ(error({}), count);
    EXPECT_EQ(error({text(machine), row({1})}), count);
    EXPECT_EQ(error({text(machine), sym(0), real(0), flag(false), text("MaxTerms"), real(9), flag(false)}), count);
    EXPECT_EQ(call({text(machine), row({1}), row({1})}), "-1*exp(-1/sym(100)*t)+1");
    EXPECT_EQ(call({text(machine), sym(0), real(0), flag(false)}), "[0 1-1*exp(-1/sym(100)*t) \n1*heaviside(t-5) 0 \n]");
}

TEST_F(KonvEntry, TheTermLimitIsALastPairOfInputs) {
    EXPECT_EQ(call({text(machine), row({1}), row({1}), text("MaxTerms"), real(100)}), "-1*exp(-1/sym(100)*t)+1");
    EXPECT_EQ(call({text(machine), sym(0), real(0), flag(false), factory.createCharArray("MaxTerms"), real(4)}),
              "[0 1-1*exp(-1/sym(100)*t) \n1*heaviside(t-5) 0 \n]");
    EXPECT_EQ(error({text(machine), sym(0), real(0), flag(false), text("MaxTerms"), real(3)}),
              "The kernel of 2 states would have 4 entries, more than the limit of 3 terms");
    // Five inputs are the path variant with the pair, six the matrix variant.
    EXPECT_EQ(error({text(machine), sym(0), real(0), flag(false), flag(false)}), "Second input must be a int64 array");
    EXPECT_EQ(error({text(machine), row({1}), row({1}), text("maxTerms"), real(100)}),
              "Fourth input must be the option name \"MaxTerms\"");
    EXPECT_EQ(error({text(machine), sym(0), real(0), flag(false), text("MaxTerms"), real(1.5)}),
              "Sixth input must be a positive whole number of terms");
}

TEST_F(KonvEntry, FirstInputIsOneStringNamingAReadableFile) {
    const Array two = factory.createArray<MATLABString>({1, 2}, {u"a.gsms", u"b.gsms"});
    EXPECT_EQ(error({two, row({1}), row({1})}), "First input must be 1-by-1 dimension");
    EXPECT_EQ(error({factory.createCharArray(machine), row({1}), row({1})}), "First input must be a string");
    // The type is checked before the size, and the first input before the others.
    EXPECT_EQ(error({factory.createCharArray("ab"), real(1), real(1)}), "First input must be a string");
    EXPECT_EQ(error({factory.createScalar(MATLABString()), row({1}), row({1})}), "Missing string");
    EXPECT_EQ(error({factory.createScalar(u"mod\u00e8le.gsms"), row({1}), row({1})}),
              "Input data can only contain ASCII characters");
    EXPECT_EQ(error({text(testData("konv/none.gsms")), row({1}), row({1})}), "Path to GSMS file is invalid");
    EXPECT_EQ(error({text(testData("konv")), sym(0), real(0), flag(false)}), "Path to GSMS file is invalid");
    EXPECT_EQ(error({text(testData("check/delay-count.gsms")), row({1}), row({1})}),
              "There is not a delay for each active timer");
}

TEST_F(KonvEntry, PathVariantTakesInt64Rows) {
    EXPECT_EQ(pathError(real(1), row({1})), "Second input must be a int64 array");
    EXPECT_EQ(pathError(row({1}), factory.createScalar(std::int32_t{1})), "Third input must be a int64 array");
    EXPECT_EQ(pathError(factory.createArray<std::int64_t>({2, 1}, {1, 1}), row({1})),
              "Second input must have at most one row");
    EXPECT_EQ(pathError(row({1}), factory.createArray<std::int64_t>({1, 1, 2}, {1, 1})),
              "Third input must have at most one row");
    // An empty row passes the checks; the empty path then fails.
    EXPECT_EQ(pathError(row({}), row({})), "The path has no steps");
    EXPECT_EQ(pathError(factory.createArray<std::int64_t>({0, 0}), row({})), "The path has no steps");
}

TEST_F(KonvEntry, PathVariantNumbersFromOne) {
    EXPECT_EQ(call({text(machine), row({1, 2}), row({1, 1})}),
              "-1*exp(1/sym(20))*exp(-1/sym(100)*t)*heaviside(t-5)+1*heaviside(t-5)");
    // Destinations beyond the transitions are ignored; too few fail when the missing one is read.
    EXPECT_EQ(call({text(machine), row({1}), row({1, 7, 9})}), "-1*exp(-1/sym(100)*t)+1");
    EXPECT_EQ(pathError(row({1, 2}), row({1})), "Array index is invalid.");
    // 0 becomes the largest unsigned index.
    EXPECT_EQ(pathError(row({0}), row({1})), "Transition 18446744073709551615 does not exist");
    EXPECT_EQ(pathError(row({1}), row({2})), "Destination 1 of transition 0 does not exist");
}

TEST_F(KonvEntry, MatrixVariantTakesScalarsOfTheirClasses) {
    EXPECT_EQ(matrixError(real(1), real(0), flag(false)), "Second input must be a sym");
    EXPECT_EQ(matrixError(createSymArray({1, 2}, {1, 2}), real(0), flag(false)),
              "Second input must be 1-by-1 dimension");
    EXPECT_EQ(matrixError(sym(1), flag(false), flag(false)), "Third input must be a double");
    EXPECT_EQ(matrixError(sym(1), factory.createArray<double>({1, 2}), flag(false)),
              "Third input must be 1-by-1 dimension");
    EXPECT_EQ(matrixError(sym(1), real(0), real(0)), "Fourth input must be a logical");
    EXPECT_EQ(matrixError(sym(1), real(0), factory.createArray<bool>({0, 0})), "Fourth input must be 1-by-1 dimension");
}

TEST_F(KonvEntry, TimeBoundIsTheExactSymbolicValue) {
    // Start --Exp(1)--> Busy is worth 1 - exp(-1/3) = 0.2835 at t = 1/3: above 0.28, below 0.29.
    const Array path = text(testData("konv/self-loop.gsms"));
    const std::string cut = call({path, sym(Rational(1) / 3), real(0.29), flag(true)});
    EXPECT_EQ(cut, "[0 0 1-1*exp(-1*t) \n0 0 0 \n0 0 0 \n]");
    const std::string walked = call({path, sym(Rational(1) / 3), real(0.28), flag(true)});
    EXPECT_EQ(walked.rfind("[0 3/sym(5)-3/sym(4)*exp(-1*t)+3/sym(20)*exp(-5*t) ", 0), 0u) << walked;
}

TEST_F(KonvEntry, ModelWithoutStatesOfTheSms) {
    EXPECT_EQ(call({text(testData("konv/no-sms.gsms")), sym(0), real(0), flag(false)}), "[]");
    EXPECT_EQ(call({text(testData("konv/no-sms.gsms")), sym(0), real(0), flag(true)}), "[0 \n]");
}

TEST_F(KonvEntry, ModelIsKeptOnlyAfterACompletedParse) {
    EXPECT_EQ(function.model().stateCount(), 0u);
    call({text(machine), row({1}), row({1})});
    EXPECT_EQ(function.model().name(), "machine");
    error({text(testData("check/probability-two-values.gsms")), row({1}), row({1})});
    EXPECT_EQ(function.model().name(), "machine");
    error({text(testData("konv/none.gsms")), row({1}), row({1})});
    EXPECT_EQ(function.model().name(), "machine");
    // A parse that completes replaces the model even when the computation then fails.
    EXPECT_EQ(error({text(testData("konv/same-timer.gsms")), sym(0), real(0), flag(false)}).rfind("Transitions 0 and 1", 0),
              0u);
    EXPECT_EQ(function.model().name(), "sametimer");
}

}  // namespace
