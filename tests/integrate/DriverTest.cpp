// The nested integral that Drovaint computes from its two object arrays: exact texts, the order
// of the steps, and which failure is reported first.

#include "IntegralObjects.hpp"

#include <gtest/gtest.h>

using namespace drova;

using namespace integral_objects;

namespace {

class Drovaint : public testing::Test {
protected:
    static void SetUpTestSuite() { module = new LoadedModule(DROVA_LIB_DIR "/Drovaint.so"); }
    static void TearDownTestSuite() {
        delete module;
        module = nullptr;
    }

    // The text Drovaint(proper, improper) returns.
    static std::string text(std::vector<Object> proper, std::vector<Object> improper = {}) {
        std::vector<Array> out = module->call(
            1, {makeExpolyIntegralArray(std::move(proper)), makeExpolyIntegralArray(std::move(improper))});
        return std::string(StringArray(out.at(0))[0]);
    }
    static std::string callFailure(std::vector<Object> proper, std::vector<Object> improper = {}) {
        return failure([&] { text(std::move(proper), std::move(improper)); });
    }

    static LoadedModule* module;
};

LoadedModule* Drovaint::module = nullptr;

const std::string UpperBound = "Improper integral must not have an upper bound";

// An integral whose distribution is no distribution object at all.
Object withBadDistribution(const Object& integral) {
    return withProperty(integral, "Distribution", factory.createScalar(1.0));
}

}  // namespace

TEST_F(Drovaint, WorkedExample) {
    EXPECT_EQ(text({workedProper()}, {workedImproper()}), WorkedExampleText);
    EXPECT_EQ(text({workedProper()}), "-1*exp(-3*t)+1");
    EXPECT_EQ(text({}, {workedImproper()}), "1*exp(-2*y)");
}

TEST_F(Drovaint, VariableIsNamedByTheStringScalar) {
    const Object inS = integral(exponential(u"3"), variable(u"s"), u"s", zeroForm(), variable(u"t"));
    EXPECT_EQ(text({inS}), "-1*exp(-3*t)+1");
    // Integrating in a variable that the density does not contain multiplies by the length.
    const Object inZ = withProperty(inS, "Var", factory.createScalar(u"z"));
    EXPECT_EQ(text({inZ}), "3*exp(-3*s)*t^(1)");
    EXPECT_EQ(callFailure({withProperty(inS, "Var", factory.createCharArray("s"))}),
              "Can't convert the Array to this TypedArray");
    EXPECT_EQ(callFailure({withProperty(inS, "Var", factory.createScalar(u"\u03c4"))}),
              "Input data can only contain ASCII characters");
}

TEST_F(Drovaint, FirstElementIsTheOutermostIntegral) {
    // P(X <= t) for X exponential of rate 1, and P(Y <= x) for Y of rate 2.
    const Object outer = integral(exponential(u"1"), variable(u"x"), u"x", zeroForm(), variable(u"t"));
    const Object inner = integral(exponential(u"2"), variable(u"y"), u"y", zeroForm(), variable(u"x"));
    // Integral over x of exp(-x) * (1 - exp(-2x)) from 0 to t.
    EXPECT_EQ(text({outer, inner}), "1/sym(3)*exp(-3*t)+2/sym(3)-1*exp(-1*t)");
    // Swapped, the integral in x comes first and the one in y leaves x free.
    EXPECT_EQ(text({inner, outer}), "1*exp(-1*t)*exp(-2*x)-1*exp(-1*t)-1*exp(-2*x)+1");
}

TEST_F(Drovaint, EveryObjectIsOneStepAlsoForTheSameVariable) {
    const Object once = integral(exponential(u"1"), variable(u"x"), u"x", zeroForm(), variable(u"t"));
    EXPECT_EQ(text({once}), "-1*exp(-1*t)+1");
    EXPECT_EQ(text({once, once}), "1*exp(-2*t)-2*exp(-1*t)+1");
}

TEST_F(Drovaint, ImproperUpperBoundMustBeTheZeroForm) {
    // Tested before the distribution is read.
    EXPECT_EQ(callFailure({}, {withBadDistribution(withProperty(workedImproper(), "B", constant(u"5")))}), UpperBound);
    EXPECT_EQ(callFailure({}, {withProperty(workedImproper(), "B", variable(u"x"))}), UpperBound);
    EXPECT_EQ(callFailure({}, {withProperty(workedImproper(), "B", constant(u"-1/2"))}), UpperBound);
    // x - x is the zero form once the names are combined.
    const Object cancelled = withProperty(workedImproper(), "B", form({1, -1}, {u"x", u"x"}));
    EXPECT_EQ(text({workedProper()}, {cancelled}), WorkedExampleText);
    // An improper object's own B is read only after its other four properties.
    EXPECT_EQ(callFailure({}, {withBadDistribution(withoutProperty(factory.createScalar(workedImproper()), "B")[0])}),
              "Unrecognized property 'B' for class 'ExpolyIntegral'.");
    EXPECT_EQ(callFailure({}, {withoutProperty(withoutProperty(factory.createScalar(workedImproper()), "B"), "A")[0]}),
              "Unrecognized property 'A' for class 'ExpolyIntegral'.");
}

TEST_F(Drovaint, ProperValuesAreBuiltInPropertyOrder) {
    const Object p = workedProper();
    // Distribution, then Vars, Var, A and B.
    const Object allWrong = withProperty(withProperty(withBadDistribution(p), "Vars", factory.createScalar(1.0)), "B",
                                         factory.createScalar(1.0));
    EXPECT_EQ(callFailure({allWrong}), "Unrecognized property 'DistributionType' for class 'double'.");
    EXPECT_EQ(callFailure({withProperty(withProperty(p, "Vars", factory.createScalar(1.0)), "A",
                                        constant(u"1/0"))}),
              "Unrecognized property 'VarConstants' for class 'double'.");
    EXPECT_EQ(callFailure({withProperty(withProperty(p, "A", constant(u"1/0")), "B", constant(u"x"))}),
              "Integer division by zero");
    EXPECT_EQ(callFailure({withProperty(p, "B", constant(u"x"))}),
              "Could not parse the string \"x\" as a valid rational number.");
}

TEST_F(Drovaint, ImproperObjectsGoFirstEachListFromItsEnd) {
    const Object badRate = withProperty(workedProper(), "Distribution", exponential(u"0"));
    const Object badDelay = withProperty(workedProper(), "Distribution", distribution("Deg", {rational(u"-1")}));
    const Object notSymbolic = withProperty(workedImproper(), "Distribution", distribution("Exp", {rational(u"2")}, false));
    const Object badBound = withProperty(workedImproper(), "B", constant(u"1"));
    // The first input's last object goes first among the proper ones.
    EXPECT_EQ(callFailure({badRate, badDelay}), "The delay must be non-negative");
    EXPECT_EQ(callFailure({badDelay, badRate}), "The rate must be positive");
    // Every improper object goes before any proper one, the last improper object first.
    EXPECT_EQ(callFailure({badRate}, {notSymbolic}), "Distribution must be symbolic");
    EXPECT_EQ(callFailure({badRate}, {notSymbolic, badBound}), UpperBound);
    EXPECT_EQ(callFailure({badRate}, {workedImproper()}), "The rate must be positive");
}

TEST_F(Drovaint, FailuresOfTheDistributionsPassThrough) {
    // A point mass whose argument lacks the integration variable cannot be solved for it.
    const Object degenerate =
        integral(distribution("Deg", {rational(u"2")}), variable(u"x"), u"y", zeroForm(), variable(u"t"));
    EXPECT_EQ(callFailure({degenerate}), "The variable y does not exist");
    EXPECT_EQ(text({withProperty(degenerate, "Var", factory.createScalar(u"x"))}), "1*heaviside(t-2)");
    // A uniform density whose argument has the coefficient 2 in the integration variable.
    const Object doubled = integral(distribution("Uni", {rational(u"0"), rational(u"1")}), form({2}, {u"x"}), u"x",
                                    zeroForm(), variable(u"t"));
    EXPECT_EQ(callFailure({doubled}), "The variable x must not have a constant besides 1 and -1");
}
