// The net file: exact numbers and expressions, conditions over the marking, and the reader's
// messages, which name the key, the line and the column.

#include "convert/net/NetExpression.hpp"
#include "convert/net/ReadNet.hpp"

#include <gtest/gtest.h>

namespace {

using namespace drova;
using namespace drova::net;

std::string messageOf(const std::string& text) {
    try {
        readNet(text, "net");
    } catch (const NetReadError& e) {
        return e.what();
    }
    return "(no error)";
}

const std::string places = "[places]\nup = 2\ndown = 0\n";
const std::string fail = "[transitions.fail]\ndistribution = \"Exp(1)\"\ninputs = { up = 1 }\noutputs = { down = 1 }\n";

TEST(NetExpression, NumbersAreExactDecimalsFractionsAndExpressions) {
    EXPECT_EQ(*parseDecimal("0.95"), Rational(19, 20));
    EXPECT_EQ(*parseDecimal("2.5e2"), Rational(250));
    EXPECT_EQ(*parseDecimal("1E-3"), Rational(1, 1000));
    EXPECT_EQ(*parseDecimal("007"), Rational(7));
    for (const char* bad : {"", ".", "1.2.3", "1e", "e3", "1e+", "0x10"}) EXPECT_FALSE(parseDecimal(bad)) << bad;

    const std::map<std::string, Rational, std::less<>> names{{"lambda", Rational(1, 2000)}, {"c", Rational(1, 10)}};
    EXPECT_EQ(evaluateNumber("1/2000", {}), Rational(1, 2000));
    EXPECT_EQ(evaluateNumber("3 * lambda", names), Rational(3, 2000));
    EXPECT_EQ(evaluateNumber("1 - c", names), Rational(9, 10));
    EXPECT_EQ(evaluateNumber("-(1 + 2) * 3 / 4 - -1", {}), Rational(-5, 4));
    EXPECT_EQ(evaluateNumber("2 * 3 + 4 / 2", {}), Rational(8));  // precedence
    EXPECT_EQ(evaluateNumber("12 / 4 / 3", {}), Rational(1));     // left to right
}

TEST(NetExpression, MistakesSayWhatAndWhere) {
    const std::map<std::string, Rational, std::less<>> names{{"lambda", Rational(1, 2000)}};
    const auto where = [&](const std::string& text) -> std::pair<std::string, std::size_t> {
        try {
            evaluateNumber(text, names);
        } catch (const ExpressionError& e) {
            return {e.what(), e.offset()};
        }
        return {"(no error)", 0};
    };
    EXPECT_EQ(where("2 * lamda"), std::make_pair(std::string("unknown parameter \"lamda\" (did you mean \"lambda\"?)"), std::size_t{4}));
    EXPECT_EQ(where("1 / (2 - 2)"), std::make_pair(std::string("division by zero"), std::size_t{2}));
    EXPECT_EQ(where("(1 + 2"), std::make_pair(std::string("expected \")\" before the end of the expression"), std::size_t{6}));
    EXPECT_EQ(where("1 2"), std::make_pair(std::string("unexpected \"2\""), std::size_t{2}));
    EXPECT_EQ(where("1 $ 2").first, "unexpected character \"$\"");
    EXPECT_EQ(where("").first, "the expression is empty");
    // Numbers that outgrow any model are refused, which keeps a hostile file's work bounded.
    EXPECT_EQ(where("1e9999 * 1e9999 * 1e9999"), std::make_pair(std::string("the number grows beyond 10000 digits"), std::size_t{16}));
}

TEST(NetExpression, ConditionsOverTheMarking) {
    const std::map<std::string, std::size_t, std::less<>> index{{"a", 0}, {"b", 1}};
    const auto holds = [&](const std::string& text, std::uint32_t a, std::uint32_t b) {
        return parseCondition(text, index).holds({a, b});
    };
    EXPECT_TRUE(holds("a < 2", 1, 0));
    EXPECT_FALSE(holds("a < 2", 2, 0));
    EXPECT_TRUE(holds("a + b >= 3 and not b == 0", 1, 2));
    // and binds tighter than or; not applies to the comparison after it.
    EXPECT_TRUE(holds("a == 1 or a == 0 and b == 5", 1, 0));
    EXPECT_FALSE(holds("(a == 1 or a == 0) and b == 5", 1, 0));
    EXPECT_TRUE(holds("2 * a - b != -1", 0, 0));
    EXPECT_TRUE(holds("(a + 1) * 2 <= 4", 1, 9));

    const auto mistake = [&](const std::string& text) -> std::string {
        try {
            parseCondition(text, index);
        } catch (const ExpressionError& e) {
            return std::string(e.what()) + " @" + std::to_string(e.offset());
        }
        return "(no error)";
    };
    EXPECT_EQ(mistake("a + 1"), "expected a comparison such as \"place < 2\", not a number @0");
    EXPECT_EQ(mistake("a < b < 3"), "comparisons do not chain: join them with \"and\" @6");
    EXPECT_EQ(mistake("a < 1 and b"), "expected a comparison such as \"place < 2\", not a number @10");
    EXPECT_EQ(mistake("(a < 1) + 2 > 0"), "expected a number, not a comparison @0");
    EXPECT_EQ(mistake("c == 1"), "unknown place \"c\" @0");
    EXPECT_EQ(mistake("a / 2 == 1"), "conditions count tokens in integers: \"/\" is not allowed @2");
    EXPECT_EQ(mistake("a == 1.5"), "conditions count tokens in integers: \"1.5\" is not one @5");
    // A sum beyond 64 bits is refused when evaluated, not wrapped round.
    const Condition huge = parseCondition("a * 2147483647 * 2147483647 * 2147483647 > 0", index);
    EXPECT_THROW(huge.holds({2147483647, 0}), std::invalid_argument);
}

TEST(ReadNet, ReadsEveryPartOfANet) {
    const PetriNet net = readNet(R"net(
name = "pumps"
[parameters]
lambda = "1/2000"
mu = "2 * lambda"
p = 0.95
[places]
working = 3
broken = 0
[transitions.fail]
distribution = "Exp(lambda)"
servers = "infinite"
inputs = { working = 1 }
outputs = { broken = 1 }
[transitions.repair]
distribution = "Uni(mu, 2 * mu + 1)"
inputs = { broken = 1 }
outputs = { working = 1 }
inhibitors = { working = 3 }
guard = "broken >= 1"
priority = 2
[transitions.choose]
distribution = "Imm"
weight = "1 - p"
[measures]
down = "working < 2"
)net",
                                 "ignored");
    EXPECT_EQ(net.name, "pumps");
    EXPECT_EQ(net.places, (std::vector<std::string>{"working", "broken"}));
    EXPECT_EQ(net.initialMarking, (std::vector<std::uint32_t>{3, 0}));
    ASSERT_EQ(net.transitions.size(), 3u);
    // In the file's order, not the reader's sorted one.
    EXPECT_EQ(net.transitions[0].name, "fail");
    EXPECT_EQ(net.transitions[1].name, "repair");
    EXPECT_EQ(net.transitions[0].law->toText(), "Exp(1/2000)");
    EXPECT_TRUE(net.transitions[0].exponential && net.transitions[0].infiniteServers);
    EXPECT_EQ(net.transitions[1].law->toText(), "Uni(1/1000, 501/500)");
    EXPECT_EQ(net.transitions[1].inhibitors.size(), 1u);
    EXPECT_EQ(net.transitions[1].priority, 2);
    EXPECT_TRUE(net.transitions[1].guard->holds({0, 1}));
    EXPECT_FALSE(net.transitions[1].guard->holds({3, 0}));
    EXPECT_TRUE(net.transitions[2].immediate());
    EXPECT_EQ(net.transitions[2].weight, Rational(1, 20));  // the TOML float 0.95 is 19/20 exactly
    EXPECT_TRUE(net.down->holds({1, 2}));
    EXPECT_EQ(readNet(places + fail, "file-stem").name, "file-stem");
}

TEST(ReadNet, MistakesNameTheKeyLineAndColumn) {
    EXPECT_EQ(messageOf(places + fail + "[transitions.fail2]\ndistribution = \"Exp(1)\"\ninputs = { dwon = 1 }\n"),
              "transitions.fail2.inputs.dwon (line 10, column 12): unknown place \"dwon\" (did you mean \"down\"?)");
    EXPECT_EQ(messageOf(places + fail + "[transitions.r]\ndistributon = \"Deg(1)\"\n"),
              "transitions.r.distributon (line 9, column 1): unknown key \"distributon\" (did you mean \"distribution\"?)");
    // Inside a string, the column is that of the mistake.
    EXPECT_EQ(messageOf(places + fail + "[transitions.r]\ndistribution = \"Exq(1)\"\n"),
              "transitions.r.distribution (line 9, column 17): unknown distribution \"Exq\" (did you mean \"Exp\"?)");
    EXPECT_EQ(messageOf(places + fail + "[transitions.r]\ndistribution = \"Deg(1)\"\nguard = \"up >< 1\"\n"),
              "transitions.r.guard (line 10, column 14): expected a place, a number or \"(\" before \"<\"");
    EXPECT_EQ(messageOf(places + fail + "[transitions.r]\ndistribution = \"Uni(2, 1)\"\n"),
              "transitions.r.distribution (line 9, column 16): Lower bound endpoint must be lesser or equal to upper bound endpoint");
    EXPECT_EQ(messageOf(places + fail + "[transitions.r]\ndistribution = \"Uni(2)\"\n"),
              "transitions.r.distribution (line 9, column 17): Uni takes 2 parameters: Uni(low, high)");
    EXPECT_EQ(messageOf(places + fail + "[transitions.r]\ndistribution = \"Deg(1)\"\nservers = \"infinite\"\n"),
              "transitions.r.servers (line 10, column 11): only an exponential transition can have infinite servers");
    EXPECT_EQ(messageOf(places + fail + "[transitions.r]\ndistribution = \"Deg(1)\"\nweight = 2\n"),
              "transitions.r.weight (line 10, column 10): only an immediate transition (Imm) has a weight");
    EXPECT_EQ(messageOf(places + fail + "[transitions.r]\ndistribution = \"Imm\"\nweight = \"1 - 1\"\n"),
              "transitions.r.weight (line 10, column 10): a weight must be positive, not 0");
    EXPECT_EQ(messageOf("[parameters]\na = \"b + 1\"\nb = 1\n" + places + fail),
              "parameters.a (line 2, column 6): unknown parameter \"b\"");
    EXPECT_EQ(messageOf("[places]\nup = 1.5\n" + fail),
              "places.up (line 2, column 6): a number of tokens must be a whole number from 0 to 2147483647, not 3/2");
    EXPECT_EQ(messageOf(places + fail + "[measures]\ndown = \"up < 1\"\nup = 2\n"),
              "measures.up (line 10, column 1): unknown key \"up\"; the keys here are down");
    EXPECT_EQ(messageOf("[places]\nup = 1\n[transitions.fail]\ninputs = { up = 1 }\n"),
              "transitions.fail (line 3, column 1): the transition has no distribution (Exp(rate), Deg(delay), Uni(low, high) or Imm)");
    EXPECT_EQ(messageOf(places), "The net has no [transitions.NAME] table");
    // Beyond ASCII: only in comments.
    EXPECT_EQ(messageOf("# Pumpen f\u00fcr Wasser\n" + places + fail), "(no error)");
    EXPECT_EQ(messageOf("name = \"Kl\u00e4ranlage\"\n" + places + fail),
              "The net is not valid TOML at line 1, column 11: a character beyond ASCII, which only a comment may hold");
    EXPECT_EQ(messageOf(places + fail + "[transitions.f\u0484]\n"),
              "The net is not valid TOML at line 8, column 15: a character beyond ASCII, which only a comment may hold");
    // A malformed value runs on into what looks like a string and a comment.
    EXPECT_EQ(messageOf("a = 7A\"#\u0487\n" + places + fail),
              "The net is not valid TOML at line 1, column 9: a character beyond ASCII, which only a comment may hold");
    EXPECT_EQ(messageOf("[places\nup = 1\n").rfind("The net is not valid TOML at line 1, column ", 0), 0u);
}

}  // namespace
