// The GSMS built from a net: states named by their markings and split by how they are entered,
// ages on entry right by construction, immediate transitions resolved into probabilities, ties of
// deterministic transitions, and the limits.

#include "convert/net/NetToGsms.hpp"
#include "convert/net/ReadNet.hpp"
#include "gsms/ReadGsms.hpp"
#include "gsms/WriteGsms.hpp"

#include "PumpsNet.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace drova;
using namespace drova::net;

BuiltNet built(const std::string& text, std::uint64_t maxStates = DefaultMaxStates) {
    return buildGsms(readNet(text, "net"), maxStates);
}

std::string failureOf(const std::string& text, std::uint64_t maxStates = DefaultMaxStates) {
    try {
        built(text, maxStates);
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "(no error)";
}

std::uint64_t stateNamed(const Gsms& model, const std::string& name) {
    for (std::uint64_t s = 0; s < model.stateCount(); ++s)
        if (model.state(s).name == name) return s;
    ADD_FAILURE() << "no state " << name;
    return 0;
}

// Per destination of the transitions of `state` whose first timer is `timer`: target name and
// probability.
std::vector<std::pair<std::string, Rational>> destinations(const Gsms& model, std::uint64_t state, std::uint64_t timer) {
    std::vector<std::pair<std::string, Rational>> result;
    for (std::uint64_t t : model.outgoingOf(state)) {
        const GsmsTransition& transition = model.transition(t);
        if (transition.timers.size() != 1 || transition.timers[0] != timer) continue;
        for (const GsmsDestination& d : transition.destinations)
            result.emplace_back(model.state(d.target).name, d.probability);
    }
    return result;
}


TEST(NetBuild, SplitsAMarkingByWhetherItsRepairRunsOn) {
    const BuiltNet net = built(pumpsNet("Deg(48)"));
    const Gsms& model = net.model;
    std::vector<std::string> names;
    for (const GsmsState& state : model.states()) names.push_back(state.name);
    EXPECT_EQ(names, (std::vector<std::string>{"working3", "working2_broken1", "working1_broken2[repair]", "broken3",
                                                "working1_broken2"}));
    // A failure during a repair carries the repair's timer on with an unknown age; a repair that
    // ends and starts the next one restarts it. Only the fresh variant is a state of the SMS.
    const GsmsState& carried = model.state(2);
    EXPECT_TRUE(carried.flag);
    ASSERT_EQ(carried.activeTimers.size(), 2u);
    EXPECT_EQ(model.timer(carried.activeTimers[0]).toText(), "Exp(1/2000)");  // one working pump
    EXPECT_EQ(carried.delays[0], Rational(0));
    EXPECT_FALSE(carried.delays[1].has_value());
    EXPECT_FALSE(model.isSmsState(2));
    EXPECT_FALSE(model.isSmsState(3));
    EXPECT_TRUE(model.isSmsState(4));
    EXPECT_EQ(model.state(4).delays[1], Rational(0));
    // Infinite servers: the rate times the working pumps.
    EXPECT_EQ(model.timer(model.state(0).activeTimers[0]).toText(), "Exp(3/2000)");
    EXPECT_EQ(model.timer(model.state(1).activeTimers[0]).toText(), "Exp(1/1000)");
    EXPECT_FALSE(model.state(1).flag);
    EXPECT_EQ(net.statistics.tangibleMarkings, 4u);
    EXPECT_EQ(net.statistics.gsmsStates, 5u);
    EXPECT_EQ(net.statistics.smsStates, 3u);

    // With an exponential repair nothing needs splitting: every state is a state of the SMS.
    const BuiltNet markov = built(pumpsNet("Exp(1/48)"));
    EXPECT_EQ(markov.model.stateCount(), 4u);
    EXPECT_EQ(markov.statistics.smsStates, 4u);
}

TEST(NetBuild, WrittenGsmsReadsBackTheSame) {
    const BuiltNet net = built(pumpsNet("Uni(24, 72)"));
    std::ostringstream first;
    writeGsms(net.model, first);
    std::istringstream in(first.str());
    const Gsms read = readGsms(in);
    std::ostringstream second;
    writeGsms(read, second);
    EXPECT_EQ(first.str(), second.str());
    EXPECT_EQ(read.stateCount(), net.model.stateCount());
    EXPECT_EQ(read.timer(1).toText(), "Uni(24, 72)");
}

TEST(NetBuild, ImmediateTransitionsBecomeProbabilities) {
    // A failure is detected (weight 9) or missed (weight 1); a reset of higher priority pre-empts
    // both whenever the alarm place is marked.
    const std::string text = R"net(
[places]
up = 1
failed = 0
detected = 0
missed = 0
alarm = 0
[transitions.fail]
distribution = "Exp(1)"
inputs = { up = 1 }
outputs = { failed = 1 }
[transitions.detect]
distribution = "Imm"
weight = 9
inputs = { failed = 1 }
outputs = { detected = 1 }
[transitions.miss]
distribution = "Imm"
weight = "1"
inputs = { failed = 1 }
outputs = { missed = 1 }
[transitions.fix]
distribution = "Deg(2)"
inputs = { detected = 1 }
outputs = { up = 1, alarm = 1 }
[transitions.reset]
distribution = "Imm"
priority = 1
inputs = { alarm = 1 }
[transitions.later]
distribution = "Imm"
inputs = { alarm = 1 }
outputs = { missed = 1 }
)net";
    const BuiltNet net = built(text);
    const Gsms& model = net.model;
    EXPECT_EQ(destinations(model, stateNamed(model, "up1"), 0),
              (std::vector<std::pair<std::string, Rational>>{{"detected1", Rational(9, 10)}, {"missed1", Rational(1, 10)}}));
    // reset (priority 1) wins over later (priority 0): the repaired unit is simply up again.
    EXPECT_EQ(destinations(model, stateNamed(model, "detected1"), 1),
              (std::vector<std::pair<std::string, Rational>>{{"up1", Rational(1)}}));
    EXPECT_EQ(net.statistics.vanishingMarkings, 2u);  // failed1, and up1_alarm1
}

TEST(NetBuild, InhibitorsGuardsAndEnablingMemory) {
    // The timer of `service` (Deg(10)) runs while the machine works and nothing waits in `queue`;
    // a job arriving (the inhibitor) discards it, so it starts afresh when the queue empties.
    // `arrive` is enabled only while its guard holds.
    const std::string text = R"net(
[places]
working = 1
queue = 0
[transitions.arrive]
distribution = "Exp(1)"
guard = "queue < 2"
outputs = { queue = 1 }
[transitions.serve]
distribution = "Exp(2)"
inputs = { queue = 1 }
[transitions.service]
distribution = "Deg(10)"
inputs = { working = 1 }
outputs = { working = 1 }
inhibitors = { queue = 1 }
)net";
    const BuiltNet net = built(text);
    const Gsms& model = net.model;
    // working1 (service fresh), working1_queue1, working1_queue2: three markings, no split, since
    // service is never carried over (every entry to working1 restarts it).
    EXPECT_EQ(model.stateCount(), 3u);
    EXPECT_EQ(net.statistics.smsStates, 3u);
    const GsmsState& idle = model.state(stateNamed(model, "working1"));
    EXPECT_EQ(idle.activeTimers.size(), 2u);  // arrive and service
    const GsmsState& full = model.state(stateNamed(model, "working1_queue2"));
    EXPECT_EQ(full.activeTimers.size(), 1u);  // the guard stops arrivals; serve only
}

TEST(NetBuild, DeterministicTiesFireInPriorityOrder) {
    // Two stations finish at the same instant: one transition with both timers. With `first` of
    // higher priority it takes the shared token, and `second` is disabled by it.
    const std::string tie = R"net(
[places]
a = 1
b = 1
token = 1
gotA = 0
gotB = 0
[transitions.first]
distribution = "Deg(5)"
inputs = { a = 1, token = 1 }
outputs = { gotA = 1 }
priority = PRIORITY
[transitions.second]
distribution = "Deg(5)"
inputs = { b = 1, token = 1 }
outputs = { gotB = 1 }
)net";
    auto withPriority = [&](const std::string& priority) {
        std::string text = tie;
        text.replace(text.find("PRIORITY"), 8, priority);
        return text;
    };
    const BuiltNet net = built(withPriority("1"));
    const Gsms& model = net.model;
    bool found = false;
    for (const GsmsTransition& transition : model.transitions()) {
        if (transition.timers.size() != 2) continue;
        found = true;
        ASSERT_EQ(transition.destinations.size(), 1u);
        EXPECT_EQ(model.state(transition.destinations[0].target).name, "b1_gotA1");
    }
    EXPECT_TRUE(found);
    // Started together with one delay, they never fire one alone: the tie is the only transition.
    EXPECT_EQ(model.outgoingOf(model.initialState()).size(), 1u);
    EXPECT_EQ(net.statistics.gsmsStates, 2u);
    // With equal priorities the outcome depends on the order, and the tie is certain.
    EXPECT_EQ(failureOf(withPriority("0")),
              "The deterministic transitions \"first\" and \"second\" fire at the same instant in the marking "
              "a1_b1_token1 with the same priority, and the outcome depends on their order: give one a higher priority");
}

TEST(NetBuild, VanishingStartWithSeveralOutcomes) {
    const BuiltNet net = built(R"net(
[places]
start = 1
left = 0
right = 0
[transitions.goLeft]
distribution = "Imm"
weight = 1
inputs = { start = 1 }
outputs = { left = 1 }
[transitions.goRight]
distribution = "Imm"
weight = 3
inputs = { start = 1 }
outputs = { right = 1 }
)net");
    const Gsms& model = net.model;
    EXPECT_EQ(model.state(model.initialState()).name, "start");
    EXPECT_EQ(model.timer(model.state(0).activeTimers[0]).toText(), "Deg(0)");
    EXPECT_EQ(destinations(model, 0, model.state(0).activeTimers[0]),
              (std::vector<std::pair<std::string, Rational>>{{"left1", Rational(1, 4)}, {"right1", Rational(3, 4)}}));
}

TEST(NetBuild, RefusesWhatHasNoGsms) {
    EXPECT_EQ(failureOf(R"net(
[places]
a = 1
b = 0
[transitions.there]
distribution = "Imm"
inputs = { a = 1 }
outputs = { b = 1 }
[transitions.back]
distribution = "Imm"
inputs = { b = 1 }
outputs = { a = 1 }
)net"),
              "The immediate transitions \"there\" and \"back\" fire in a cycle from the marking a1, which never reaches a "
              "marking where time passes");
    const std::string unbounded = R"net(
[places]
queue = 0
[transitions.arrive]
distribution = "Exp(1)"
outputs = { queue = 1 }
)net";
    EXPECT_EQ(failureOf(unbounded, 100),
              "The net has more than 100 reachable markings (the limit; --max-states sets another): 101 were found "
              "before the build stopped, and the place \"queue\" held up to 100 tokens; a place that grows without "
              "bound makes the markings endless");
}

}  // namespace

namespace {

// Twelve immediate transitions enabled together, each independent of the others: 12! orders of
// firing, but only 2^12 markings between the start and the end, each settled once.
TEST(NetBuild, IndependentImmediateTransitionsSettleOnce) {
    std::ostringstream text;
    text << "[places]\nstart = 1\n";
    for (int i = 0; i < 12; ++i) text << "p" << i << " = 0\nq" << i << " = 0\n";
    text << "[transitions.begin]\ndistribution = \"Exp(1)\"\ninputs = { start = 1 }\noutputs = { ";
    for (int i = 0; i < 12; ++i) text << (i ? ", p" : "p") << i << " = 1";
    text << " }\n";
    for (int i = 0; i < 12; ++i)
        text << "[transitions.move" << i << "]\ndistribution = \"Imm\"\ninputs = { p" << i << " = 1 }\noutputs = { q" << i
             << " = 1 }\n";
    const BuiltNet net = built(text.str());
    EXPECT_EQ(net.statistics.tangibleMarkings, 2u);
    EXPECT_EQ(net.statistics.vanishingMarkings, 4095u);
    const GsmsTransition& begin = net.model.transition(0);
    ASSERT_EQ(begin.destinations.size(), 1u);
    EXPECT_EQ(begin.destinations[0].probability, Rational(1));
}

}  // namespace
