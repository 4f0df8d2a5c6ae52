// The readers of drova's inputs: which paths open, the records a document becomes, and the
// messages of documents that are not JSON. The messages of documents that do not fit are
// checked end to end (tests/e2e).

#include "Failure.hpp"
#include "RunDrova.hpp"

#include "formats/InputFile.hpp"
#include "formats/IntegralJson.hpp"
#include "formats/JsonError.hpp"
#include "formats/SimModelJson.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace drova;

TEST(InputFile, OpensFilesButNotDirectoriesOrMissingPaths) {
    std::ifstream model = openInputFile(std::string(DROVA_SOURCE_DIR) + "/examples/machine.gsms");
    ASSERT_TRUE(model.is_open());
    std::string name;
    EXPECT_TRUE(model >> name);
    EXPECT_EQ(name, "machine");
    EXPECT_FALSE(openInputFile(std::string(DROVA_SOURCE_DIR) + "/examples").is_open());
    EXPECT_FALSE(openInputFile(testData("none.gsms")).is_open());
}

TEST(JsonError, DropsTheLibrarysTag) {
    try {
        [[maybe_unused]] const nlohmann::json document = nlohmann::json::parse("{");
        FAIL() << "parsed";
    } catch (const nlohmann::json::parse_error& e) {
        const std::string tag = "[json.exception.parse_error.101] ";
        ASSERT_EQ(std::string(e.what()).rfind(tag, 0), 0u);
        EXPECT_EQ(jsonErrorText(e), std::string(e.what()).substr(tag.size()));
    }
}

TEST(IntegralJson, ShorthandsBecomeThePropertiesTheyStandFor) {
    const IntegralCallDescription call = readIntegralJson(
        R"json({"proper": [{"Distribution": "Uni(1, 3/2)", "Vars": "x - 2*y + 1/2 + 1/3", "Var": "x",
                        "A": "0", "B": {"VarConstants": [1], "Vars": ["t"], "Constant": 7}}]})json");
    ASSERT_EQ(call.proper.size(), 1u);
    EXPECT_TRUE(call.improper.empty());
    const IntegralDescription& integral = call.proper[0];
    EXPECT_EQ(integral.distribution.distributionType, "Uni");
    ASSERT_EQ(integral.distribution.rationalParameters.size(), 2u);
    EXPECT_EQ(integral.distribution.rationalParameters[1].numenator, "3");
    EXPECT_EQ(integral.distribution.rationalParameters[1].denominator, "2");
    EXPECT_TRUE(integral.distribution.symbolic);
    EXPECT_EQ(integral.vars.varConstants, (std::vector<std::int32_t>{1, -2}));
    EXPECT_EQ(integral.vars.vars, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(integral.vars.constant.numenator, "5");  // the numbers add up: 1/2 + 1/3
    EXPECT_EQ(integral.vars.constant.denominator, "6");
    EXPECT_EQ(integral.b.vars, (std::vector<std::string>{"t"}));
    EXPECT_EQ(integral.b.constant.numenator, "7");
    EXPECT_EQ(integral.b.constant.denominator, "1");
}

TEST(IntegralJson, TextsOfNumbersAreKeptForTheModuleToJudge) {
    const IntegralCallDescription call = readIntegralJson(
        R"json({"improper": [{"Distribution": {"DistributionType": "Exp", "Symbolic": false,
                          "RationalParameters": ["0.5", "1/2/3", {"Numenator": "x", "Denominator": 0}]},
                          "Vars": "x", "Var": "\u03c4", "A": "y", "B": "0"}]})json");
    ASSERT_EQ(call.improper.size(), 1u);
    const DistributionDescription& distribution = call.improper[0].distribution;
    EXPECT_FALSE(distribution.symbolic);
    ASSERT_EQ(distribution.rationalParameters.size(), 3u);
    EXPECT_EQ(distribution.rationalParameters[0].numenator, "0.5");
    EXPECT_EQ(distribution.rationalParameters[0].denominator, "1");
    EXPECT_EQ(distribution.rationalParameters[1].numenator, "1/2/3");
    EXPECT_EQ(distribution.rationalParameters[2].numenator, "x");
    EXPECT_EQ(distribution.rationalParameters[2].denominator, "0");
    EXPECT_EQ(call.improper[0].var, "\xcf\x84");  // UTF-8, as the document holds it
}

TEST(IntegralJson, ValuesOfAnotherTypeAreKeptAsGiven) {
    const IntegralCallDescription call = readIntegralJson(
        R"json({"proper": [{"Distribution": {"DistributionType": ["Exp", "Lognormal"], "RationalParameters": [0.5, 2],
                         "Symbolic": 1}, "Vars": {"VarConstants": [1.5], "Vars": "x", "Constant": false},
                         "Var": ["x"], "A": null, "B": "t"}], "improper": 3})json");
    ASSERT_EQ(call.proper.size(), 1u);
    const IntegralDescription& integral = call.proper[0];
    const GivenProperties& distribution = integral.distribution.given;
    ASSERT_EQ(distribution.size(), 3u);
    EXPECT_EQ(distribution.at("DistributionType").kind, GivenValue::Kind::Enumeration);
    EXPECT_EQ(distribution.at("DistributionType").texts, (std::vector<std::string>{"Exp", "Lognormal"}));
    EXPECT_EQ(distribution.at("RationalParameters").numbers, (std::vector<double>{0.5, 2}));
    EXPECT_EQ(distribution.at("Symbolic").kind, GivenValue::Kind::Double);
    const GivenProperties& form = integral.vars.given;
    EXPECT_EQ(form.at("VarConstants").numbers, (std::vector<double>{1.5}));
    EXPECT_EQ(form.at("Vars").kind, GivenValue::Kind::String);
    EXPECT_EQ(form.at("Constant").logicals, (std::vector<bool>{false}));
    EXPECT_EQ(integral.given.at("Var").texts, (std::vector<std::string>{"x"}));
    EXPECT_TRUE(integral.given.at("A").empty);
    EXPECT_EQ(integral.given.count("B"), 0u);  // the text form
    EXPECT_EQ(call.given.at("improper").numbers, (std::vector<double>{3}));
    EXPECT_EQ(call.given.count("proper"), 0u);
}

TEST(IntegralJson, TextThatIsNotJsonSaysSoOnOneLine) {
    // The parser shows the character it stopped at; a control character becomes a blank.
    const std::string message = failure<DescriptionError>([] { readIntegralJson("{\"proper\": \x7f}"); });
    EXPECT_EQ(message.rfind("Invalid JSON: parse error at line 1, column 12: syntax error", 0), 0u) << message;
    EXPECT_NE(message.find("last read: '\"proper\":  '"), std::string::npos) << message;
    EXPECT_EQ(message.find('\x7f'), std::string::npos);
}

TEST(SimModelJson, TypesAreMembersByNameOrByValue) {
    std::istringstream in(R"json({"Name": "m", "States": [{"Name": "A", "DownState": false, "Transitions": []}],
        "Initial": {"InitialState": 1, "InitialTimers": []},
        "Distributions": [{"type": "Uni", "parameters": [1, 2.5]}, {"type": 4, "parameters": [0, 1]}],
        "Transitions": []})json");
    const SimModel model = readSimModelJson(in);
    ASSERT_EQ(model.Distributions.size(), 2u);
    EXPECT_EQ(model.Distributions[0].type, DistType::Uni);
    EXPECT_EQ(model.Distributions[0].parameters, (std::vector<double>{1.0, 2.5}));
    EXPECT_EQ(model.Distributions[1].type, DistType::Lognormal);
    std::istringstream broken("[1, 2");
    EXPECT_EQ(failure([&] { readSimModelJson(broken); }).rfind("Could not read the JSON model: parse error at line 1", 0),
              0u);
}
