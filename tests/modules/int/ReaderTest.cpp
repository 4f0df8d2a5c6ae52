// The readers of Drovaint's objects: values, the order of the property reads, and the host's
// and the library's messages for properties that are missing, of the wrong kind or invalid.

#include "IntegralObjects.hpp"
#include "algebra/SymbolicText.hpp"
#include "modules/int/ExpolyIntegralReader.hpp"

#include <gtest/gtest.h>

using namespace drova;

using namespace integral_objects;

namespace {

const std::string WrongKind = "Can't convert the Array to this TypedArray";

class IntegralReader : public testing::Test {
protected:
    matlab::engine::MATLABEngine engine;
    ExpolyIntegralReader reader{engine};

    std::string distributionText(const Array& holder) { return reader.readDistribution(holder)->toText(); }
    std::string formText(const Array& holder) { return toSymbolicText(reader.readLinearForm(holder)); }
};

}  // namespace

TEST_F(IntegralReader, RationalIsNumeratorOverDenominatorInLowestTerms) {
    EXPECT_EQ(reader.readRational(rational(u"6", u"4")), Rational(3, 2));
    EXPECT_EQ(reader.readRational(rational(u"-7")), Rational(-7));
    EXPECT_EQ(reader.readRational(rational(u"3/4", u"1/2")), Rational(3, 2));
    EXPECT_EQ(failure([&] { reader.readRational(rational(u"1", u"0")); }), "Integer division by zero");
    EXPECT_EQ(failure([&] { reader.readRational(rational(u"1.5")); }),
              "Could not parse the string \"1.5\" as a valid rational number.");
}

TEST_F(IntegralReader, RationalTextsMustBeStringsWithAnAsciiElement) {
    const ObjectArray half = rational(u"1", u"2");
    EXPECT_EQ(failure([&] { reader.readRational(withProperty(half, "Numenator", factory.createCharArray("1"))); }),
              WrongKind);
    EXPECT_EQ(failure([&] { reader.readRational(withProperty(half, "Numenator", factory.createScalar(MATLABString()))); }),
              "Missing string");
    EXPECT_EQ(failure([&] { reader.readRational(withProperty(half, "Numenator", factory.createScalar(u"\u00bd"))); }),
              "Input data can only contain ASCII characters");
    // The numerator is read and converted before the denominator is looked up.
    const ObjectArray broken = withoutProperty(withProperty(half, "Numenator", factory.createScalar(MATLABString())),
                                               "Denominator");
    EXPECT_EQ(failure([&] { reader.readRational(broken); }), "Missing string");
    EXPECT_EQ(failure([&] { reader.readRational(withoutProperty(half, "Denominator")); }),
              "Unrecognized property 'Denominator' for class 'ExpolyRational'.");
}

TEST_F(IntegralReader, LinearFormPairsNamesWithCoefficientsInOrder) {
    EXPECT_EQ(formText(form({1, -1}, {u"y", u"x"}, rational(u"1", u"2"))), "-x+y+1/sym(2)");
    // A name given twice gets the sum of its coefficients; a zero sum vanishes.
    EXPECT_EQ(formText(form({1, 1, -1}, {u"x", u"y", u"x"}, rational(u"0"))), "y");
    // Surplus coefficients are ignored.
    EXPECT_EQ(formText(form({-1, 5, 7}, {u"t"})), "-t");
    EXPECT_EQ(formText(zeroForm()), "0");
    EXPECT_EQ(failure([&] { reader.readLinearForm(form({1}, {u"x", u"y"})); }),
              "A linear form has 2 variables but 1 coefficient");
    EXPECT_EQ(failure([&] { reader.readLinearForm(form({}, {u"x"})); }),
              "A linear form has 1 variable but 0 coefficients");
}

TEST_F(IntegralReader, LinearFormPropertiesHaveTheirKinds) {
    const ObjectArray x = variable(u"x");
    EXPECT_EQ(failure([&] { reader.readLinearForm(withProperty(x, "VarConstants", factory.createScalar(1.0))); }),
              WrongKind);
    EXPECT_EQ(failure([&] { reader.readLinearForm(withProperty(x, "Vars", factory.createCharArray("x"))); }),
              WrongKind);
    EXPECT_EQ(failure([&] { reader.readLinearForm(withProperty(x, "Constant", factory.createScalar(0.0))); }),
              "Unrecognized property 'Numenator' for class 'double'.");
    // VarConstants is checked before Vars is read, and both before Constant.
    const ObjectArray bothWrong = withoutProperty(withProperty(x, "VarConstants", factory.createScalar(1.0)), "Vars");
    EXPECT_EQ(failure([&] { reader.readLinearForm(bothWrong); }), WrongKind);
    EXPECT_EQ(failure([&] { reader.readLinearForm(withoutProperty(withoutProperty(x, "Vars"), "Constant")); }),
              "Unrecognized property 'Vars' for class 'ExpolyLinearForm'.");
    const ObjectArray missingName =
        withProperty(x, "Vars", factory.createArray<MATLABString>({1, 1}, {MATLABString()}));
    EXPECT_EQ(failure([&] { reader.readLinearForm(missingName); }), "Missing string");
}

TEST_F(IntegralReader, DistributionOfEachMember) {
    EXPECT_EQ(distributionText(exponential(u"1/2")), "Exp(1/2)");
    EXPECT_EQ(distributionText(distribution("Deg", {rational(u"5")})), "Deg(5)");
    EXPECT_EQ(distributionText(distribution("Uni", {rational(u"1"), rational(u"3")})), "Uni(1, 3)");
    // Surplus parameters are ignored.
    EXPECT_EQ(distributionText(distribution("Exp", {rational(u"2"), rational(u"9")})), "Exp(2)");
    // Swapped bounds meet the uniform's own check.
    EXPECT_EQ(failure([&] { distributionText(distribution("Uni", {rational(u"3"), rational(u"1")})); }),
              "Lower bound endpoint must be lesser or equal to upper bound endpoint");
}

TEST_F(IntegralReader, DistributionNeedsItsParameters) {
    EXPECT_EQ(failure([&] { distributionText(distribution("Uni", {rational(u"1")})); }),
              "Distribution type Uni needs 2 rational parameters, but 1 was given");
    EXPECT_EQ(failure([&] { distributionText(distribution("Exp", {})); }),
              "Distribution type Exp needs 1 rational parameter, but 0 were given");
}

TEST_F(IntegralReader, DistributionOfAnotherMemberIsNotSupported) {
    const EnumerationClass kinds{"DistType", {{"Deg", 1}, {"Exp", 2}, {"Uni", 3}, {"Lognormal", 4}, {"Expo", 5}}};
    auto ofMember = [&](const std::string& member) {
        return withProperty(exponential(u"1"), "DistributionType", factory.createEnumArray({1, 1}, kinds, {member}));
    };
    EXPECT_EQ(distributionText(ofMember("Exp")), "Exp(1)");
    EXPECT_EQ(failure([&] { distributionText(ofMember("Lognormal")); }),
              "Distribution type Lognormal is not supported; it must be Exp, Deg or Uni");
    // The whole name is compared, not its first three characters.
    EXPECT_EQ(failure([&] { distributionText(ofMember("Expo")); }),
              "Distribution type Expo is not supported; it must be Exp, Deg or Uni");
}

TEST_F(IntegralReader, SymbolicIsTestedBeforeTheMemberName) {
    const EnumerationClass kinds{"DistType", {{"Lognormal", 4}}};
    const ObjectArray lognormal = withProperty(distribution("Exp", {}, false), "DistributionType",
                                               factory.createEnumArray({1, 1}, kinds, {"Lognormal"}));
    EXPECT_EQ(failure([&] { distributionText(lognormal); }), "Distribution must be symbolic");
    // A numeric element counts as true when it is not zero.
    const ObjectArray two = exponential(u"2");
    EXPECT_EQ(distributionText(withProperty(two, "Symbolic", factory.createScalar(3.0))), "Exp(2)");
    EXPECT_EQ(failure([&] { distributionText(withProperty(two, "Symbolic", factory.createScalar(std::int32_t{0}))); }),
              "Distribution must be symbolic");
    EXPECT_EQ(failure([&] { distributionText(withProperty(two, "Symbolic", factory.createScalar(u"true"))); }),
              "Can't convert this element");
    EXPECT_EQ(failure([&] { distributionText(withProperty(two, "Symbolic", factory.createArray<bool>({0, 0}))); }),
              "Array index is invalid.");
}

TEST_F(IntegralReader, DistributionPropertiesAreReadInOrder) {
    const ObjectArray two = exponential(u"2");
    EXPECT_EQ(failure([&] {
                  distributionText(withProperty(two, "DistributionType", factory.createScalar(u"Exp")));
              }),
              WrongKind);
    EXPECT_EQ(failure([&] { distributionText(withProperty(two, "RationalParameters", factory.createScalar(2.0))); }),
              WrongKind);
    // DistributionType's kind is checked before RationalParameters is looked up, which is
    // read before Symbolic.
    const ObjectArray typeWrong =
        withoutProperty(withProperty(two, "DistributionType", factory.createScalar(1.0)), "RationalParameters");
    EXPECT_EQ(failure([&] { distributionText(typeWrong); }), WrongKind);
    EXPECT_EQ(failure([&] { distributionText(withoutProperty(withoutProperty(two, "RationalParameters"), "Symbolic")); }),
              "Unrecognized property 'RationalParameters' for class 'ExpolyDistribution'.");
    // A parameter is read from element 1 of a 1-by-1 array of its own: a bad second parameter of
    // an exponential is never read.
    const ObjectArray badSecond =
        distribution("Exp", {rational(u"2"), rational(u"x", u"0")});
    EXPECT_EQ(distributionText(badSecond), "Exp(2)");
}
