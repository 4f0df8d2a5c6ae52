#pragma once
// The simulated side of drova reliability and drova availability (--sim N): the runs of the philox
// stream of drova sim, with 95% intervals, for models with or without exact values.

#include "gsms/ApproximateGsms.hpp"
#include "gsms/Gsms.hpp"
#include "gsms/ReadGsms.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drova::cli::measures {

struct SimulationRequest {
    std::int64_t runs = 0;
    std::uint32_t seed = 0;
    int threads = 0;  // 0: all cores
};

// An estimate and its 95% interval.
struct Estimate {
    double value = 0;
    double lower = 0;
    double upper = 0;
};

// The model of a file with the names' lines, for the simulation's messages.
struct ReadModel {
    Gsms model;
    GsmsNameLines lines;
};
ReadModel readModelFile(const std::string& path);

// Whether every timer of the model has exact integrals.
bool hasExactForm(const Gsms& model);

// The largest mean of a timer of the model (0 when it has none): the time scale of a run.
double largestTimerMean(const Gsms& model);

// The first-passage times to a down state of the runs, up to `horizon`: the runs that pass it are
// not among the times.
struct FirstPassages {
    std::int64_t runs = 0;
    double horizon = 0;
    std::vector<double> times;
};
FirstPassages simulateFirstPassages(const ReadModel& model, double horizon, const SimulationRequest& request);

// F at each time (Wilson intervals), and the mean time to failure (mean +- 1.96 standard errors)
// when every run failed within the horizon.
struct SimulatedReliability {
    std::vector<Estimate> failure;
    std::optional<Estimate> mttf;
};
SimulatedReliability summariseFailures(const FirstPassages& passages, const std::vector<double>& times);

// A(t) at each time (Wilson intervals; the runs go on through down states and repairs), and the
// long-run availability as the mean share of time up over `horizon` per run (mean +- 1.96
// standard errors of the runs' shares).
struct SimulatedAvailability {
    std::vector<Estimate> availability;
    Estimate steady;
    double horizon = 0;
};
SimulatedAvailability simulateAvailability(const ReadModel& model, const std::vector<double>& times, double horizon,
                                           const SimulationRequest& request);

// Upper 95% confidence limits of the expected number of draws of each timer by each time
// ([time][timer]), from runs of the model itself; with `downStatesAbsorb`, a run stops drawing
// once it has failed. They bound, by coupling the two models draw by draw, how far the answers at
// those times move when timer i's law is replaced by one at total variation distance tv_i:
// at most the sum over i of tv_i times timer i's expected draws.
std::vector<std::vector<double>> drawBounds(const ReadModel& model, const std::vector<double>& times,
                                            bool downStatesAbsorb, const SimulationRequest& request);

// The model with its timers without exact integrals replaced by fits of `pieces` pieces, written
// to a temporary GSMS file that the module reads (removed with the object).
class ApproximatedFile {
public:
    ApproximatedFile(const Gsms& model, unsigned pieces);
    ~ApproximatedFile();
    ApproximatedFile(const ApproximatedFile&) = delete;
    ApproximatedFile& operator=(const ApproximatedFile&) = delete;

    const std::string& path() const { return path_; }
    const std::vector<TimerFit>& fits() const { return fits_; }

private:
    std::string path_;
    std::vector<TimerFit> fits_;
};

// The fits for people, one line each, and as a JSON object {"pieces": N, "timers": [...]}.
std::string fitLines(const std::vector<TimerFit>& fits);
std::string fitsJson(unsigned pieces, const std::vector<TimerFit>& fits);

}  // namespace drova::cli::measures
