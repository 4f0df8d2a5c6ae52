// drova plot: a chart of a GSMS file's failure probability F(t) or availability A(t), exact and,
// with --sim N, against N simulated runs with the 95% band of their estimate; or its SMS kernel
// as a grid of small charts. The exact values come from the Drovarel module as MATLAB would call
// it, the simulation from the runs on keyed substreams of drova sim --stream philox, and the
// picture from gnuplot.
//
//     drova plot MODEL.gsms [--measure failure|availability|kernel] [--times A:B:STEP] [--sim N]
//                           [--seed S] [--threads K] [--output FILE.png|FILE.svg] [--keep-data]

#include "cli/Chart.hpp"
#include "cli/Budget.hpp"
#include "cli/Commands.hpp"
#include "cli/Gnuplot.hpp"
#include "cli/Measures.hpp"
#include "cli/ProgressLine.hpp"
#include "cli/SimReport.hpp"
#include "formats/InputFile.hpp"
#include "formats/ModelFile.hpp"
#include "simulate/GsmsToSim.hpp"
#include "simulate/KeyedRuns.hpp"
#include "simulate/RunStatistics.hpp"

#include "host/classic/ClassicError.hpp"
#include "host/classic/ClassicRuntime.hpp"
#include "host/classic/InterruptForwarding.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace drova::cli {

namespace {

namespace md = matlab::data;

struct PlotOptions {
    std::string model;
    std::string measure = "failure";
    std::string times;
    std::int64_t sim = 0;  // 0: no simulation
    std::uint32_t seed = 0;
    int threads = 0;  // 0: all cores
    std::string output;
    bool keepData = false;
};

// Points on the default grid: a smooth curve, and few enough simulated estimates to read.
constexpr int DefaultSteps = 200;

// How far the default grid reaches, in units of the model's time scale: the failure probability
// over four mean times to failure, the kernel (and an availability that does not settle) over four
// mean sojourns in the slowest state of the SMS.
constexpr double FailureReach = 4;
constexpr double KernelReach = 4;

std::string modelNameOf(const Gsms& model, const std::string& path) {
    return model.name().empty() ? std::filesystem::path(path).stem().string() : model.name();
}

double kernelTimeScale(const std::string& model) {
    return measures::doubles(measures::callDrovarel(3, model, {}, "kernel").at(2)).at(0);
}

// The availability settles at a pace of its own (that of single failures and repairs, often far
// quicker than the mean time to failure): it is probed on the 1-2-5 series of drova availability,
// and the grid ends at the first time of the series after the last one at which A(t) is still
// more than 1% of its largest deviation away from its long-run value.
std::optional<double> availabilitySettles(const std::string& model) {
    std::vector<double> probes = measures::defaultTimesOf(model, measures::AvailabilityLowestFraction).value_or(std::vector<double>{});
    if (probes.size() < 2) return std::nullopt;
    probes.insert(probes.begin(), 0.0);
    const std::vector<md::Array> outputs = measures::callDrovarel(2, model, probes, "availability");
    const std::vector<double> a = measures::doubles(outputs.at(0));
    const double steady = measures::doubles(outputs.at(1)).at(0);
    double largest = 0;
    for (const double value : a) largest = std::max(largest, std::abs(value - steady));
    if (!(largest > 0)) return std::nullopt;
    std::size_t last = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (std::abs(a[k] - steady) > largest / 100) last = k;
    return probes[std::min(last + 1, probes.size() - 1)];
}

std::vector<double> defaultGrid(const PlotOptions& options) {
    if (options.measure == "availability")
        if (const std::optional<double> end = availabilitySettles(options.model)) return measures::gridUpTo(*end, DefaultSteps);
    double scale = 0;
    double reach = KernelReach;
    if (options.measure == "failure") {
        const std::vector<md::Array> outputs = measures::callDrovarel(5, options.model, {}, "reliability");
        const double mttf = measures::doubles(outputs.at(1)).at(0);
        scale = std::isfinite(mttf) ? mttf : measures::doubles(outputs.at(4)).at(0);
        reach = FailureReach;
    } else {
        scale = kernelTimeScale(options.model);
    }
    if (!(scale > 0) || !std::isfinite(scale * reach))
        throw std::invalid_argument("The model has no time scale to choose the times from (no state of the SMS is "
                                    "ever left, or it is left at once); give them with --times A:B:STEP");
    return measures::gridUpTo(scale * reach, DefaultSteps);
}

// The runs of the philox stream, counting at each time the runs that are down then; for the
// failure probability the down states are made absorbing, so that a run counts as down from its
// first down state on.
std::vector<std::int64_t> simulatedDown(const PlotOptions& options, const Gsms& gsms, const GsmsNameLines& lines,
                                        const std::vector<double>& times) {
    SimModel model = simModelOf(gsms, &lines);
    if (options.measure == "failure")
        for (SimState& state : model.States)
            if (state.DownState) state.Transitions.clear();
    return runKeyed(options.sim, options.seed, options.threads, [&](const KeyedRunOptions& run) {
               return simulateKeyedOccupancy(options.sim, times, model, run);
           }).down;
}

SimulatedCurve simulatedCurve(std::int64_t runs, const std::vector<std::int64_t>& down, bool countDown) {
    SimulatedCurve curve;
    curve.runs = runs;
    for (const std::int64_t d : down) {
        const std::int64_t counted = countDown ? d : runs - d;
        const ConfidenceBounds band = wilsonInterval(counted, runs);
        curve.estimate.push_back(static_cast<double>(counted) / static_cast<double>(runs));
        curve.lower.push_back(band.lower);
        curve.upper.push_back(band.upper);
    }
    return curve;
}

// The chart's script and data, with the exact values from the module.
std::pair<std::string, std::string> drawn(const PlotOptions& options, const std::string& name,
                                          const std::vector<double>& times, const ImageFile& image,
                                          const std::function<std::vector<std::int64_t>()>& simulate) {
    if (options.measure == "kernel") {
        const std::vector<md::Array> outputs = measures::callDrovarel(2, options.model, times, "kernel");
        KernelChart chart;
        chart.title = name + ": SMS kernel, from the row's state to the column's";
        chart.times = times;
        const md::StringArray names(outputs.at(1));
        for (std::size_t s = 0; s < names.getNumberOfElements(); ++s) chart.names.push_back(std::string(names[s]));
        const std::size_t n = chart.names.size();
        if (n > MostKernelStates)
            throw std::invalid_argument("The SMS has " + std::to_string(n) + " states: a grid of " + std::to_string(n) +
                                        " by " + std::to_string(n) + " charts is too many to read; drova plot draws " +
                                        "the kernel of at most " + std::to_string(MostKernelStates) + " states");
        const std::vector<double> values = measures::doubles(outputs.at(0));
        chart.values.assign(n, std::vector<std::vector<double>>(n, std::vector<double>(times.size())));
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j)
                for (std::size_t k = 0; k < times.size(); ++k) chart.values[i][j][k] = values[i + j * n + k * n * n];
        return {kernelScript(chart, image), kernelData(chart)};
    }
    CurveChart chart;
    chart.times = times;
    if (options.measure == "failure") {
        chart.title = name + ": failure probability F(t)";
        chart.quantity = "F(t)";
        chart.fromZero = true;
        chart.exact = measures::doubles(measures::callDrovarel(1, options.model, times, "reliability").at(0));
    } else {
        chart.title = name + ": availability A(t)";
        chart.quantity = "A(t)";
        const std::vector<md::Array> outputs = measures::callDrovarel(2, options.model, times, "availability");
        chart.exact = measures::doubles(outputs.at(0));
        chart.longRun = measures::doubles(outputs.at(1)).at(0);
    }
    if (options.sim > 0) chart.simulated = simulatedCurve(options.sim, simulate(), options.measure == "failure");
    return {curveScript(chart, image), curveData(chart)};
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) throw std::runtime_error("Could not write the file \"" + path.string() + "\"");
}

// The picture's folder must exist and take files, before any work is done.
void checkWritable(const std::string& output) {
    const std::filesystem::path folder = std::filesystem::path(output).parent_path();
    const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
    std::error_code error;
    if (!std::filesystem::is_directory(where, error))
        throw std::runtime_error("Could not write the file \"" + output + "\": the folder " + where.string() +
                                 " does not exist");
    if (::access(where.c_str(), W_OK) != 0)
        throw std::runtime_error("Could not write the file \"" + output + "\": the folder " + where.string() +
                                 " cannot be written to");
}

int runPlot(PlotOptions options) {
    const char* doing = "reading the model";
    try {
        if (options.output.empty())
            options.output = std::filesystem::path(options.model).stem().string() + "-" + options.measure + ".png";
        const ImageFile image{options.output, *imageFormatOf(options.output)};
        checkWritable(options.output);
        const std::optional<std::filesystem::path> gnuplot = findGnuplot();
        if (!gnuplot) return reportFailure(gnuplotMissingMessage());

        std::ifstream in = openInputFile(options.model, std::ios::binary);
        if (!in.is_open()) throw std::runtime_error(cannotOpenMessage(options.model));
        GsmsNameLines lines;
        const Gsms model = readModel(in, options.model, &lines);

        doing = "computing the exact values";
        const std::vector<double> times =
            options.times.empty() ? defaultGrid(options) : measures::parseTimeGrid(options.times);
        auto simulate = [&] {
            doing = "simulating";
            return simulatedDown(options, model, lines, times);
        };
        const auto [script, data] = drawn(options, modelNameOf(model, options.model), times, image, simulate);

        doing = "drawing";
        runGnuplot(*gnuplot, script);
        std::cout << "Wrote " << options.output << '\n';
        if (options.keepData) {
            const std::filesystem::path dataFile = std::filesystem::path(options.output).replace_extension(".dat");
            writeFile(dataFile, data);
            std::cout << "Kept the data in " << dataFile.string() << '\n';
        }
        std::cout.flush();
    } catch (const std::bad_alloc&) {
        return reportFailure(std::string("Out of memory while ") + doing);
    } catch (const ClassicError& e) {
        return reportFailure(std::string(e.what()) + " (" + e.identifier() + ")");
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

template <class Number>
bool parsesAs(const std::string& text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

}  // namespace

RegisteredCommand addPlotCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand(
        "plot", "Draw the failure probability, the availability or the kernel of a GSMS file, exact and "
                "against simulation, with gnuplot");
    auto options = std::make_shared<PlotOptions>();
    sub->add_option("MODEL", options->model, "GSMS text file, or a net (.toml); not JSON (for drova sim only)")->required();
    sub->add_option("--measure", options->measure,
                    "failure (default): F(t); availability: A(t); kernel: the SMS kernel, one small chart per entry")
        ->check(CLI::IsMember({"failure", "availability", "kernel"}));
    sub->add_option("--times", options->times,
                    "A:B:STEP, the times from A to B in steps of STEP (default: 200 steps over four mean times to "
                    "failure; for the availability, until it has settled; for the kernel, over four mean sojourns "
                    "in the slowest state of the SMS)");
    CLI::Option* sim = sub->add_option("--sim", options->sim, "simulate N runs (philox stream) and draw their estimate "
                                                              "with its 95% band")
                           ->check(CLI::Validator(
                               [](std::string& text) {
                                   std::int64_t runs = 0;
                                   return parsesAs(text, runs) && runs >= 1 ? std::string()
                                                                            : "expected a number of runs of at least 1";
                               },
                               "N"));
    sub->add_option("--seed", options->seed, "seed of the simulation's streams, 0 to 4294967295 (default 0)")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::uint32_t seed = 0;
                return parsesAs(text, seed) ? std::string() : "expected an integer from 0 to 4294967295";
            },
            "S"));
    sub->add_option("--threads", options->threads, "threads of the simulation (default: all cores)")
        ->check(CLI::Range(1, 4096));
    addBudgetOptions(*sub);
    sub->add_option("--output", options->output,
                    "the picture, FILE.png or FILE.svg (default: MODEL-MEASURE.png in the current folder)")
        ->check(CLI::Validator(
            [](std::string& text) {
                if (!imageFormatOf(text)) return std::string("expected a file name ending in .png or .svg");
                for (const char c : text)
                    if (static_cast<unsigned char>(c) < 0x20) return std::string("the file name has a control character");
                return std::string();
            },
            "FILE"));
    sub->add_flag("--keep-data", options->keepData,
                  "also write the chart's numbers to the picture's name with .dat (tab-separated, 17 digits)");
    sub->footer("Examples:\n"
                "  drova plot examples/redundant.gsms --sim 100000 --output redundant.png\n"
                "  drova plot examples/machine.gsms --measure availability --times 0:500:2.5 --sim 20000\n"
                "  drova plot examples/machine.gsms --measure kernel --output kernel.svg");
    return {sub, [options, sim] {
                if (sim->count() > 0 && options->measure == "kernel") {
                    std::cerr << "--sim: the kernel is drawn exact only; simulate --measure failure or availability\n";
                    return ExitUsage;
                }
                return runPlot(*options);
            }};
}

}  // namespace drova::cli
