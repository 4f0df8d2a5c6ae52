#pragma once
// The first passages of drova sim's runs of a model to its down states, for checking an exact
// F(t) against the share of runs failed by t.

#include "RunDrova.hpp"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

struct SimulatedFailures {
    DrovaRun run;               // the drova sim run itself, for its status and messages
    std::vector<double> times;  // one per run that failed before the horizon, in run order
    std::size_t runs = 0;

    double shareBy(double t) const {
        return static_cast<double>(std::count_if(times.begin(), times.end(), [&](double at) { return at <= t; })) /
               static_cast<double>(runs);
    }
};

// drova sim MODEL --runs RUNS --horizon inf --seed SEED.
inline SimulatedFailures simulateFailures(const std::string& model, std::size_t runs, const std::string& seed) {
    SimulatedFailures result;
    result.runs = runs;
    result.run = runDrova({"sim", model, "--runs", std::to_string(runs), "--horizon", "inf", "--seed", seed});
    std::istringstream lines(result.run.out);
    for (double t; lines >> t;) result.times.push_back(t);
    return result;
}
