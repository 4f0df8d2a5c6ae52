// The timer kinds beyond Exp, Deg and Uni in a GSMS file: what each line reads as, that the
// writer's lines read back to equal laws, and the messages for lines that do not fit.

#include "Failure.hpp"
#include "gsms/ReadGsms.hpp"
#include "gsms/WriteGsms.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace drova;

namespace {

Gsms parse(const std::string& text) {
    std::istringstream in(text);
    return readGsms(in);
}

// One state with timer 0 active and the given timer lines.
std::string withTimers(const std::string& timers, int count = 1) {
    return "m\n1\nS 0\n0\n0 1\n0\n" + std::to_string(count) + "\n" + timers + "0\n";
}

std::string timerText(const std::string& line) { return parse(withTimers(line + "\n")).timer(0).toText(); }

TEST(TimerKinds, EachLineReadsAsItsLaw) {
    EXPECT_EQ(timerText("Erl 2 1 1 100"), "Erl(2, 1/100)");
    EXPECT_EQ(timerText("HypoExp 1 10 1 20"), "HypoExp(1/10, 1/20)");
    EXPECT_EQ(timerText("HyperExp 1 4 1 10 3 4 1 1000"), "HyperExp(1/4, 1/10, 3/4, 1/1000)");
    EXPECT_EQ(timerText("Expoly 0 1 inf \"x*exp(-x)\""), "Expoly(0, inf, \"x*exp(-x)\")");
    EXPECT_EQ(timerText("Expoly 1 1 3 1 \"1/2\""), "Expoly(1, 3, \"1/2\")");
    EXPECT_EQ(timerText("Weibull 2 1 1000 1"), "Weibull(2, 1000)");
    EXPECT_EQ(timerText("Lognormal -1 2 1 2"), "Lognormal(-1/2, 1/2)");
    EXPECT_EQ(timerText("Gamma 1 2 3 1"), "Gamma(1/2, 3)");
    EXPECT_EQ(timerText("Normal 10 1 3 1"), "Normal(10, 3)");
    // The parameters may stand on the next line, as the other kinds' may.
    EXPECT_EQ(timerText("Erl\n3 1 1 2"), "Erl(3, 1/2)");
    EXPECT_EQ(timerText("Expoly\n0 1 2 1 \"1/2\""), "Expoly(0, 2, \"1/2\")");
}

TEST(TimerKinds, WrittenModelsReadBackEqual) {
    std::ifstream in(std::string(DROVA_TEST_DATA) + "/laws/all-kinds.gsms");
    const Gsms model = readGsms(in);
    ASSERT_EQ(model.timerCount(), 12u);
    std::ostringstream written;
    writeGsms(model, written);
    const Gsms again = parse(written.str());
    ASSERT_EQ(again.timerCount(), model.timerCount());
    for (std::uint64_t i = 0; i < model.timerCount(); ++i)
        EXPECT_TRUE(again.timer(i).equals(model.timer(i))) << model.timer(i).toText() << " became " << again.timer(i).toText();
    EXPECT_NE(written.str().find("Expoly 0 1 inf \"1/4*x*exp(-1/2*x)\"\n"), std::string::npos) << written.str();
    EXPECT_NE(written.str().find("Erl 2 1 1 100\n"), std::string::npos);
}

TEST(TimerKinds, LinesThatDoNotFitSayWhatIsWrong) {
    const auto error = [](const std::string& timers) { return failure([&] { parse(withTimers(timers)); }); };
    EXPECT_EQ(error("Erl 2 1\n"), "Error during parsing of GSMS file: Erl timer 0 at line 8 needs 2 parameters (a numerator "
                                  "and a denominator each), but 1 was given");
    EXPECT_EQ(error("HyperExp 1 2 1 1 1 2\n"), "Error during parsing of GSMS file: HyperExp timer 0 at line 8 needs a "
                                               "probability and a rate per branch (a numerator and a denominator each), "
                                               "but 3 were given");
    // Empty lines are skipped: the count of transitions is read as the (too short) list.
    EXPECT_EQ(error("HypoExp\n\n"), "Error during parsing of GSMS file: HypoExp timer 0 at line 10 needs one rate per "
                                    "stage (a numerator and a denominator each), but 0 were given");
    EXPECT_EQ(error("Erl 3 2 1 1\n"), "The number of phases must be a whole number from 1 to 1000, not 3/2");
    EXPECT_EQ(error("HyperExp 1 2 1 1 1 4 1 2\n"), "The probabilities of a hyperexponential law add up to 3/4, not 1");
    const std::string form = " must be the lower end (a numerator and a denominator), the upper end (the same, or inf) "
                             "and the density in double quotes, such as 0 1 inf \"x*exp(-x)\"";
    EXPECT_EQ(error("Expoly 0 1 inf x*exp(-x)\n"), "Error during parsing of GSMS file: Expoly timer 0 at line 8" + form);
    EXPECT_EQ(error("Expoly 0 1 \"x*exp(-x)\"\n"), "Error during parsing of GSMS file: Expoly timer 0 at line 8" + form);
    EXPECT_EQ(error("Expoly 0 1 inf \"x*exp(-x)\" 5\n"), "Error during parsing of GSMS file: Expoly timer 0 at line 8" + form);
    EXPECT_EQ(error("Expoly 0 1 2 1 \"x\"\n"), "The density \"x\" integrates to 2 over its support, not to 1");
    EXPECT_EQ(error("Weibull 0 1 1 1\n"), "The shape must be positive");
    // An Expoly timer of bounded support cannot still run at its upper end.
    EXPECT_EQ(failure([] { parse("m\n1\nS 0\n0\n3 1\n0\n1\nExpoly 1 1 3 1 \"1/2\"\n0\n"); }),
              "The age 3 of timer 0 (Expoly(1, 3, \"1/2\")) on entering state 0 (S) at line 5 cannot be: a timer of "
              "bounded support has fired by its upper end 3; give an age the timer can have while it runs, or -1 1 if it "
              "is unknown");
    EXPECT_EQ(error("Pareto 1 1 2 1\n"), "Error during parsing of GSMS file: the kind of timer 0 at line 8 is \"Pareto\"; it "
                                         "must be Exp, Deg, Uni, Erl, HypoExp, HyperExp, Expoly, Weibull, Lognormal, "
                                         "Gamma or Normal");
}

}  // namespace
