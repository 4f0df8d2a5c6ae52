#include "modules/rel/GsmsMeasures.hpp"

#include "algebra/MessageText.hpp"
#include "convert/ConversionContext.hpp"
#include "measures/FailureProbability.hpp"
#include "measures/FirstPassage.hpp"
#include "measures/KernelValues.hpp"
#include "measures/SteadyState.hpp"
#include "measures/TimeToFailure.hpp"
#include "measures/TransientProbabilities.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <regex>
#include <stdexcept>
#include <system_error>

namespace drova::rel {

namespace {

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The longest path between two states of the process that the walk follows. Without a time bound
// nothing cuts a path off, and a cycle through states outside the SMS makes the walk endless; the
// walk's cost grows with about the cube of the path length (a deterministic cycle: 1 s to reach
// 100 steps, 5 s for 200, 30 s for 400), so the limit is well below that of drova konv.
constexpr std::size_t MeasuresPathLength = 100;

// The walk's own advice is to cut long paths off at a time bound, which the measures cannot do:
// they need every path to its end. Its two failures of that kind are said again in those terms.
RenewalProcess walk(const Gsms& model, bool downStatesAbsorb) {
    try {
        return ConversionContext(model, MeasuresPathLength).computeRenewalProcess(downStatesAbsorb);
    } catch (const EndlessCycle& e) {
        throw std::invalid_argument(
            "The model has a cycle through states outside the SMS, " + e.cycle() +
            ", that only a time bound would cut off, so its reliability measures cannot be computed exactly; split a "
            "state of the cycle by how it is entered, so that its timers' ages on entry are known, or write the model "
            "as a net (.toml), from which drova builds states whose ages are known");
    } catch (const WalkLimitExceeded& e) {
        throw std::invalid_argument(e.limit() +
                                    ": the paths between states of the SMS grow too long or too many for the "
                                    "reliability measures, which need every path walked to its end");
    } catch (const std::invalid_argument& e) {
        const std::string message = e.what();
        const std::string cutOffAdvice = "; give a positive time bound and threshold so that long paths are cut off";
        const std::string noTimeBound =
            ": the model has a cycle through states outside the SMS that only a time bound would cut off, so its "
            "reliability measures cannot be computed exactly";
        if (startsWith(message, "A path of more than ") && endsWith(message, cutOffAdvice))
            throw std::invalid_argument(message.substr(0, message.size() - cutOffAdvice.size()) + noTimeBound);
        throw;
    }
}

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// The GSMS state where the process starts.
std::uint64_t startOf(const Gsms& model, const std::optional<std::string>& from) {
    if (!from) return model.initialState();
    std::vector<std::uint64_t> named;
    for (std::uint64_t s = 0; s < model.stateCount(); ++s)
        if (model.state(s).name == *from) named.push_back(s);
    if (named.empty()) {
        std::vector<std::string> names;
        for (const GsmsState& state : model.states()) names.push_back(state.name);
        const std::string closest = closestName(*from, names);
        throw std::invalid_argument("The model has no state named " + quoted(messageText(*from, 40)) +
                                    (closest.empty() ? "" : "; did you mean " + quoted(closest) + "?"));
    }
    if (named.size() > 1)
        throw std::invalid_argument("The model has " + std::to_string(named.size()) + " states named " + quoted(*from) +
                                    " (states " + std::to_string(named[0]) + " and " + std::to_string(named[1]) +
                                    "), so the name does not say where to start");
    return named.front();
}

// The measures name the states of the process as "state I (NAME)" with I counted among the states
// of the process; the user knows the states by their index in the file.
std::string inFileNumbers(const std::string& message, const GsmsProcess& process) {
    static const std::regex named(R"(state ([0-9]+) \(([^()]*)\))");
    std::string result;
    auto last = message.cbegin();
    for (std::sregex_iterator it(message.begin(), message.end(), named), end; it != end; ++it) {
        const std::smatch& match = *it;
        result.append(last, match[0].first);
        last = match[0].second;
        const std::string number = match[1].str();
        std::size_t index = 0;
        const bool small = number.size() < 10;
        if (small) index = std::stoul(number);
        if (small && index < process.gsmsIndex.size() && process.model.states[index].name == match[2].str())
            result += "state " + std::to_string(process.gsmsIndex[index]) + " (" + match[2].str() + ")";
        else
            result += match[0].str();
    }
    result.append(last, message.cend());
    return result;
}

// Runs a measure, its failures naming states by their index in the file.
template <typename Measure>
auto measured(const GsmsProcess& process, Measure measure) {
    try {
        return measure();
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(inFileNumbers(e.what(), process));
    }
}

// The process of the model, starting in its first state.
GsmsProcess walkedProcess(const Gsms& model, bool downStatesAbsorb) {
    RenewalProcess process = walk(model, downStatesAbsorb);
    GsmsProcess result;
    result.gsmsIndex = process.states;
    measures::SemiMarkovModel& sms = result.model;
    for (std::uint64_t s : process.states) sms.states.push_back({model.state(s).name, model.state(s).flag});
    for (const GsmsState& s : model.states()) sms.gsmsStates.push_back({s.name, s.flag});
    const auto toRows = [](std::vector<RenewalProcess::SparseRow>& rows, std::size_t width) {
        measures::SparseExpolynomialMatrix matrix;
        for (RenewalProcess::SparseRow& row : rows) {
            measures::ExpolynomialRow sparse(width);
            for (auto& [column, entry] : row) sparse[column] = std::move(entry);
            matrix.push_back(std::move(sparse));
            RenewalProcess::SparseRow().swap(row);
        }
        return matrix;
    };
    sms.kernel = toRows(process.kernel, process.states.size());
    sms.occupancy = toRows(process.sojourn, model.stateCount());
    return result;
}

}  // namespace

GsmsProcess processOf(const Gsms& model, bool downStatesAbsorb, const std::optional<std::string>& from) {
    const std::uint64_t start = startOf(model, from);
    GsmsProcess result = walkedProcess(model, downStatesAbsorb);
    const std::vector<std::uint64_t>& states = result.gsmsIndex;
    const auto position = std::find(states.begin(), states.end(), start);
    if (position == states.end())
        throw std::invalid_argument(std::string(from ? "The state " : "The initial state ") +
                                    quoted(model.state(start).name) + " (" + std::to_string(start) +
                                    ") is not a state of the SMS: the ages of its timers on entry are not all known, "
                                    "so the measures cannot start there");
    result.model.initialState = static_cast<std::size_t>(position - states.begin());
    return result;
}

GsmsReliability reliabilityOf(const Gsms& model, const std::vector<Rational>& times,
                              const std::optional<std::string>& from) {
    measures::checkTimes(times);
    const GsmsProcess process = processOf(model, true, from);
    const measures::ExactKernel kernel = measured(process, [&] { return measures::ExactKernel(process.model); });
    const measures::TimeToFailure failure =
        measured(process, [&] { return measures::timeToFailure(process.model, kernel); });
    GsmsReliability result;
    result.mttf = failure.mean;
    result.neverFails = failure.neverFails;
    result.mttfGivenFailure = failure.meanGivenFailure;
    if (!times.empty()) {
        measures::FailureCurve curve =
            measured(process, [&] { return measures::failureProbability(process.model, kernel, times); });
        result.failure = std::move(curve.failure);
        result.reliability = std::move(curve.reliability);
    }
    return result;
}

GsmsKernel kernelOf(const Gsms& model, const std::vector<Rational>& times) {
    measures::checkTimes(times);
    const GsmsProcess process = walkedProcess(model, false);
    GsmsKernel result;
    for (const measures::NamedState& state : process.model.states) result.names.push_back(state.name);
    measures::KernelValues values = measured(process, [&] { return measures::kernelValues(process.model, times); });
    result.values = std::move(values.values);
    result.timeScale = values.timeScale;
    result.gsmsIndex = process.gsmsIndex;
    return result;
}

GsmsAvailability availabilityOf(const Gsms& model, const std::vector<Rational>& times,
                                const std::optional<std::string>& from) {
    measures::checkTimes(times);
    const GsmsProcess process = processOf(model, false, from);
    const measures::ExactKernel kernel = measured(process, [&] { return measures::ExactKernel(process.model); });
    const measures::SteadyState steady = measured(process, [&] { return measures::steadyState(process.model, kernel); });
    GsmsAvailability result;
    result.steadyAvailability = steady.availability;
    result.steadyStates = steady.states;
    result.states.assign(model.stateCount(), {});
    if (!times.empty()) {
        measures::TransientProbabilities transient =
            measured(process, [&] { return measures::transientProbabilities(process.model, kernel, times); });
        result.availability = std::move(transient.availability);
        result.states = std::move(transient.states);
    }
    return result;
}

Rational timeOfDouble(double time) {
    if (!std::isfinite(time)) throw std::invalid_argument("A time must be a finite number");
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, time, std::chars_format::scientific);
    if (error != std::errc()) throw std::logic_error("timeOfDouble: no shortest text");
    // d.ddde[+-]xx: the digits as a whole number, scaled by 10 to the exponent minus the
    // number of digits after the point.
    const std::string written(text, end);
    const std::size_t e = written.find('e');
    std::string digits;
    int after = 0;
    bool point = false;
    for (std::size_t i = 0; i < e; ++i) {
        const char c = written[i];
        if (c == '.') {
            point = true;
        } else {
            digits += c;
            if (point && c != '-') ++after;
        }
    }
    const int exponent = std::stoi(written.substr(e + 1)) - after;
    Rational value = parseRational(digits);
    const Rational ten(10);
    for (int k = 0; k < std::abs(exponent); ++k) {
        if (exponent > 0)
            value *= ten;
        else
            value /= ten;
    }
    return value;
}

}  // namespace drova::rel
