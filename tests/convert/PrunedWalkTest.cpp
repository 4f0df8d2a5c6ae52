// The walk of the reliability measures drops the terms whose heaviside factors cannot all hold
// and the factors implied by the others; the kernel it builds must keep the values of the
// unpruned kernel that drova konv prints, at every time, switching points included.

#include "ConvertTestSupport.hpp"

#include "RandomGsms.hpp"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

using namespace drova;

namespace {

std::size_t termsOf(const KernelMatrix& kernel) {
    std::size_t terms = 0;
    for (const auto& row : kernel)
        for (const Expolynomial& entry : row) terms += entry.isZero() ? 0 : entry.terms.size();
    return terms;
}

// Times at which a kernel is compared: the switching points of delays in halves and thirds, and
// points between and beyond them.
std::vector<Rational> comparisonTimes() {
    std::vector<Rational> times{Rational(0)};
    for (int k = 1; k <= 24; ++k) times.push_back(Rational(k, 4));
    for (int k = 1; k <= 18; ++k) times.push_back(Rational(k, 3));
    for (int k : {7, 13, 26, 50, 101}) times.push_back(Rational(k) + Rational(1, 7));
    return times;
}

// Compares the renewal process of the measures (no absorption) with the SMS kernel, entry by
// entry; returns the terms of both (pruned, unpruned).
std::pair<std::size_t, std::size_t> compareWalks(const Gsms& model, const std::string& name,
                                                 std::size_t maxTerms = DefaultTermLimit) {
    const KernelMatrix unpruned =
        ConversionContext(model, ConversionContext::DefaultMaxPathLength, maxTerms).computeSmsMatrix(0, 0, false);
    const RenewalProcess process = ConversionContext(model).computeRenewalProcess(false);
    std::size_t prunedTerms = 0;
    KernelMatrix pruned(unpruned.size(), std::vector<Expolynomial>(unpruned.size()));
    for (std::size_t row = 0; row < process.kernel.size(); ++row)
        for (const auto& [column, entry] : process.kernel[row]) {
            pruned.at(row).at(column) = entry;
            prunedTerms += entry.terms.size();
        }
    const std::vector<Rational> times = comparisonTimes();
    for (std::size_t row = 0; row < unpruned.size(); ++row)
        for (std::size_t column = 0; column < unpruned.size(); ++column)
            for (const Rational& time : times)
                EXPECT_NEAR(valueOf(pruned[row][column], time), valueOf(unpruned[row][column], time), 1e-12)
                    << name << " (" << row << ", " << column << ") at t = " << toText(time);
    return {prunedTerms, termsOf(unpruned)};
}

TEST(PrunedWalk, KernelValuesOfTheExamplesAreUnchanged) {
    for (const char* name : {"examples/machine.gsms", "examples/redundant.gsms", "examples/maintenance.gsms",
                             "examples/assembly.gsms", "redundant3-uniform.gsms", "redundant3-deterministic.gsms",
                             "joined-deterministic.gsms", "joined-outruns-uniform.gsms", "race.gsms",
                             "lone-heaviside.gsms", "bounded-cycle.gsms"}) {
        const auto [pruned, unpruned] = compareWalks(konvModel(name), name);
        EXPECT_LE(pruned, unpruned) << name;
    }
}

TEST(PrunedWalk, DeepWalkKeepsItsValuesWithFewerTerms) {
    // A generated model of uniform, deterministic and exponential timers whose paths run deep;
    // the unpruned kernel needs more than the default term budget.
    const auto [pruned, unpruned] = compareWalks(konvModel("deep-walk.gsms"), "deep-walk.gsms", 100000000);
    std::cout << "terms " << unpruned << " unpruned, " << pruned << " pruned\n";
    EXPECT_LT(pruned, unpruned);
}

TEST(PrunedWalk, RandomModelsKeepTheirKernelValues) {
    random_gsms::Extras extras;
    extras.zeroDelays = true;
    extras.agesNearTheBound = true;
    random_gsms::Generator generator(4242, extras);
    int compared = 0;
#ifdef __SANITIZE_ADDRESS__
    const int models = 25;
#else
    const int models = 200;
#endif
    for (int i = 0; i < models; ++i) {
        std::istringstream in(random_gsms::gsmsText(generator.draw()));
        const Gsms model = readGsms(in);
        std::string refused, refusedPruned;
        ConversionContext full(model), pruned(model);
        try {
            full.computeSmsMatrix(0, 0, false);
        } catch (const std::invalid_argument& e) {
            refused = e.what();
        }
        try {
            pruned.computeRenewalProcess(false);
        } catch (const std::invalid_argument& e) {
            refusedPruned = e.what();
        }
        // Pruning stops only paths that are zero everywhere, which the unpruned walk extends.
        if (refused.empty()) EXPECT_LE(pruned.pathsWalked(), full.pathsWalked()) << "model " << i;
        // A tie is refused by both walks alike: its firings are possible in both or in neither.
        ASSERT_EQ(refusedPruned, refused) << "model " << i;
        if (!refused.empty()) continue;
        compareWalks(model, "model " + std::to_string(i));
        ++compared;
        if (HasFailure()) break;
    }
    EXPECT_GT(compared, models / 2);
}

}  // namespace
