#include "Failure.hpp"
#include "algebra/Rational.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace drova;

namespace {

std::string parseMessage(std::string_view text) {
    return failure([&] { parseRational(text); });
}

TEST(Rational, TextFormWritesDenominatorOnlyWhenNotOne) {
    EXPECT_EQ(toText(Rational(3)), "3");
    EXPECT_EQ(toText(Rational(-3, 4)), "-3/4");
    EXPECT_EQ(toText(Rational(6, 4)), "3/2");
    EXPECT_EQ(toText(RationalZero), "0");
    EXPECT_EQ(toText(RationalOne), "1");
}

TEST(Rational, ReadsDecimalWholeNumbersAndFractions) {
    EXPECT_EQ(parseRational("3"), Rational(3));
    EXPECT_EQ(parseRational("-7"), Rational(-7));
    EXPECT_EQ(parseRational("3/4"), Rational(3, 4));
    EXPECT_EQ(parseRational("-6/4"), Rational(-3, 2));
    EXPECT_EQ(parseRational("123456789012345678901234567890"),
              Rational(BigInt("123456789012345678901234567890")));
}

TEST(Rational, LeadingZerosAreDecimalNotOctal) {
    EXPECT_EQ(parseRational("010"), Rational(10));
    EXPECT_EQ(parseRational("007/010"), Rational(7, 10));
}

TEST(Rational, RejectsEverythingButDecimalText) {
    for (const char* bad : {"", "-", "0x10", "1.5", "+3", "1/", "/2", "1/-2", "--1", " 1", "1 ", "1e3", "abc"}) {
        EXPECT_EQ(parseMessage(bad),
                  std::string("Could not parse the string \"") + bad + "\" as a valid rational number.")
            << bad;
    }
}

TEST(Rational, ZeroDenominatorIsDivisionByZero) {
    EXPECT_EQ(parseMessage("1/0"), "Integer division by zero");
    EXPECT_THROW(fromTexts("1", "0"), std::overflow_error);
    try {
        fromTexts("5", "0/3");
        FAIL();
    } catch (const std::overflow_error& e) {
        EXPECT_STREQ(e.what(), "Integer division by zero");
    }
}

TEST(Rational, FromTextsDividesExactly) {
    EXPECT_EQ(fromTexts("6", "4"), Rational(3, 2));
    EXPECT_EQ(fromTexts("1/2", "-3"), Rational(-1, 6));
    EXPECT_EQ(fromTexts("0", "5"), RationalZero);
    // The numerator is read before the denominator, so its error wins.
    try {
        fromTexts("x", "0");
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Could not parse the string \"x\" as a valid rational number.");
    }
}

TEST(Rational, ParseErrorShowsTheWholeTextSafely) {
    // A NUL or a control byte would cut or garble the message; an oversized text is shortened.
    const auto message = [](std::string_view text) {
        try {
            parseRational(text);
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message(std::string_view("1\0" "2", 3)), "Could not parse the string \"1\\x002\" as a valid rational number.");
    EXPECT_EQ(message("3\n\xE9"), "Could not parse the string \"3\\x0A\\xE9\" as a valid rational number.");
    const std::string shown = message(std::string(100000, '7') + "x");
    EXPECT_EQ(shown, "Could not parse the string \"" + std::string(200, '7') + "...\" as a valid rational number.");
}

}  // namespace
