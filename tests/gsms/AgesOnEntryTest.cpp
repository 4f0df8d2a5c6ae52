// Ages on entry: what the reader refuses (an age a timer cannot have while it runs) and what the
// warnings find (a known age declared for a timer that a transition carries in without restarting).

#include "Failure.hpp"
#include "gsms/ModelWarnings.hpp"
#include "gsms/ReadGsms.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace drova;

namespace {

Gsms parse(const std::string& text) {
    std::istringstream in(text);
    return readGsms(in);
}

// State A runs timer 0 (TIMER) entered at AGE; one transition on timer 0 back to A, restarting it.
std::string oneTimer(const std::string& timer, const std::string& age) {
    return "m\n1\nA 0\n0\n" + age + "\n0\n1\n" + timer + "\n1\n0 0\n1\n0 1 1\n0\n";
}

TEST(AgesOnEntry, AnAgeTheTimerCannotReachIsRefusedWithItsLine) {
    EXPECT_EQ(failure([] { parse(oneTimer("Uni 0 1 1 2", "3 2")); }),
              "The age 3/2 of timer 0 (Uni(0, 1/2)) on entering state 0 (A) at line 5 cannot be: a uniform timer has "
              "fired by its upper bound 1/2; give an age the timer can have while it runs, or -1 1 if it is unknown");
    // At the bound itself the uniform has fired too.
    EXPECT_NE(failure([] { parse(oneTimer("Uni 0 1 1 2", "1 2")); }).find("at line 5 cannot be"), std::string::npos);
    EXPECT_EQ(failure([] { parse(oneTimer("Deg 5 1", "11 2")); }),
              "The age 11/2 of timer 0 (Deg(5)) on entering state 0 (A) at line 5 cannot be: a deterministic timer "
              "fires at its delay 5; give an age the timer can have while it runs, or -1 1 if it is unknown");
    // Ages the timers can have: up to a deterministic delay (it fires at once), below a uniform's
    // bound, anything for an exponential, and unknown.
    for (const auto& [timer, age] : std::vector<std::pair<std::string, std::string>>{
             {"Deg 5 1", "5 1"}, {"Deg 0 1", "0 1"}, {"Uni 0 1 1 2", "7 16"}, {"Exp 1 1", "100 1"}, {"Uni 0 1 1 2", "-1 1"}})
        EXPECT_NO_THROW(parse(oneTimer(timer, age))) << timer << " at " << age;
}

TEST(AgesOnEntry, TheLineIsThatOfTheAgesOfTheState) {
    // The second state's active timer follows its flag on line 6; its ages stand on line 7.
    const std::string text = "m\n2\nA 0\n0\n0 1\nB 0 0\n7 1\n0\n1\nDeg 5 1\n1\n0 0\n1\n1 1 1\n\n";
    EXPECT_NE(failure([&] { parse(text); }).find("state 1 (B) at line 7"), std::string::npos) << failure([&] { parse(text); });
}

// Up runs the deterministic REPAIR (timer 1) and an exponential failure (timer 0); the failure
// takes it to Down, restarting RESTARTED; Down declares DOWN_AGES for timers 1 and 0.
std::string carried(const std::string& repair, const std::string& upAges, const std::string& restarted,
                    const std::string& downAges, const std::string& trigger = "0") {
    return "m\n3\nUp 0\n0 1\n" + upAges + "\nDown 1\n1 0\n" + downAges + "\nEnd 1\n\n\n0\n2\nExp 1 100\n" + repair +
           "\n2\n0 " + trigger + "\n1\n1 1 1\n" + restarted + "\n1 1\n1\n2 1 1\n\n";
}

TEST(AgesOnEntry, AKnownAgeOfATimerCarriedInIsAWarning) {
    // The repair keeps running into Down, for as long as Up lasted: its age there is not 0.
    const std::vector<std::string> slipped = ageWarnings(parse(carried("Deg 48 1", "0 1 0 1", "0", "0 1 0 1")));
    ASSERT_EQ(slipped.size(), 1u);
    EXPECT_EQ(slipped[0],
              "state 1 (Down) declares the age of timer 1 (Deg(48)) on entry as 0, but transition 0 enters it from "
              "state 0 (Up) without restarting the timer, and the timer's age then depends on when the transition "
              "fires; write the age as unknown (-1 1) in state 1 (Down), or restart timer 1 in destination 0 of "
              "transition 0");
    // Written as the model means it, nothing is found: the age unknown, or the timer restarted.
    EXPECT_TRUE(ageWarnings(parse(carried("Deg 48 1", "0 1 0 1", "0", "-1 1 0 1"))).empty());
    EXPECT_TRUE(ageWarnings(parse(carried("Deg 48 1", "0 1 0 1", "0 1", "0 1 0 1"))).empty());
    // The exponential failure timer, carried in with age 0 declared, has no memory: no finding.
    EXPECT_TRUE(ageWarnings(parse(carried("Deg 48 1", "0 1 0 1", "1", "0 1 0 1"))).empty());
    // A uniform repair is judged alike.
    EXPECT_EQ(ageWarnings(parse(carried("Uni 1 1 2 1", "0 1 0 1", "0", "0 1 0 1"))).size(), 1u);
}

TEST(AgesOnEntry, AnAgeTheModelFixesIsCheckedAgainstIt) {
    // Up's transition fires on the deterministic repair itself here (trigger 1): it stops, so any
    // known age declared for it in Down, where it is not restarted, is wrong.
    const std::vector<std::string> stopped =
        ageWarnings(parse(carried("Deg 4 1", "0 1 0 1", "0", "0 1 0 1", "1")));
    ASSERT_EQ(stopped.size(), 1u);
    EXPECT_NE(stopped[0].find("although the timer fired the transition and is not running after it"), std::string::npos)
        << stopped[0];
    // A clock (timer 2, Deg(10)) that runs on while a Deg(4) step (timer 1) takes Up to Down: it
    // enters Down aged 1 + 4 - 0 = 5 exactly, as Down declares; declared as 3 it is found, with its age.
    const auto clock = [](const std::string& declared) {
        return "m\n3\nUp 0\n1 2\n0 1 1 1\nDown 1\n2\n" + declared +
               "\nEnd 1\n\n\n0\n3\nExp 1 100\nDeg 4 1\nDeg 10 1\n2\n0 1\n1\n1 1 1\n\n1 2\n1\n2 1 1\n\n";
    };
    EXPECT_TRUE(ageWarnings(parse(clock("5 1"))).empty());
    const std::vector<std::string> wrong = ageWarnings(parse(clock("3 1")));
    ASSERT_EQ(wrong.size(), 1u);
    EXPECT_NE(wrong[0].find("declares the age of timer 2 (Deg(10)) on entry as 3, but transition 0 enters it from "
                            "state 0 (Up) without restarting the timer, and the timer's age is then 5;"),
              std::string::npos)
        << wrong[0];
}

TEST(AgesOnEntry, WhatCannotChangeAnAnswerIsNotFound) {
    // A timer that is not running in the source and is not restarted is found (it never runs
    // there); the same timer in a state that no transition leaves is not: nothing fires there.
    const std::string notRunning =
        "m\n3\nA 0\n0\n0 1\nB 0\n0 1\n0 1 0 1\nC 1\n1\n0 1\n0\n2\nExp 1 1\nDeg 2 1\n2\n0 0\n1\n1 1 1\n0\n1 1\n1\n0 1 1\n0\n";
    const std::vector<std::string> found = ageWarnings(parse(notRunning));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find("although the timer is not running there (it is not active in state 0 (A))"),
              std::string::npos)
        << found[0];
    EXPECT_EQ(found[0].rfind("state 1 (B) declares the age of timer 1 (Deg(2))", 0), 0u) << found[0];
}

TEST(AgesOnEntry, TheModelWarningsKeepTheirOrderPerTransition) {
    // Transition 0 loses half its probability and carries the repair in with a declared age.
    std::string text = carried("Deg 48 1", "0 1 0 1", "0", "0 1 0 1");
    text.replace(text.find("1\n1 1 1\n0\n1 1"), 7, "1\n1 1 2");
    const std::vector<std::string> warnings = modelWarnings(parse(text));
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0], "the probabilities of the destinations of transition 0 add up to 1/2, not 1");
    EXPECT_EQ(warnings[1].rfind("state 1 (Down) declares the age of timer 1", 0), 0u);
}

}  // namespace
