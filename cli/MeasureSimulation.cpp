#include "cli/MeasureSimulation.hpp"

#include "cli/ProgressLine.hpp"
#include "cli/Measures.hpp"
#include "cli/SimReport.hpp"
#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/ExpolynomialLaw.hpp"
#include "distributions/SampledLaws.hpp"
#include "distributions/Uniform.hpp"
#include "formats/InputFile.hpp"
#include "formats/ModelFile.hpp"
#include "gsms/WriteGsms.hpp"
#include "simulate/GsmsToSim.hpp"
#include "simulate/KeyedRuns.hpp"
#include "simulate/RunStatistics.hpp"

#include "host/classic/InterruptForwarding.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace drova::cli::measures {

namespace {

Estimate wilson(std::int64_t successes, std::int64_t runs) {
    const ConfidenceBounds band = wilsonInterval(successes, runs);
    return {static_cast<double>(successes) / static_cast<double>(runs), band.lower, band.upper};
}

// The mean of the values with mean +- 1.96 standard errors.
Estimate meanOf(const std::vector<double>& values) {
    const double n = static_cast<double>(values.size());
    double sum = 0;
    for (const double v : values) sum += v;
    const double mean = sum / n;
    double squares = 0;
    for (const double v : values) squares += (v - mean) * (v - mean);
    const double error = values.size() > 1 ? std::sqrt(squares / (n - 1) / n) : 0.0;
    return {mean, mean - Normal975 * error, mean + Normal975 * error};
}

}  // namespace

ReadModel readModelFile(const std::string& path) {
    std::ifstream in = openInputFile(path, std::ios::binary);
    if (!in.is_open()) throw std::runtime_error(cannotOpenMessage(path));
    ReadModel read;
    read.model = drova::readModel(in, path, &read.lines);
    return read;
}

bool hasExactForm(const Gsms& model) {
    for (std::uint64_t i = 0; i < model.timerCount(); ++i)
        if (!model.timer(i).hasExactIntegrals()) return false;
    return true;
}

double largestTimerMean(const Gsms& model) {
    double largest = 0;
    for (std::uint64_t i = 0; i < model.timerCount(); ++i) {
        const Distribution& timer = model.timer(i);
        double mean = 0;
        if (const auto* exp = dynamic_cast<const Exponential*>(&timer)) mean = 1 / static_cast<double>(exp->rate());
        else if (const auto* deg = dynamic_cast<const Degenerate*>(&timer)) mean = static_cast<double>(deg->delay());
        else if (const auto* uni = dynamic_cast<const Uniform*>(&timer))
            mean = (static_cast<double>(uni->lower()) + static_cast<double>(uni->upper())) / 2;
        else if (const auto* law = dynamic_cast<const ExpolynomialLaw*>(&timer)) mean = static_cast<double>(law->mean());
        else if (const auto* sampled = dynamic_cast<const SampledLaw*>(&timer)) mean = sampled->meanValue();
        largest = std::max(largest, mean);
    }
    return largest;
}

FirstPassages simulateFirstPassages(const ReadModel& read, double horizon, const SimulationRequest& request) {
    const SimModel model = simModelOf(read.model, &read.lines);
    KeyedRunsResult result = runKeyed(request.runs, request.seed, request.threads, [&](const KeyedRunOptions& options) {
        return simulateKeyedRuns(request.runs, horizon, model, options);
    });
    return {request.runs, horizon, std::move(result.times)};
}

SimulatedReliability summariseFailures(const FirstPassages& passages, const std::vector<double>& times) {
    SimulatedReliability simulated;
    std::vector<double> sorted = passages.times;
    std::sort(sorted.begin(), sorted.end());
    for (const double t : times) {
        const auto failed = std::upper_bound(sorted.begin(), sorted.end(), t) - sorted.begin();
        simulated.failure.push_back(wilson(failed, passages.runs));
    }
    if (passages.runs > 0 && static_cast<std::int64_t>(sorted.size()) == passages.runs) simulated.mttf = meanOf(sorted);
    return simulated;
}

SimulatedAvailability simulateAvailability(const ReadModel& read, const std::vector<double>& times, double horizon,
                                           const SimulationRequest& request) {
    const SimModel model = simModelOf(read.model, &read.lines);
    std::vector<double> ascending = times;
    std::sort(ascending.begin(), ascending.end());
    std::atomic<std::int64_t> done{0};
    const KeyedRunOptions options = keyedRunOptions(request.seed, request.threads, done);
    KeyedOccupancyResult occupancy;
    KeyedUpTimeResult upTime;
    {
        InterruptForwarding interrupts;
        ProgressLine progress(2 * request.runs, &done);
        occupancy = simulateKeyedOccupancy(request.runs, ascending, model, options);
        raiseRunFailure(occupancy);
        upTime = simulateKeyedUpTime(request.runs, horizon, model, options);
    }
    raiseRunFailure(upTime);
    SimulatedAvailability simulated;
    simulated.horizon = horizon;
    for (const double t : times) {
        const auto at = std::lower_bound(ascending.begin(), ascending.end(), t) - ascending.begin();
        simulated.availability.push_back(wilson(request.runs - occupancy.down[static_cast<std::size_t>(at)], request.runs));
    }
    for (double& up : upTime.upTimes) up /= horizon;
    simulated.steady = meanOf(upTime.upTimes);
    return simulated;
}

std::vector<std::vector<double>> drawBounds(const ReadModel& read, const std::vector<double>& times,
                                            bool downStatesAbsorb, const SimulationRequest& request) {
    SimModel model = simModelOf(read.model, &read.lines);
    if (downStatesAbsorb)
        for (SimState& state : model.States)
            if (state.DownState) state.Transitions.clear();
    std::vector<double> ascending = times;
    std::sort(ascending.begin(), ascending.end());
    const KeyedDrawCountResult counts =
        runKeyed(request.runs, request.seed, request.threads, [&](const KeyedRunOptions& options) {
            return simulateKeyedDrawCounts(request.runs, ascending, model, options);
        });
    const std::size_t timers = model.Distributions.size();
    const auto n = static_cast<double>(request.runs);
    std::vector<std::vector<double>> bounds;
    for (const double t : times) {
        const auto k = static_cast<std::size_t>(std::lower_bound(ascending.begin(), ascending.end(), t) - ascending.begin());
        std::vector<double> perTimer;
        for (std::size_t i = 0; i < timers; ++i) {
            const double sum = static_cast<double>(counts.sum[k * timers + i]);
            const double squares = static_cast<double>(counts.sumOfSquares[k * timers + i]);
            const double mean = sum / n;
            const double variance = n > 1 ? std::max(0.0, (squares - sum * mean) / (n - 1)) : 0.0;
            perTimer.push_back(mean + Normal975 * std::sqrt(variance / n));
        }
        bounds.push_back(std::move(perTimer));
    }
    return bounds;
}

ApproximatedFile::ApproximatedFile(const Gsms& model, unsigned pieces) {
    ApproximatedGsms approximated = approximateGsms(model, pieces);
    fits_ = std::move(approximated.fits);
    const char* folder = std::getenv("TMPDIR");
    std::string name = std::string(folder && *folder ? folder : "/tmp") + "/drova-approximation-XXXXXX.gsms";
    const int descriptor = mkstemps(name.data(), 5);
    if (descriptor < 0) throw std::runtime_error("Could not create a temporary file for the approximated model");
    close(descriptor);
    path_ = name;
    std::ofstream out(path_, std::ios::binary);
    writeGsms(approximated.model, out);
    out.close();
    if (!out) throw std::runtime_error("Could not write the approximated model to " + path_);
}

ApproximatedFile::~ApproximatedFile() {
    if (!path_.empty()) std::remove(path_.c_str());
}

namespace {

std::string shortNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

}  // namespace

std::string fitLines(const std::vector<TimerFit>& fits) {
    std::string lines;
    for (const TimerFit& fit : fits)
        lines += "Timer " + std::to_string(fit.timer) + ": " + fit.law + " fitted by " + std::to_string(fit.pieces) +
                 " pieces and an exponential tail: Kolmogorov distance " + shortNumber(fit.kolmogorov) +
                 ", total variation " + shortNumber(fit.totalVariation) + "\n";
    return lines;
}

std::string fitsJson(unsigned pieces, const std::vector<TimerFit>& fits) {
    std::string timers;
    for (const TimerFit& fit : fits)
        timers += std::string(timers.empty() ? "" : ", ") + "{\"timer\": " + std::to_string(fit.timer) +
                  ", \"law\": " + jsonString(fit.law) + ", \"pieces\": " + std::to_string(fit.pieces) +
                  ", \"kolmogorov_distance\": " + jsonNumber(fit.kolmogorov) +
                  ", \"total_variation\": " + jsonNumber(fit.totalVariation) + "}";
    return "{\"pieces\": " + std::to_string(pieces) + ", \"timers\": [" + timers + "]}";
}

}  // namespace drova::cli::measures
