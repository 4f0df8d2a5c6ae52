#include "Failure.hpp"
#include "host/MatlabData.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace drova;

using namespace matlab::data;

namespace {

const ArrayFactory factory;

}  // namespace

TEST(HostData, TypedViewsAcceptOnlyTheirKind) {
    Array number = factory.createScalar(2.5);
    Array chars = factory.createCharArray("abc");
    const std::string wrongKind = "Can't convert the Array to this TypedArray";
    EXPECT_EQ(failure<matlab::Exception>([&] { StringArray s = chars; }), wrongKind);
    EXPECT_EQ(failure<matlab::Exception>([&] { TypedArray<std::int32_t> i = number; }), wrongKind);
    EXPECT_EQ(failure<matlab::Exception>([&] { TypedArray<bool> b = number; }), wrongKind);
    EXPECT_EQ(failure<matlab::Exception>([&] { ObjectArray o = factory.createStructArray({1, 1}, {"a"}); }), wrongKind);
    EXPECT_EQ(failure<matlab::Exception>([&] { TypedArray<double> d = Array(); }), wrongKind);
    TypedArray<double> d = number;
    EXPECT_EQ(d[0], 2.5);
    EXPECT_EQ(CharArray(chars).toAscii(), "abc");
}

TEST(HostData, ElementIndexPastTheEndIsInvalid) {
    TypedArray<std::int64_t> row = factory.createArray<std::int64_t>({1, 2}, {7, 8});
    const TypedArray<std::int64_t>& constRow = row;
    EXPECT_EQ(constRow[1], 8);
    EXPECT_EQ(failure<matlab::Exception>([&] { (void)row[2]; }), "Array index is invalid.");
    EXPECT_EQ(failure<matlab::Exception>([&] { (void)constRow[2]; }), "Array index is invalid.");
    EXPECT_EQ(failure<matlab::Exception>([&] { (void)static_cast<double>(Array(row)[2]); }), "Array index is invalid.");
    EXPECT_EQ(failure<matlab::Exception>([&] { (void)factory.createArray<double>({1, 0})[0]; }), "Array index is invalid.");
}

TEST(HostData, StringElementsConvertToAsciiText) {
    StringArray strings = factory.createArray<MATLABString>({1, 3}, {MATLABString(u"model.gsms"), MATLABString(),
                                                                     MATLABString(u"caf\u00e9")});
    EXPECT_EQ(std::string(strings[0]), "model.gsms");
    EXPECT_EQ(failure<matlab::Exception>([&] { std::string s = strings[1]; }), "Missing string");
    EXPECT_EQ(failure<matlab::Exception>([&] { std::string s = strings[2]; }), "Input data can only contain ASCII characters");
    EXPECT_FALSE(strings[1].has_value());
    EXPECT_EQ(*strings[2], u"caf\u00e9");  // the 16-bit text itself is kept
    EXPECT_EQ(failure<matlab::Exception>([&] { factory.createScalar(std::string("\xc3\xa9")); }),
              "Input data can only contain ASCII characters");
    EXPECT_EQ(failure<matlab::Exception>([&] { factory.createCharArray("\x80"); }), "Input data can only contain ASCII characters");
    EXPECT_EQ(failure<matlab::Exception>([&] { factory.createCharArray(u"\u00e9").toAscii(); }),
              "Input data can only contain ASCII characters");
    EXPECT_EQ(std::string(factory.createScalar("x - y")[0]), "x - y");
}

TEST(HostData, UntypedElementsConvertBetweenLogicalAndNumbers) {
    // Read through the untyped Array, as a module reads a property of unknown kind.
    auto element = [](const Array& array) { return array[0]; };
    EXPECT_TRUE(static_cast<bool>(element(factory.createScalar(0.25))));
    EXPECT_FALSE(static_cast<bool>(element(factory.createScalar(std::int32_t{0}))));
    EXPECT_EQ(static_cast<double>(element(factory.createScalar(true))), 1.0);
    EXPECT_EQ(static_cast<std::int64_t>(element(factory.createScalar(-2.5))), -3);  // half away from zero
    EXPECT_EQ(static_cast<std::int32_t>(element(factory.createScalar(1e12))), 2147483647);
    EXPECT_EQ(static_cast<std::int32_t>(element(factory.createScalar(std::int64_t{-5000000000}))), -2147483648);
    EXPECT_EQ(static_cast<std::int64_t>(element(factory.createScalar(std::nan("")))), 0);
    EXPECT_EQ(std::string(element(factory.createScalar("text"))), "text");
    const std::string mismatch = "Can't convert this element";
    EXPECT_EQ(failure<matlab::Exception>([&] { (void)static_cast<bool>(element(factory.createScalar("true"))); }), mismatch);
    EXPECT_EQ(failure<matlab::Exception>([&] { (void)static_cast<bool>(element(factory.createCharArray("1"))); }), mismatch);
    EXPECT_EQ(failure<matlab::Exception>([&] { (void)std::string(element(factory.createScalar(1.0))); }), mismatch);
}

TEST(HostData, DimensionsAndClassNames) {
    EXPECT_EQ(factory.createArray<double>({3}).getDimensions(), (ArrayDimensions{3, 1}));
    EXPECT_EQ(factory.createArray<double>({1, 2, 1, 1}).getDimensions(), (ArrayDimensions{1, 2}));
    EXPECT_EQ(factory.createArray<double>({1, 2, 2}).getDimensions(), (ArrayDimensions{1, 2, 2}));
    EXPECT_EQ(factory.createArray<double>({2, 0, 3}).getNumberOfElements(), 0u);
    EXPECT_EQ(factory.createScalar(std::int64_t{1}).getClassName(), "int64");
    EXPECT_EQ(factory.createScalar(u"s").getClassName(), "string");
    EXPECT_EQ(factory.createCharArray("ab").getDimensions(), (ArrayDimensions{1, 2}));
    EXPECT_EQ(Array().getType(), ArrayType::UNKNOWN);
    EXPECT_NE(failure<matlab::Exception>([] { factory.createArray<double>({2, 2}, {1.0, 2.0, 3.0}); }), "no error");
}

TEST(HostData, CopiesAreIndependentValues) {
    TypedArray<double> original = factory.createArray<double>({1, 2}, {1.0, 2.0});
    TypedArray<double> copy = original;
    copy[0] = 10.0;
    EXPECT_EQ(original[0], 1.0);
    EXPECT_EQ(copy[0], 10.0);

    StructArray records = factory.createStructArray({1, 2}, {"Target", "Probability"});
    StructArray before = records;
    records[1]["Target"] = factory.createScalar(std::int64_t{2});
    EXPECT_EQ(records[1]["Target"].getClassName(), "int64");
    EXPECT_TRUE(before[1]["Target"].isEmpty());
    EXPECT_EQ(before[1]["Target"].getClassName(), "double");
}

TEST(HostData, StructsKeepTheirFieldsInOrder) {
    StructArray records = factory.createStructArray({1, 1}, {"Source", "Distributions", "Destinations"});
    EXPECT_EQ(records.getFieldNames(), (std::vector<std::string>{"Source", "Distributions", "Destinations"}));
    EXPECT_EQ(failure<matlab::Exception>([&] { (void)records[0]["Target"]; }), "Reference to non-existent field 'Target'.");
    EXPECT_NE(failure<matlab::Exception>([] { factory.createStructArray({1, 1}, {"a", "b", "a"}); }), "no error");
}

TEST(HostData, EnumerationMembersCarryNameAndValue) {
    EnumerationClass distType{"DistType", {{"Deg", 1}, {"Exp", 2}, {"Uni", 3}, {"Lognormal", 4}}};
    EnumArray types = factory.createEnumArray({1, 2}, distType, {"Uni", "Deg"});
    EXPECT_EQ(types.getClassName(), "DistType");
    EXPECT_EQ(std::string(types[0]), "Uni");
    EXPECT_EQ(types[0].getValue(), 3);
    EXPECT_EQ(types.getEnumerationClass().members.size(), 4u);
    EXPECT_NE(failure<matlab::Exception>([&] { factory.createEnumArray({1, 1}, distType, {"Normal"}); }), "no error");
}

TEST(HostData, ObjectArraysHoldObjectsOfTheirClass) {
    Object rational("RationalValue", {{"Numenator", factory.createScalar("3")}});
    ObjectArray array = factory.createObjectArray({1, 2}, "RationalValue", {rational, rational});
    array[1].setProperty("Numenator", factory.createScalar("4"));
    EXPECT_EQ(std::string(StringArray(*array[1].findProperty("Numenator"))[0]), "4");
    EXPECT_EQ(std::string(StringArray(*array[0].findProperty("Numenator"))[0]), "3");
    EXPECT_EQ(array[0].findProperty("Denominator"), nullptr);
    ObjectArray single = factory.createScalar(array[1]);
    EXPECT_EQ(single.getClassName(), "RationalValue");
    EXPECT_EQ(single.getDimensions(), (ArrayDimensions{1, 1}));
    EXPECT_NE(failure<matlab::Exception>([&] { factory.createObjectArray({1, 1}, "ExpolyIntegral", {rational}); }), "no error");
    EXPECT_TRUE(factory.createObjectArray({1, 0}, "ExpolyIntegral", {}).isEmpty());
}
