// The kernel means what it says: its rows are distribution functions of where the process goes
// next (never above 1), its entries agree with an independent Monte Carlo run of the same model,
// transitions with several timers compete with the steps that leave their state, and a tie of
// firing instants is refused only when it can happen.

#include "ConvertTestSupport.hpp"

#include "convert/KernelMatrixText.hpp"
#include "GsmsMonteCarlo.hpp"
#include "RandomGsms.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace drova;

namespace {

using random_gsms::Model;
using random_gsms::MonteCarlo;
using random_gsms::RowEstimate;

const std::string TieMessage = "fire at the same instant";

KernelMatrix kernelOf(const Gsms& model) { return ConversionContext(model).computeSmsMatrix(0, 0, false); }

double rowSum(const KernelMatrix& kernel, std::uint64_t row, const Rational& time) {
    double sum = 0;
    for (const Expolynomial& entry : kernel[row]) sum += valueOf(entry, time);
    return sum;
}

TEST(KernelTruth, SeveralTimerTransitionCapsTheRaceItWins) {
    // Running: Deg(5) timers 0 and 1 fire together (the cycle back to Running), Exp(1/50) jams.
    // The jam can only happen before t = 5.
    const Gsms assembly = konvModel("examples/assembly.gsms");
    const KernelMatrix kernel = kernelOf(assembly);
    EXPECT_EQ(text(kernel[0][0]), "1*exp(-1/sym(10))*heaviside(t-5)");
    EXPECT_EQ(text(kernel[0][1]),
              "1-1*exp(-1/sym(10))*heaviside(t-5)-1*exp(-1/sym(50)*t)+1*exp(-1/sym(50)*t)*heaviside(t-5)");
    EXPECT_NEAR(valueOf(kernel[0][1], 1000), 1 - std::exp(-0.1), 1e-15);
    EXPECT_NEAR(rowSum(kernel, 0, 1000), 1, 1e-15);

    // S0: the two Deg(3/2) timers fire together before the Uni(2, 3) timer can.
    const KernelMatrix outrun = kernelOf(konvModel("joined-outruns-uniform.gsms"));
    EXPECT_EQ(text(outrun[0][1]), "3/sym(5)*heaviside(t-3/sym(2))");
    EXPECT_EQ(text(outrun[0][2]), "2/sym(5)*heaviside(t-3/sym(2))");
    EXPECT_NEAR(rowSum(outrun, 0, 1000), 1, 1e-15);
}

TEST(KernelTruth, TieIsRefusedOnlyWhenItCanHappen) {
    // Timer 0 (Deg 1) always fires first: the tie of Deg(2) timers 1 and 2 never happens.
    EXPECT_EQ(kernelMatrixText(kernelOf(konvModel("tie-unreachable.gsms"))), "[0 1*heaviside(t-1) \n0 0 \n]");
    // Nothing fires before them: the same tie is refused.
    EXPECT_NE(failure<std::invalid_argument>([] { kernelOf(konvModel("equal-deterministic.gsms")); }).find(TieMessage),
              std::string::npos);
}

// The invariants and the simulation check of one model; returns what was checked, for the summary.
struct Checked {
    std::size_t models = 0, rows = 0, ties = 0, severalTimers = 0;
};

void checkAgainstSimulation(const Model& drawn, std::uint64_t seed, double sigmas, Checked& checked) {
    const std::string file = random_gsms::gsmsText(drawn);
    std::istringstream in(file);
    const Gsms model = readGsms(in);
    ConversionContext context(model);
    KernelMatrix kernel;
    std::string refused;
    try {
        kernel = context.computeSmsMatrix(0, 0, false);
    } catch (const std::invalid_argument& e) {
        refused = e.what();
    }
    ++checked.models;
    checked.severalTimers += drawn.hasSeveralTimerTransition();
    MonteCarlo simulation(drawn, seed);
    const double large = 200;
    const std::size_t runs = 4000;
    if (!refused.empty()) {
        // A refused tie must be one that the simulation meets, from some row.
        ASSERT_NE(refused.find(TieMessage), std::string::npos) << refused << "\n" << file;
        std::size_t ties = 0;
        for (std::uint64_t s = 0; s < drawn.states.size(); ++s)
            if (drawn.isSmsState(s)) ties += simulation.row(s, runs, large).ties;
        EXPECT_GT(ties, 0u) << "refused a tie that never happens: " << refused << "\n" << file;
        ++checked.ties;
        return;
    }
    for (std::uint64_t s = 0; s < drawn.states.size(); ++s) {
        if (!drawn.isSmsState(s)) continue;
        ++checked.rows;
        const std::uint64_t row = context.smsIndex()[s];
        const RowEstimate estimate = simulation.row(s, runs, large);
        EXPECT_EQ(estimate.ties, 0u) << "a tie the walk did not refuse, from state " << s << "\n" << file;
        // A row is a sub-distribution: at most 1, and exactly what the runs did not lose.
        const double sum = rowSum(kernel, row, static_cast<int>(large));
        EXPECT_LE(sum, 1 + 1e-12) << "row " << s << "\n" << file;
        double reached = 0;
        for (std::uint64_t target = 0; target < drawn.states.size(); ++target)
            if (drawn.isSmsState(target)) reached += estimate.probability(target, large);
        EXPECT_NEAR(sum, reached, sigmas * estimate.standardError(reached) + 1e-12) << "row " << s << "\n" << file;
        // Each entry, at times between the breakpoints of the drawn delays.
        for (std::uint64_t target = 0; target < drawn.states.size(); ++target) {
            if (!drawn.isSmsState(target)) continue;
            const Expolynomial& entry = kernel[row][context.smsIndex()[target]];
            for (const Rational& time : {Rational(7, 10), Rational(13, 10), Rational(11, 5), Rational(37, 10)}) {
                const double exact = valueOf(entry, time);
                EXPECT_GE(exact, -1e-12);
                const double simulated = estimate.probability(target, static_cast<double>(time));
                EXPECT_NEAR(exact, simulated, sigmas * estimate.standardError(simulated) + 1e-12)
                    << "entry " << s << " -> " << target << " at t = " << toText(time) << "\n"
                    << file;
            }
        }
    }
}

TEST(KernelTruth, ModelsWithSeveralTimersAgreeWithSimulation) {
    // Hand-written cases, checked at four standard errors.
    Checked checked;
    const Model assembly{
        {{random_gsms::Kind::Deg, {5, 1}, {}}, {random_gsms::Kind::Deg, {5, 1}, {}}, {random_gsms::Kind::Exp, {1, 50}, {}},
         {random_gsms::Kind::Uni, {1, 1}, {2, 1}}},
        {{{0, 1, 2}, {{0, 1}, {0, 1}, {0, 1}}}, {{3}, {{0, 1}}}},
        {{0, {0, 1}, {{0, {1, 1}, {0, 1, 2}}}}, {0, {2}, {{1, {1, 1}, {3}}}}, {1, {3}, {{0, {1, 1}, {0, 1, 2}}}}}};
    checkAgainstSimulation(assembly, 11, 4, checked);
    EXPECT_EQ(checked.rows, 2u);
}

TEST(KernelTruth, RandomModelsAgreeWithSimulation) {
    // Seeded: the same few hundred models every time. Five standard errors per comparison keep
    // the thousands of comparisons free of chance failures; a wrong kernel is off by far more.
    random_gsms::Generator generator(20261209);
    Checked checked;
#ifdef __SANITIZE_ADDRESS__
    const int models = 60;  // instrumented exact arithmetic is many times slower
#else
    const int models = 300;
#endif
    for (int i = 0; i < models; ++i) {
        const Model drawn = generator.draw();
        checkAgainstSimulation(drawn, 1000 + i, 5, checked);
        if (HasFailure()) break;
    }
    // The draw covers what it is meant to cover.
    EXPECT_GT(checked.severalTimers, models / 10u);
    EXPECT_GT(checked.ties, models / 50u);
    EXPECT_GT(checked.rows, static_cast<std::size_t>(models));
    std::cout << "checked " << checked.models << " models, " << checked.rows << " rows, " << checked.severalTimers
              << " with several-timer transitions, " << checked.ties << " refused ties\n";
}

TEST(KernelTruth, ZeroDelaysAndAgesNearTheBoundAgreeWithSimulation) {
    // Deg(0) timers fire at the instant they start, beside uniform timers that entered with an age
    // just below their upper bound: instants that coincide, and residuals that are short. The
    // walk must count each firing once, or refuse the tie the simulation meets.
    random_gsms::Extras extras;
    extras.zeroDelays = true;
    extras.agesNearTheBound = true;
    random_gsms::Generator generator(20261210, extras);
    Checked checked;
#ifdef __SANITIZE_ADDRESS__
    const int models = 30;
#else
    const int models = 150;
#endif
    for (int i = 0; i < models; ++i) {
        const Model drawn = generator.draw();
        checkAgainstSimulation(drawn, 5000 + i, 5, checked);
        if (HasFailure()) break;
    }
    EXPECT_GT(checked.ties, models / 50u);
    EXPECT_GT(checked.rows, static_cast<std::size_t>(models));
    std::cout << "checked " << checked.models << " models, " << checked.rows << " rows, " << checked.ties
              << " refused ties\n";
}

}  // namespace
