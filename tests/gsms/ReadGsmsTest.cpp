#include "Failure.hpp"
#include "gsms/ReadGsms.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace drova;

namespace {

using Indices = std::vector<std::uint64_t>;
using Delays = std::vector<std::optional<Rational>>;

Gsms parse(const std::string& text) {
    std::istringstream in(text);
    return readGsms(in);
}

std::string parseError(const std::string& text) {
    return failure([&] { parse(text); });
}

const char* const Machine =
    "machine\n2\nUp 0\n0\n0 1\nDown 1\n1\n0 1\n0\n2\nExp\n1 100\nDeg 5 1\n2\n0 0\n1\n1 1 1\n1\n1 1\n1\n0 1 1\n0\n";

// One state, one timer and one self-loop; `states`, `timers` and `transitions` replace
// the blocks of that model.
std::string model(const std::string& states = "1\nS 0\n0\n0 1\n", const std::string& timers = "1\nExp 1 1\n",
                  const std::string& transitions = "1\n0 0\n1\n0 1 1\n0\n") {
    return "m\n" + states + "0\n" + timers + transitions;
}

TEST(ReadGsms, ReadsTheMachineExample) {
    const Gsms m = parse(Machine);
    EXPECT_EQ(m.name(), "machine");
    ASSERT_EQ(m.stateCount(), 2u);
    EXPECT_EQ(m.state(0).name, "Up");
    EXPECT_FALSE(m.state(0).flag);
    EXPECT_EQ(m.state(0).activeTimers, Indices({0}));
    EXPECT_EQ(m.state(0).delays, Delays({Rational(0)}));
    EXPECT_EQ(m.state(1).name, "Down");
    EXPECT_TRUE(m.state(1).flag);
    EXPECT_EQ(m.state(1).activeTimers, Indices({1}));
    EXPECT_EQ(m.initialState(), 0u);
    ASSERT_EQ(m.timerCount(), 2u);
    EXPECT_EQ(m.timer(0).toText(), "Exp(1/100)");
    EXPECT_EQ(m.timer(1).toText(), "Deg(5)");
    ASSERT_EQ(m.transitionCount(), 2u);
    const GsmsTransition& up = m.transition(0);
    EXPECT_EQ(up.source, 0u);
    EXPECT_EQ(up.timers, Indices({0}));
    ASSERT_EQ(up.destinations.size(), 1u);
    EXPECT_EQ(up.destinations[0].target, 1u);
    EXPECT_EQ(up.destinations[0].probability, 1);
    EXPECT_EQ(up.destinations[0].restartedTimers, Indices({1}));
    EXPECT_EQ(m.transition(1).destinations[0].restartedTimers, Indices({0}));
    EXPECT_EQ(m.outgoingOf(1), Indices({1}));
}

TEST(ReadGsms, CarriageReturnsAreWhitespace) {
    std::string crlf;
    for (char c : std::string(Machine)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const Gsms m = parse(crlf);
    EXPECT_EQ(m.state(1).name, "Down");
    EXPECT_EQ(m.state(1).delays, Delays({Rational(0)}));
    EXPECT_EQ(m.timer(0).toText(), "Exp(1/100)");
    EXPECT_EQ(m.transition(1).destinations[0].restartedTimers, Indices({0}));
}

TEST(ReadGsms, ActiveTimersMayFollowTheFlagOnTheSameLine) {
    const Gsms m = parse(model("2\nUp 0 1 0\n0 1 -2 1\nIdle 1\n\n\n", "2\nExp 1 1\nDeg 1 1\n"));
    EXPECT_EQ(m.state(0).activeTimers, Indices({1, 0}));
    EXPECT_EQ(m.state(0).delays, Delays({Rational(0), std::nullopt}));
    EXPECT_FALSE(m.state(0).allDelaysKnown);
    EXPECT_TRUE(m.state(1).activeTimers.empty());
    EXPECT_TRUE(m.state(1).delays.empty());
}

TEST(ReadGsms, ActiveTimersAreCheckedOnceTheTimersAreRead) {
    // The last timer exists; one past it does not, in whichever state it is listed.
    EXPECT_NO_THROW(parse(model("2\nA 0\n0 1\n0 1 0 1\nB 0\n1\n0 1\n", "2\nExp 1 1\nDeg 1 1\n")));
    EXPECT_EQ(failure<std::invalid_argument>(
                  [] { parse(model("2\nA 0\n0 1\n0 1 0 1\nB 0\n2\n0 1\n", "2\nExp 1 1\nDeg 1 1\n")); }),
              "Active timer 2 of state 1 does not exist");
}

TEST(ReadGsms, RationalListsArePairsAndIgnoreALoneTrailingWord) {
    const Gsms m = parse(model("1\nS 0\n0\n1 2 7\n", "2\nUni 1/2 1 6 2 9\nDeg 0 5\n"));
    EXPECT_EQ(m.state(0).delays, Delays({Rational(1, 2)}));
    EXPECT_EQ(m.timer(0).toText(), "Uni(1/2, 3)");
    EXPECT_EQ(m.timer(1).toText(), "Deg(0)");
}

TEST(ReadGsms, TimerParametersMayStandOnTheNextLine) {
    const Gsms sameLine = parse(model("1\nS 0\n0\n0 1\n", "1\nExp 2 1\n"));
    const Gsms nextLine = parse(model("1\nS 0\n0\n0 1\n", "1\nExp\n\n  2 1\n"));
    EXPECT_TRUE(sameLine.timer(0).equals(nextLine.timer(0)));
    EXPECT_EQ(nextLine.timer(0).toText(), "Exp(2)");
}

TEST(ReadGsms, IndexListsEndAtTheFirstTokenThatIsNotAnIndex) {
    const Gsms m = parse(model("1\nS 0 0 0 the same timer twice\n0 1 5 1\n", "1\nExp 1 1\n",
                               "1\n0\n\n0 # fires on timer 0\n1\n0 1 1\n0 0x 0\n"));
    EXPECT_EQ(m.state(0).activeTimers, Indices({0, 0}));
    EXPECT_EQ(m.delayOf(0, 0), Rational(0));
    EXPECT_EQ(m.transition(0).timers, Indices({0}));  // the empty line was skipped
    EXPECT_EQ(m.transition(0).destinations[0].restartedTimers, Indices({0, 0}));
}

TEST(ReadGsms, EmptyRestartedTimersLineRestartsNothing) {
    const Gsms m = parse(model("1\nS 0\n0\n0 1\n", "1\nExp 1 1\n", "1\n0 0\n2\n0 1 2\n\n0 1 2\n0\n"));
    ASSERT_EQ(m.transition(0).destinations.size(), 2u);
    EXPECT_TRUE(m.transition(0).destinations[0].restartedTimers.empty());
}

TEST(ReadGsms, OutgoingListsAreOrderedByTimerCountKeepingFileOrder) {
    const Gsms m = parse(model("1\nS 0\n0\n0 1\n", "2\nDeg 1 1\nDeg 1 1\n",
                               "4\n0 0 1\n0\n0 0\n0\n0 1 0\n0\n0 1\n0\n"));
    EXPECT_EQ(m.outgoingOf(0), Indices({1, 3, 0, 2}));
}

TEST(ReadGsms, NothingAfterTheLastDestinationIsRead) {
    std::istringstream in(std::string(Machine) + "rest of the file\n");
    readGsms(in);
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest, "rest of the file");
}

TEST(ReadGsms, UnreadableItemsAreStreamFailuresNamingItemAndLine) {
    try {
        parse("machine\n2\nUp 0\n0\n0 1\nDown x\n");
        FAIL();
    } catch (const std::ios_base::failure& e) {
        EXPECT_STREQ(e.what(), "Could not read the flag of state 1 at line 6");
    }
    // At the end of the file the line is the file's last line, with or without a final line feed.
    EXPECT_EQ(parseError(""), "Could not read the model name at line 1 (end of file)");
    EXPECT_EQ(parseError("machine\n2\n"), "Could not read the name of state 0 at line 2 (end of file)");
    EXPECT_EQ(parseError("machine\n2\nUp 0"), "Could not read the active timers of state 0 at line 3 (end of file)");
    EXPECT_EQ(parseError("machine\n2\nUp 0\n0\n"), "Could not read the delays of state 0 at line 4 (end of file)");
}

TEST(ReadGsms, CountsAreUnsignedDigitsThatFitIn64Bits) {
    // Negative, oversized and huge counts are tested end to end.
    EXPECT_EQ(parseError("m\n+1\n"), "Could not read the number of states at line 2");
    EXPECT_EQ(parseError("m\n18446744073709551615\n"), "Could not read the name of state 0 at line 2 (end of file)");
    // An oversized index inside an index list is an unreadable list, not a dropped index.
    EXPECT_EQ(parseError(model("1\nS 0\n0\n0 1\n", "1\nExp 1 1\n", "1\n0 99999999999999999999\n")),
              "Could not read the triggering timers of transition 0 at line 10");
}

}  // namespace
