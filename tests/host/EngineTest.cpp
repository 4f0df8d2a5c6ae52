#include "host/MatlabEngine.hpp"
#include "host/Sym.hpp"

#include <gtest/gtest.h>

using namespace drova;

using namespace matlab::data;
using matlab::engine::MATLABEngine;
using matlab::engine::MATLABException;

namespace {

const ArrayFactory factory;

struct Raised {
    std::string identifier;
    std::string message;
};

Raised raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const MATLABException& e) {
        return {e.getMessageID(), e.getMessageText()};
    }
    return {"", "no error"};
}

bool isa(MATLABEngine& engine, const Array& value, const char* typeName) {
    TypedArray<bool> result = engine.feval(u"isa", 1, {value, factory.createCharArray(typeName)}).at(0);
    return result[0];
}

std::string text(const Array& stringScalar) { return StringArray(stringScalar)[0]; }

}  // namespace

TEST(HostEngine, IsaMatchesTheClassName) {
    MATLABEngine engine;
    EXPECT_TRUE(isa(engine, factory.createScalar(u"p"), "string"));
    EXPECT_FALSE(isa(engine, factory.createCharArray("p"), "string"));
    EXPECT_TRUE(isa(engine, factory.createArray<std::int64_t>({1, 0}), "int64"));
    EXPECT_FALSE(isa(engine, factory.createScalar(1.0), "int64"));
    EXPECT_TRUE(isa(engine, createSymScalar(Rational(1, 3)), "sym"));
    EXPECT_TRUE(isa(engine, factory.createObjectArray({1, 0}, "ExpolyIntegral", {}), "ExpolyIntegral"));
    EXPECT_FALSE(isa(engine, factory.createObjectArray({1, 0}, "ExpolyIntegral", {}), "expolyintegral"));
    EXPECT_TRUE(isa(engine, factory.createScalar(std::int32_t{1}), "numeric"));
    EXPECT_FALSE(isa(engine, factory.createScalar(true), "numeric"));
    EXPECT_EQ(raised([&] { engine.feval(u"isa", 1, {factory.createScalar(1.0)}); }).message,
              "Not enough input arguments.");
}

TEST(HostEngine, ErrorEndsTheCallWithItsMessage) {
    MATLABEngine engine;
    Raised plain = raised([&] { engine.feval(u"error", 0, {factory.createScalar("Two inputs required")}); });
    EXPECT_EQ(plain.message, "Two inputs required");
    EXPECT_EQ(plain.identifier, "");
    Raised identified = raised([&] {
        engine.feval("error", 0, {factory.createCharArray("Drova:test"), factory.createCharArray("a %d b\\n")});
    });
    EXPECT_EQ(identified.identifier, "Drova:test");
    EXPECT_EQ(identified.message, "a %d b\\n");
    EXPECT_EQ(raised([&] { engine.feval(u"error", 0, {factory.createCharArray("")}); }).message, "no error");
}

TEST(HostEngine, NumdenSplitsASymIntoNumeratorAndDenominator) {
    MATLABEngine engine;
    Array third = createSymScalar(Rational(1) / 3);
    std::vector<Array> parts = engine.feval(u"numden", 2, {third});
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(symElement(parts[0], 0), 1);
    EXPECT_EQ(symElement(parts[1], 0), 3);
    EXPECT_EQ(text(engine.feval(u"string", parts[0])), "1");
    EXPECT_EQ(text(engine.feval(u"string", parts[1])), "3");

    std::vector<Array> negative = engine.feval(u"numden", 2, {createSymScalar(Rational(-6, 8))});
    EXPECT_EQ(text(engine.feval(u"string", negative[0])), "-3");
    EXPECT_EQ(text(engine.feval(u"string", negative[1])), "4");
    EXPECT_EQ(engine.feval(u"numden", 1, {third}).size(), 1u);

    Raised onDouble = raised([&] { engine.feval(u"numden", 2, {factory.createScalar(0.5)}); });
    EXPECT_EQ(onDouble.message, "Undefined function 'numden' for input arguments of type 'double'.");
    EXPECT_EQ(raised([&] { engine.feval(u"numden", 3, {third}); }).message, "Too many output arguments.");
}

TEST(HostEngine, StringWritesSymTextsAndKeepsShape) {
    MATLABEngine engine;
    Array values = createSymArray({1, 3}, {Rational(7), Rational(-3, 4), Rational(6, 4)});
    StringArray texts = engine.feval(u"string", values);
    EXPECT_EQ(texts.getDimensions(), (ArrayDimensions{1, 3}));
    EXPECT_EQ(std::string(texts[0]) + " " + std::string(texts[1]) + " " + std::string(texts[2]), "7 -3/4 3/2");
    EXPECT_EQ(text(engine.feval(u"string", factory.createCharArray("t0"))), "t0");
    EXPECT_EQ(raised([&] { engine.feval(u"string", factory.createStructArray({1, 1}, {})); }).message,
              "Conversion to string from struct is not possible.");
}

TEST(HostEngine, UnknownFunctionsAndReplacedFunctions) {
    MATLABEngine engine;
    EXPECT_EQ(raised([&] { engine.feval(u"sympref", 0, {factory.createScalar(1.0)}); }).message,
              "Undefined function 'sympref' for input arguments of type 'double'.");
    engine.define("numden", [](std::size_t, const std::vector<Array>&) -> std::vector<Array> {
        return {createSymScalar(5), createSymScalar(7)};
    });
    EXPECT_EQ(symElement(engine.feval(u"numden", 2, {factory.createScalar(1.0)})[1], 0), 7);
}

TEST(HostEngine, PropertiesAreReadPerElement) {
    MATLABEngine engine;
    Object first("LinearForm", {{"Vars", factory.createScalar("x")}});
    Object second("LinearForm", {{"Vars", factory.createScalar("y")}});
    Array forms = factory.createObjectArray({1, 2}, "LinearForm", {first, second});
    EXPECT_EQ(text(engine.getProperty(forms, u"Vars")), "x");
    EXPECT_EQ(text(engine.getProperty(forms, 1, u"Vars")), "y");
    Raised missing = raised([&] { engine.getProperty(forms, 0, u"Constant"); });
    EXPECT_EQ(missing.message, "Unrecognized property 'Constant' for class 'LinearForm'.");
    EXPECT_EQ(raised([&] { engine.getProperty(factory.createScalar(1.0), "Vars"); }).message,
              "Unrecognized property 'Vars' for class 'double'.");
    EXPECT_THROW(engine.getProperty(forms, 2, "Vars"), InvalidArrayIndexException);
}
