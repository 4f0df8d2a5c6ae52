// The renewal process that the reliability measures are computed from: down states made
// absorbing, and the probabilities of still being in each GSMS state between two states of the
// process, checked by their sum and against an independent Monte Carlo run.

#include "ConvertTestSupport.hpp"

#include "convert/KernelMatrixText.hpp"
#include "GsmsMonteCarlo.hpp"
#include "RandomGsms.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace drova;

namespace {

using Rows = std::vector<RenewalProcess::SparseRow>;

// Entry (row, column) of sparse rows: zero where the row has none.
Expolynomial entryOf(const Rows& rows, std::size_t row, std::uint64_t column) {
    for (const auto& [at, entry] : rows.at(row))
        if (at == column) return entry;
    return Expolynomial();
}

KernelMatrix denseOf(const Rows& rows, std::size_t width) {
    KernelMatrix dense(rows.size(), std::vector<Expolynomial>(width));
    for (std::size_t row = 0; row < rows.size(); ++row)
        for (const auto& [column, entry] : rows[row]) dense[row].at(column) = entry;
    return dense;
}

// Kernel row plus sojourn row at `time`: all of the row's probability that is not lost.
double rowTotal(const RenewalProcess& process, std::size_t row, const Rational& time) {
    double sum = 0;
    for (const auto& [column, entry] : process.kernel[row]) sum += valueOf(entry, time);
    for (const auto& [state, entry] : process.sojourn[row]) sum += valueOf(entry, time);
    return sum;
}

TEST(RenewalProcess, DownStatesAbsorbAndKeepTheirProbability) {
    const Gsms machine = konvModel("examples/machine.gsms");
    const RenewalProcess process = ConversionContext(machine).computeRenewalProcess(true);
    EXPECT_EQ(process.states, (std::vector<std::uint64_t>{0, 1}));
    EXPECT_EQ(kernelMatrixText(denseOf(process.kernel, process.states.size())), "[0 1-1*exp(-1/sym(100)*t) \n0 0 \n]");
    EXPECT_EQ(text(entryOf(process.sojourn, 0, 0)), "1*exp(-1/sym(100)*t)");
    EXPECT_EQ(text(entryOf(process.sojourn, 0, 1)), "0");
    EXPECT_EQ(text(entryOf(process.sojourn, 1, 1)), "1");

    // Redundant units: the down states lie outside the SMS and become states of the process.
    const Gsms redundant = konvModel("examples/redundant.gsms");
    const RenewalProcess absorbing = ConversionContext(redundant).computeRenewalProcess(true);
    EXPECT_EQ(absorbing.states, (std::vector<std::uint64_t>{0, 1, 2, 3, 4}));
    for (std::size_t row = 0; row < absorbing.states.size(); ++row)
        for (const Rational& time : {Rational(1, 2), Rational(24), Rational(30), Rational(5000)})
            EXPECT_NEAR(rowTotal(absorbing, row, time), 1, 1e-14) << row << " at " << toText(time);
    // From RepairA the next state is BothUp (repair done first) or DownRepairA (the other unit
    // fails first): 1 - e^(-24/1000) of it by t = 24 and after.
    EXPECT_NEAR(valueOf(entryOf(absorbing.kernel, 1, 3), 100), 1 - std::exp(-0.024), 1e-15);
    for (std::size_t state = 0; state < 5; ++state) EXPECT_EQ(text(entryOf(absorbing.kernel, 3, state)), "0");
}

TEST(RenewalProcess, WithoutAbsorptionTheKernelIsTheSmsKernel) {
    for (const char* name : {"examples/redundant.gsms", "examples/maintenance.gsms", "examples/assembly.gsms",
                             "redundant3-uniform.gsms", "one-step.gsms"}) {
        const Gsms model = konvModel(name);
        const RenewalProcess process = ConversionContext(model).computeRenewalProcess(false);
        EXPECT_EQ(kernelMatrixText(denseOf(process.kernel, process.states.size())),
                  kernelMatrixText(ConversionContext(model).computeSmsMatrix(0, 0, false)))
            << name;
        for (std::size_t row = 0; row < process.states.size(); ++row) {
            if (model.outgoingOf(process.states[row]).empty()) continue;
            for (const Rational& time : {Rational(1, 3), Rational(7), Rational(26), Rational(1000)})
                EXPECT_NEAR(rowTotal(process, row, time), 1, 1e-13) << name << " row " << row;
        }
    }
    // Redundant units, having just entered RepairA: the process waits in DownRepairA once the
    // other unit has failed (1 - e^(-t/1000) by t), until the repair ends at t = 24.
    const Gsms redundant = konvModel("examples/redundant.gsms");
    const RenewalProcess process = ConversionContext(redundant).computeRenewalProcess(false);
    EXPECT_NEAR(valueOf(entryOf(process.sojourn, 1, 3), 10), 1 - std::exp(-0.01), 1e-15);
    EXPECT_NEAR(valueOf(entryOf(process.sojourn, 1, 3), 30), 0, 1e-15);
}

TEST(RenewalProcess, SojournsAgreeWithSimulation) {
    random_gsms::Generator generator(7310);
#ifdef __SANITIZE_ADDRESS__
    const int models = 30;
#else
    const int models = 150;
#endif
    const std::vector<Rational> times{Rational(3, 5), Rational(6, 5), Rational(23, 10), Rational(39, 10)};
    std::vector<double> observed;
    for (const Rational& time : times) observed.push_back(static_cast<double>(time));
    std::size_t compared = 0;
    for (int i = 0; i < models && !HasFailure(); ++i) {
        const random_gsms::Model drawn = generator.draw();
        const std::string file = random_gsms::gsmsText(drawn);
        std::istringstream in(file);
        const Gsms model = readGsms(in);
        RenewalProcess process;
        try {
            process = ConversionContext(model).computeRenewalProcess(false);
        } catch (const std::invalid_argument&) {
            continue;  // a tie that can happen: the kernel tests check those
        }
        random_gsms::MonteCarlo simulation(drawn, 500 + i);
        for (std::size_t row = 0; row < process.states.size(); ++row) {
            const random_gsms::RowEstimate estimate = simulation.row(process.states[row], 4000, 200, observed);
            for (std::size_t k = 0; k < observed.size(); ++k)
                for (std::uint64_t s = 0; s < model.stateCount(); ++s) {
                    const double exact = valueOf(entryOf(process.sojourn, row, s), times[k]);
                    const double simulated = estimate.occupancy(k, s);
                    EXPECT_NEAR(exact, simulated, 5 * estimate.standardError(simulated) + 1e-12)
                        << "sojourn " << process.states[row] << " in " << s << " at " << observed[k] << "\n"
                        << file;
                    ++compared;
                }
        }
    }
    EXPECT_GT(compared, static_cast<std::size_t>(models) * 20);
}

}  // namespace
