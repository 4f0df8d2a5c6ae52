#include "cli/SimReport.hpp"

#include "modules/sim/ClassicSimHost.hpp"

#include "host/classic/ClassicRuntime.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <thread>

namespace drova::cli {

namespace {

using Json = nlohmann::ordered_json;

std::string formatted(const char* format, double value) {
    char text[64];
    const int length = std::snprintf(text, sizeof text, format, value);
    return std::string(text, static_cast<std::size_t>(length));
}

std::string brief(double value) { return formatted("%.6g", value); }

std::string percent(double level) { return formatted("%g", level * 100.0) + "%"; }

Json number(const std::optional<double>& value) {
    if (!value || !std::isfinite(*value)) return nullptr;
    return *value;
}

Json interval(const std::optional<ConfidenceBounds>& value) {
    if (!value) return nullptr;
    return Json::array({value->lower, value->upper});
}

}  // namespace

std::string timesText(const std::vector<double>& times) {
    std::string text;
    char line[40];
    for (double time : times) {
        const int length = std::snprintf(line, sizeof line, "%.17g\n", time);
        text.append(line, static_cast<std::size_t>(length));
    }
    return text;
}

std::string timesCsv(const std::vector<double>& times) { return "time\n" + timesText(times); }

std::string summaryText(const RunSummary& summary, double horizon) {
    std::string text;
    text += "runs: " + std::to_string(summary.runs) + "\n";
    text += "reached a down state: " + std::to_string(summary.reached) + " (horizon " + brief(horizon) + ")\n";
    text += "mean time to the first down state: " +
            (summary.mean ? brief(*summary.mean) : std::string("none (no run reached one)")) + "\n";
    if (summary.standardError) {
        text += "standard error: " + brief(*summary.standardError) + "\n";
        text += "95% confidence interval: " + brief(summary.confidence->lower) + " to " +
                brief(summary.confidence->upper) + "\n";
    } else {
        text += "standard error: none (needs two runs that reached a down state)\n";
    }
    text += "quantiles:";
    for (std::size_t k = 0; k < summary.quantiles.size(); ++k) {
        const QuantileEstimate& q = summary.quantiles[k];
        text += (k == 0 ? " " : ", ") + percent(q.level) + " " +
                (q.time ? brief(*q.time) : std::string(summary.runs > 0 ? "beyond the horizon" : "none"));
    }
    text += "\n";
    for (const FailureProbabilityEstimate& f : summary.failureProbabilities) {
        text += "failure probability by " + brief(f.time) + ": ";
        if (f.estimate)
            text += brief(*f.estimate) + " (Wilson 95% interval " + brief(f.wilson->lower) + " to " +
                    brief(f.wilson->upper) + ")\n";
        else
            text += "none (no runs)\n";
    }
    return text;
}

std::string summaryJson(const RunSummary& summary, double horizon, const SimStreamDescription& stream) {
    Json json;
    json["runs"] = summary.runs;
    json["reached"] = summary.reached;
    json["horizon"] = number(horizon);
    json["stream"] = stream.stream;
    json["seed"] = stream.seed;
    json["mean"] = number(summary.mean);
    json["standardError"] = number(summary.standardError);
    json["confidenceInterval"] = interval(summary.confidence);
    json["quantiles"] = Json::array();
    for (const QuantileEstimate& q : summary.quantiles)
        json["quantiles"].push_back({{"level", q.level}, {"time", number(q.time)}});
    json["failureProbability"] = Json::array();
    for (const FailureProbabilityEstimate& f : summary.failureProbabilities)
        json["failureProbability"].push_back(
            {{"time", number(f.time)}, {"estimate", number(f.estimate)}, {"interval", interval(f.wilson)}});
    return json.dump() + "\n";
}

KeyedRunOptions keyedRunOptions(std::uint32_t seed, int threads, std::atomic<std::int64_t>& done) {
    KeyedRunOptions options;
    options.seed = seed;
    options.threads = threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    options.interrupt = classicInterruptFlag();
    options.runsDone = &done;
    return options;
}

void raiseRunFailure(const KeyedRunStatus& status) {
    sim::ClassicSimHost reporter;
    if (status.interrupted) reporter.interrupted();
    if (status.error) {
        try {
            std::rethrow_exception(status.error);
        } catch (const std::bad_alloc&) {
            reporter.outOfMemory();
        }
    }
    if (status.failure) reportRunFailure(*status.failure, reporter);
}

}  // namespace drova::cli
