// The built module build/lib/Drovakonv.so, loaded as the host loads it and called only through
// its three exported entries.

#include "RunDrova.hpp"

#include "host/LoadedModule.hpp"
#include "host/Sym.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>

using namespace matlab::data;

namespace {

const ArrayFactory factory;
const std::string modulePath = DROVA_LIB_DIR "/Drovakonv.so";
const std::string machine = std::string(DROVA_SOURCE_DIR) + "/examples/machine.gsms";

Array row(std::vector<std::int64_t> values) {
    const std::size_t count = values.size();
    return factory.createArray<std::int64_t>({1, count}, std::move(values));
}

TEST(LoadedKonv, BothVariantsThroughTheExports) {
    LoadedModule konv(modulePath);
    EXPECT_EQ(konv.name(), "Drovakonv");
    const std::vector<Array> path = konv.call(1, {factory.createScalar(machine), row({2}), row({1})});
    EXPECT_EQ(std::string(StringArray(path.at(0))[0]), "1*heaviside(t-5)");
    const std::vector<Array> matrix = konv.call(
        1, {factory.createScalar(machine), createSymScalar(0), factory.createScalar(0.0), factory.createScalar(true)});
    EXPECT_EQ(std::string(StringArray(matrix.at(0))[0]),
              "[0 1-1*exp(-1/sym(100)*t) 0 \n1*heaviside(t-5) 0 0 \n0 0 0 \n]");
}

TEST(LoadedKonv, FailuresBecomeTheCallsErrorAndTheModuleStaysUsable) {
    LoadedModule konv(modulePath);
    try {
        konv.call(1, {factory.createScalar(machine), row({3}), row({1})});
        FAIL() << "no error";
    } catch (const HostError& e) {
        EXPECT_STREQ(e.what(), "Transition 2 does not exist");
    }
    try {
        konv.call(1, {factory.createScalar(machine), factory.createScalar(1.0), row({1})});
        FAIL() << "no error";
    } catch (const HostError& e) {
        EXPECT_STREQ(e.what(), "Second input must be a int64 array");
    }
    EXPECT_EQ(konv.call(1, {factory.createScalar(machine), row({1}), row({1})}).size(), 1u);
}

TEST(LoadedKonv, ExportsOnlyTheThreeEntries) {
    FILE* pipe = popen(("nm -D --defined-only " + modulePath + " 2>/dev/null").c_str(), "r");
    if (!pipe) GTEST_SKIP() << "nm is not available";
    std::set<std::string> names;
    char line[4096];
    while (fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        std::string address, kind, name;
        if (fields >> address >> kind >> name) names.insert(name);
    }
    if (pclose(pipe) != 0) GTEST_SKIP() << "nm failed";
    EXPECT_EQ(names, (std::set<std::string>{"mexCreateMexFunction", "mexDestroyMexFunction", "mexFunctionAdapter"}));
}

}  // namespace
