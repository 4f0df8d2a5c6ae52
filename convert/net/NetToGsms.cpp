#include "convert/net/NetToGsms.hpp"

#include "convert/net/MarkingStore.hpp"
#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"

#include <algorithm>
#include <deque>
#include <iterator>
#include <limits>
#include <map>
#include <unordered_map>

namespace drova::net {

namespace {

using Marking = std::vector<std::uint32_t>;
using TransitionSet = std::vector<std::uint32_t>;  // transition indices, ascending

constexpr std::uint32_t MaxTokens = std::numeric_limits<std::int32_t>::max();

// Where one firing (or one instant of firings) ends: a tangible marking, the non-exponential timed
// transitions whose timers run on from before the firing (carried), and its probability.
struct Outcome {
    std::uint32_t marking = 0;
    TransitionSet carried;
    Rational probability;
};

bool sameOutcomes(std::vector<Outcome> a, std::vector<Outcome> b) {
    const auto order = [](const Outcome& x, const Outcome& y) {
        return x.marking != y.marking ? x.marking < y.marking : x.carried < y.carried;
    };
    std::sort(a.begin(), a.end(), order);
    std::sort(b.begin(), b.end(), order);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].marking != b[i].marking || a[i].carried != b[i].carried || a[i].probability != b[i].probability)
            return false;
    return true;
}

// One state of the GSMS under construction: its marking and the timers carried into it.
struct StateRecord {
    std::uint32_t marking = 0;
    TransitionSet carried;
    // The enabled timed transitions with their timers, in transition order.
    std::vector<std::pair<std::uint32_t, std::uint64_t>> active;
};

struct PendingTransition {
    std::uint64_t source = 0;
    std::vector<std::uint64_t> timers;
    std::vector<GsmsDestination> destinations;
};

class Builder {
public:
    Builder(const PetriNet& net, std::uint64_t maxStates)
        : net_(net), maxStates_(maxStates), tangible_(net.places.size()), vanishing_(net.places.size()),
          maxSeen_(net.initialMarking), timerOf_(net.transitions.size()) {
        for (std::uint32_t t = 0; t < net.transitions.size(); ++t) {
            const NetTransition& transition = net.transitions[t];
            if (transition.immediate()) continue;
            timerOf_[t][1] = timers_.size();  // degree 1: the law itself
            timers_.push_back(transition.law->clone());
        }
    }

    BuiltNet build() {
        const std::uint64_t initial = initialState();
        while (!queue_.empty()) {
            const std::uint64_t state = queue_.front();
            queue_.pop_front();
            expand(state);
        }
        return assemble(initial);
    }

private:
    // --- The rules of the net.

    bool enabled(std::uint32_t t, const Marking& m) const {
        const NetTransition& transition = net_.transitions[t];
        for (const Arc& arc : transition.inputs)
            if (m[arc.place] < arc.count) return false;
        for (const Arc& arc : transition.inhibitors)
            if (m[arc.place] >= arc.count) return false;
        return !transition.guard || transition.guard->holds(m);
    }

    // How many times the inputs are covered (1 for a transition without inputs).
    std::uint32_t degree(std::uint32_t t, const Marking& m) const {
        const NetTransition& transition = net_.transitions[t];
        if (!transition.infiniteServers || transition.inputs.empty()) return 1;
        std::uint32_t result = std::numeric_limits<std::uint32_t>::max();
        for (const Arc& arc : transition.inputs) result = std::min(result, m[arc.place] / arc.count);
        return result;
    }

    Marking fire(std::uint32_t t, Marking m) {
        const NetTransition& transition = net_.transitions[t];
        for (const Arc& arc : transition.inputs) m[arc.place] -= arc.count;
        for (const Arc& arc : transition.outputs) {
            if (m[arc.place] > MaxTokens - arc.count)
                throw std::invalid_argument("The place \"" + net_.places[arc.place] + "\" grows beyond " +
                                            std::to_string(MaxTokens) + " tokens: the net is unbounded");
            m[arc.place] += arc.count;
            maxSeen_[arc.place] = std::max(maxSeen_[arc.place], m[arc.place]);
        }
        return m;
    }

    TransitionSet enabledImmediates(const Marking& m) const {
        TransitionSet result;
        for (std::uint32_t t = 0; t < net_.transitions.size(); ++t)
            if (net_.transitions[t].immediate() && enabled(t, m)) result.push_back(t);
        return result;
    }

    TransitionSet enabledTimed(const Marking& m) const {
        TransitionSet result;
        for (std::uint32_t t = 0; t < net_.transitions.size(); ++t)
            if (!net_.transitions[t].immediate() && enabled(t, m)) result.push_back(t);
        return result;
    }

    std::string transitionList(const TransitionSet& transitions) const {
        std::string text;
        for (std::size_t i = 0; i < transitions.size(); ++i) {
            if (i > 0) text += i + 1 == transitions.size() ? " and " : ", ";
            text += "\"" + net_.transitions[transitions[i]].name + "\"";
        }
        return text;
    }

    void requireWithinLimit() const {
        const std::uint64_t markings = tangible_.size() + vanishing_.size();
        if (markings <= maxStates_ && states_.size() <= maxStates_) return;
        std::size_t largest = 0;
        for (std::size_t p = 1; p < maxSeen_.size(); ++p)
            if (maxSeen_[p] > maxSeen_[largest]) largest = p;
        const bool markingsOver = markings > maxStates_;
        throw std::invalid_argument(
            "The net has more than " + std::to_string(maxStates_) + (markingsOver ? " reachable markings" : " GSMS states") +
            " (the limit; --max-states sets another): " + std::to_string(markingsOver ? markings : states_.size()) +
            " were found before the build stopped, and the place \"" + net_.places[largest] + "\" held up to " +
            std::to_string(maxSeen_[largest]) + " tokens; a place that grows without bound makes the markings endless");
    }

    // --- Zero-time resolution: immediate transitions, then the deterministic transitions still
    // due at this instant, until a tangible marking is reached.
    //
    // A settling records which non-exponential timed transitions it disturbs: those enabled where
    // a step starts that the step fires or disables. A transition enabled before the whole firing
    // and never disturbed keeps its timer; one disabled on the way is disturbed at the step that
    // disables it, so recording only these is enough. What a settling from a vanishing marking
    // gives does not depend on how that marking was reached, so it is computed once per marking
    // and due list: the orders in which independent immediate transitions fire then cost no more
    // than the markings they pass.

    struct Settled {
        std::uint32_t marking = 0;  // tangible
        TransitionSet disturbed;
        Rational probability;
    };
    using Settling = std::vector<Settled>;

    static void addSettled(Settling& into, std::uint32_t marking, TransitionSet disturbed, const Rational& probability) {
        for (Settled& s : into)
            if (s.marking == marking && s.disturbed == disturbed) {
                s.probability += probability;
                return;
            }
        into.push_back({marking, std::move(disturbed), probability});
    }

    static TransitionSet unite(const TransitionSet& a, const TransitionSet& b) {
        TransitionSet result;
        std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(result));
        return result;
    }

    // The memory-keeping transitions enabled in `before` that `fired` fires or that `after` disables.
    TransitionSet disturbedBy(std::uint32_t fired, const Marking& before, const Marking& after) const {
        TransitionSet result;
        for (std::uint32_t t = 0; t < net_.transitions.size(); ++t) {
            const NetTransition& transition = net_.transitions[t];
            if (transition.immediate() || transition.exponential || !enabled(t, before)) continue;
            if (t == fired || !enabled(t, after)) result.push_back(t);
        }
        return result;
    }

    static TransitionSet without(TransitionSet due, const TransitionSet& disturbed) {
        due.erase(std::remove_if(due.begin(), due.end(),
                                 [&](std::uint32_t t) { return std::binary_search(disturbed.begin(), disturbed.end(), t); }),
                  due.end());
        return due;
    }

    // Fires `t` in m, then settles the result; the due transitions it disturbs no longer fire.
    Settling settleAfter(std::uint32_t t, const Marking& m, const TransitionSet& due) {
        const Marking next = fire(t, m);
        const TransitionSet disturbed = disturbedBy(t, m, next);
        Settling result;
        for (Settled& s : settle(next, without(due, disturbed)))
            addSettled(result, s.marking, unite(disturbed, s.disturbed), s.probability);
        return result;
    }

    Settling settle(const Marking& m, const TransitionSet& due) {
        const TransitionSet immediates = enabledImmediates(m);
        if (immediates.empty()) {
            if (!due.empty()) return settleAfter(due.front(), m, TransitionSet(due.begin() + 1, due.end()));
            const auto [index, added] = tangible_.insert(m);
            if (added) {
                requireWithinLimit();
                variants_.emplace_back();
            }
            return {{index, {}, RationalOne}};
        }
        const auto [vanishing, added] = vanishing_.insert(m);
        if (added) requireWithinLimit();
        const auto [entry, fresh] = settled_.try_emplace({vanishing, due});
        if (!fresh) {
            if (!entry->second) throw std::invalid_argument(cycleMessage(vanishing, m));
            return *entry->second;
        }
        std::int64_t top = std::numeric_limits<std::int64_t>::min();
        for (std::uint32_t t : immediates) top = std::max(top, net_.transitions[t].priority);
        Rational total = 0;
        for (std::uint32_t t : immediates)
            if (net_.transitions[t].priority == top) total += net_.transitions[t].weight;
        Settling result;
        for (std::uint32_t t : immediates) {
            if (net_.transitions[t].priority != top) continue;
            const Rational share = net_.transitions[t].weight / total;
            settlingPath_.emplace_back(vanishing, t);
            for (Settled& s : settleAfter(t, m, due)) addSettled(result, s.marking, std::move(s.disturbed), s.probability * share);
            settlingPath_.pop_back();
        }
        // The entry may have moved while the settling added others.
        return *(settled_[{vanishing, due}] = std::move(result));
    }

    std::string cycleMessage(std::uint32_t vanishing, const Marking& m) const {
        TransitionSet cycle;
        bool inCycle = false;
        for (const auto& [at, fired] : settlingPath_) {
            inCycle = inCycle || at == vanishing;
            if (inCycle) cycle.push_back(fired);
        }
        std::sort(cycle.begin(), cycle.end());
        cycle.erase(std::unique(cycle.begin(), cycle.end()), cycle.end());
        return "The immediate transitions " + transitionList(cycle) + " fire in a cycle from the marking " +
               markingName(net_, m) + ", which never reaches a marking where time passes";
    }

    // The outcomes of firing the timed transitions `firing` (in this order) from tangible marking m;
    // with `fromStart`, m is the initial marking, where no timer runs yet.
    std::vector<Outcome> outcomesOf(const Marking& m, const TransitionSet& firing, bool fromStart = false) {
        // The results kept for later firings hold at most this many entries between two firings.
        if (settled_.size() > 100000) settled_.clear();
        std::vector<Outcome> outcomes;
        for (Settled& s : settle(m, firing)) {
            TransitionSet carried;
            const Marking reached = fromStart ? Marking() : tangible_.at(s.marking);
            for (std::uint32_t t = 0; t < net_.transitions.size() && !fromStart; ++t) {
                const NetTransition& transition = net_.transitions[t];
                if (transition.immediate() || transition.exponential || !enabled(t, m) || !enabled(t, reached)) continue;
                if (!std::binary_search(s.disturbed.begin(), s.disturbed.end(), t)) carried.push_back(t);
            }
            outcomes.push_back({s.marking, std::move(carried), s.probability});
        }
        return outcomes;
    }

    // --- States.

    std::uint64_t stateOf(std::uint32_t marking, const TransitionSet& carried) {
        for (const auto& [key, state] : variants_[marking])
            if (key == carried) return state;
        const std::uint64_t state = states_.size();
        states_.push_back({marking, carried, activeTimers(tangible_.at(marking))});
        variants_[marking].emplace_back(carried, state);
        requireWithinLimit();
        queue_.push_back(state);
        return state;
    }

    std::uint64_t timerOf(std::uint32_t t, std::uint32_t degree) {
        const auto [it, added] = timerOf_[t].try_emplace(degree, timers_.size());
        if (added) {
            const auto& law = dynamic_cast<const Exponential&>(*net_.transitions[t].law);
            timers_.push_back(std::make_unique<Exponential>(law.rate() * degree));
        }
        return it->second;
    }

    // The active timers of a tangible marking, in transition order.
    std::vector<std::pair<std::uint32_t, std::uint64_t>> activeTimers(const Marking& m) {
        std::vector<std::pair<std::uint32_t, std::uint64_t>> active;
        for (std::uint32_t t : enabledTimed(m)) active.emplace_back(t, timerOf(t, degree(t, m)));
        return active;
    }

    std::vector<GsmsDestination> destinationsOf(const std::vector<Outcome>& outcomes) {
        std::vector<GsmsDestination> destinations;
        for (const Outcome& outcome : outcomes) {
            GsmsDestination destination;
            destination.target = stateOf(outcome.marking, outcome.carried);
            destination.probability = outcome.probability;
            for (const auto& [t, timer] : states_[destination.target].active)
                if (!std::binary_search(outcome.carried.begin(), outcome.carried.end(), t))
                    destination.restartedTimers.push_back(timer);
            destinations.push_back(std::move(destination));
        }
        return destinations;
    }

    std::uint64_t initialState() {
        const std::vector<Outcome> outcomes = outcomesOf(net_.initialMarking, {}, true);
        if (outcomes.size() == 1) return stateOf(outcomes.front().marking, {});
        // A vanishing initial marking with several outcomes: a start state left at once.
        startState_ = true;
        const std::uint64_t start = states_.size();
        states_.push_back({});
        const std::uint64_t timer = timers_.size();
        timers_.push_back(std::make_unique<Degenerate>(RationalZero));
        startTimer_ = timer;
        pending_.push_back({start, {timer}, destinationsOf(outcomes)});
        return start;
    }

    // The deterministic transitions of a tie: subsets of two or more of those enabled together
    // (all subsets of up to five, pairs beyond).
    std::vector<TransitionSet> tieSets(const TransitionSet& deterministic) const {
        std::vector<TransitionSet> sets;
        const std::size_t n = deterministic.size();
        if (n < 2) return sets;
        if (n <= 5) {
            for (std::uint32_t mask = 1; mask < (1u << n); ++mask) {
                if (__builtin_popcount(mask) < 2) continue;
                TransitionSet set;
                for (std::size_t i = 0; i < n; ++i)
                    if (mask & (1u << i)) set.push_back(deterministic[i]);
                sets.push_back(std::move(set));
            }
        } else {
            for (std::size_t i = 0; i < n; ++i)
                for (std::size_t j = i + 1; j < n; ++j) sets.push_back({deterministic[i], deterministic[j]});
        }
        return sets;
    }

    // The firing orders of a tie: by priority, highest first; transitions of equal priority in every
    // order (up to four of them), since the net does not say which goes first.
    std::vector<TransitionSet> firingOrders(TransitionSet set) const {
        std::stable_sort(set.begin(), set.end(), [&](std::uint32_t a, std::uint32_t b) {
            return net_.transitions[a].priority > net_.transitions[b].priority;
        });
        std::vector<TransitionSet> orders{set};
        if (set.size() > 4) return orders;
        TransitionSet order = set;
        const auto samePriorityOrder = [&](const TransitionSet& o) {
            for (std::size_t i = 1; i < o.size(); ++i)
                if (net_.transitions[o[i - 1]].priority < net_.transitions[o[i]].priority) return false;
            return true;
        };
        std::sort(order.begin(), order.end());
        do {
            if (samePriorityOrder(order) && order != set) orders.push_back(order);
        } while (std::next_permutation(order.begin(), order.end()));
        return orders;
    }

    void expand(std::uint64_t state) {
        const StateRecord record = states_[state];
        const Marking m = tangible_.at(record.marking);
        const auto fresh = [&](std::uint32_t t) {
            return !std::binary_search(record.carried.begin(), record.carried.end(), t);
        };
        TransitionSet deterministic;
        for (const auto& [t, timer] : record.active)
            if (net_.transitions[t].deterministic()) deterministic.push_back(t);
        // Fresh deterministic transitions of one delay expire together: they fire only as a group,
        // never one alone or with part of the group.
        std::vector<TransitionSet> groups;
        for (std::uint32_t t : deterministic) {
            if (!fresh(t)) continue;
            const Rational delay = *net_.transitions[t].law->fixedDelay();
            auto group = std::find_if(groups.begin(), groups.end(), [&](const TransitionSet& g) {
                return *net_.transitions[g.front()].law->fixedDelay() == delay;
            });
            if (group == groups.end()) groups.push_back({t});
            else group->push_back(t);
        }
        groups.erase(std::remove_if(groups.begin(), groups.end(), [](const TransitionSet& g) { return g.size() < 2; }),
                     groups.end());
        const auto inAGroup = [&](std::uint32_t t) {
            return std::any_of(groups.begin(), groups.end(),
                               [&](const TransitionSet& g) { return std::binary_search(g.begin(), g.end(), t); });
        };
        const auto respectsGroups = [&](const TransitionSet& set) {
            return std::all_of(groups.begin(), groups.end(), [&](const TransitionSet& g) {
                const auto shared = std::count_if(set.begin(), set.end(),
                                                  [&](std::uint32_t t) { return std::binary_search(g.begin(), g.end(), t); });
                return shared == 0 || static_cast<std::size_t>(shared) == g.size();
            });
        };
        for (const auto& [t, timer] : record.active)
            if (!inAGroup(t)) pending_.push_back({state, {timer}, destinationsOf(outcomesOf(m, {t}))});
        std::vector<TransitionSet> ties = tieSets(deterministic);
        ties.erase(std::remove_if(ties.begin(), ties.end(), [&](const TransitionSet& set) { return !respectsGroups(set); }),
                   ties.end());
        for (const TransitionSet& group : groups)
            if (std::find(ties.begin(), ties.end(), group) == ties.end()) ties.push_back(group);
        for (const TransitionSet& set : ties) {
            const std::vector<TransitionSet> orders = firingOrders(set);
            const std::vector<Outcome> outcomes = outcomesOf(m, orders.front());
            bool agree = true;
            for (std::size_t i = 1; i < orders.size() && agree; ++i) agree = sameOutcomes(outcomes, outcomesOf(m, orders[i]));
            if (!agree) {
                // Certain to fire together: all fresh with one delay. Otherwise the tie may never
                // happen, and the walk reports it if it does.
                if (std::find(groups.begin(), groups.end(), set) != groups.end())
                    throw std::invalid_argument("The deterministic transitions " + transitionList(set) +
                                                " fire at the same instant in the marking " + markingName(net_, m) +
                                                " with the same priority, and the outcome depends on their order: give "
                                                "one a higher priority");
                continue;
            }
            std::vector<std::uint64_t> timers;
            for (std::uint32_t t : set) timers.push_back(timerOf(t, 1));
            pending_.push_back({state, std::move(timers), destinationsOf(outcomes)});
        }
    }

    // --- The GSMS.

    BuiltNet assemble(std::uint64_t initial) {
        BuiltNet built;
        Gsms& model = built.model;
        model.setName(net_.name);
        std::vector<std::string> names(states_.size());
        for (std::uint64_t s = 0; s < states_.size(); ++s) {
            if (startState_ && s == 0) {
                names[s] = "start";
                continue;
            }
            const StateRecord& record = states_[s];
            names[s] = markingName(net_, tangible_.at(record.marking));
            if (variants_[record.marking].size() > 1 && !record.carried.empty()) {
                std::string running;
                for (std::uint32_t t : record.carried) running += (running.empty() ? "" : ",") + net_.transitions[t].name;
                names[s] += "[" + running + "]";
            }
        }
        for (std::uint64_t s = 0; s < states_.size(); ++s) {
            std::vector<std::uint64_t> timers;
            std::vector<std::optional<Rational>> ages;
            bool down = false;
            if (startState_ && s == 0) {
                timers.push_back(startTimer_);
                ages.emplace_back(RationalZero);
                down = net_.down && net_.down->holds(net_.initialMarking);
            } else {
                const StateRecord& record = states_[s];
                const Marking m = tangible_.at(record.marking);
                for (const auto& [t, timer] : record.active) {
                    timers.push_back(timer);
                    if (std::binary_search(record.carried.begin(), record.carried.end(), t)) ages.emplace_back();
                    else ages.emplace_back(RationalZero);
                }
                down = net_.down && net_.down->holds(m);
            }
            model.addState(names[s], down, std::move(timers), std::move(ages));
        }
        model.setInitialState(initial);
        for (const auto& timer : timers_) model.addTimer(*timer);
        for (PendingTransition& transition : pending_) {
            const std::uint64_t index = model.addTransition(transition.source, std::move(transition.timers));
            for (GsmsDestination& destination : transition.destinations)
                model.addDestination(index, destination.target, std::move(destination.probability),
                                     std::move(destination.restartedTimers));
        }
        model.orderOutgoing();

        NetStatistics& statistics = built.statistics;
        statistics.places = net_.places.size();
        statistics.transitions = net_.transitions.size();
        statistics.tangibleMarkings = tangible_.size();
        statistics.vanishingMarkings = vanishing_.size();
        statistics.gsmsStates = model.stateCount();
        for (std::uint64_t s = 0; s < model.stateCount(); ++s)
            if (model.isSmsState(s)) ++statistics.smsStates;
        return built;
    }

    const PetriNet& net_;
    const std::uint64_t maxStates_;
    MarkingStore tangible_;
    MarkingStore vanishing_;
    Marking maxSeen_;  // per place, the most tokens seen
    std::vector<std::vector<std::pair<TransitionSet, std::uint64_t>>> variants_;  // per tangible marking
    // Per vanishing marking and due list, what settling from it gives (none while it is being
    // computed: met again, the immediate transitions go round a cycle), and the path of
    // (vanishing marking, transition fired there) being settled.
    std::map<std::pair<std::uint32_t, TransitionSet>, std::optional<Settling>> settled_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> settlingPath_;
    std::vector<StateRecord> states_;
    std::deque<std::uint64_t> queue_;
    std::vector<PendingTransition> pending_;
    std::vector<std::unique_ptr<Distribution>> timers_;
    // Per transition and enabling degree, its timer (an exponential's rate times the degree).
    std::vector<std::unordered_map<std::uint32_t, std::uint64_t>> timerOf_;
    bool startState_ = false;
    std::uint64_t startTimer_ = 0;
};

}  // namespace

std::string markingName(const PetriNet& net, const std::vector<std::uint32_t>& marking) {
    std::string name;
    for (std::size_t p = 0; p < marking.size(); ++p) {
        if (marking[p] == 0) continue;
        if (!name.empty()) name += '_';
        name += net.places[p] + std::to_string(marking[p]);
    }
    return name.empty() ? "empty" : name;
}

BuiltNet buildGsms(const PetriNet& net, std::uint64_t maxStates) { return Builder(net, maxStates).build(); }

}  // namespace drova::net
