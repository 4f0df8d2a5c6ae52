// The result texts read by a symbolic engine (SymPy, standing in for MATLAB's): path
// expressions equal their closed forms, and kernel rows sum to 1 at a large t.

#include "ConvertTestSupport.hpp"

#include "convert/KernelMatrixText.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

using namespace drova;

namespace {

// Runs tests/convert/symbolic_check.py on the text; empty when python3 or SymPy is missing.
std::string symbolicCheck(const std::string& text, const std::string& mode, const std::string& argument) {
    char name[] = "/tmp/drova-symbolic-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    close(fd);
    std::ofstream(name) << text;
    const std::string command = "python3 " + shellQuote(DROVA_SYMBOLIC_CHECK) + " " + shellQuote(mode) + " " +
                                shellQuote(argument) + " <" + name + " 2>/dev/null";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
        if (pclose(pipe) != 0) output.clear();
    }
    std::remove(name);
    return output;
}

#define SKIP_WITHOUT_SYMPY(output) \
    if ((output).empty()) GTEST_SKIP() << "python3 with SymPy is not available"

TEST(SymbolicMeaning, PathTextsEqualTheirClosedForms) {
    const std::string half = symbolicCheck(text(pathOf(konvModel("one-step.gsms"), {{0, 0}})), "equals",
                                           "(1-exp(-2*t))/2");
    SKIP_WITHOUT_SYMPY(half);
    EXPECT_EQ(half, "equal\n");
    EXPECT_EQ(symbolicCheck(text(pathOf(konvModel("one-step.gsms"), {{1, 0}})), "equals", "heaviside(t-3)"),
              "equal\n");
}

TEST(SymbolicMeaning, KernelRowsSumToOne) {
    for (const char* name : {"examples/maintenance.gsms", "redundant3-uniform.gsms", "lone-heaviside.gsms"}) {
        const Gsms model = konvModel(name);
        const std::string matrix = kernelMatrixText(ConversionContext(model).computeSmsMatrix(0, 0, false));
        const std::string sums = symbolicCheck(matrix, "rows", "100000");
        SKIP_WITHOUT_SYMPY(sums);
        std::istringstream lines(sums);
        std::string line;
        for (std::uint64_t state = 0; state < model.stateCount(); ++state) {
            if (!model.isSmsState(state)) continue;
            ASSERT_TRUE(std::getline(lines, line)) << name;
            const std::string expected = model.outgoingOf(state).empty() ? "0" : "1.00000000000000000000000000000";
            EXPECT_EQ(line, expected) << name << " state " << state;
        }
    }
}

}  // namespace
