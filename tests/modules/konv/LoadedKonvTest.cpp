// The built module build/lib/Drovakonv.so, loaded as the host loads it and called only through
// its three exported entries.

#include "ModuleExports.hpp"
#include "RunDrova.hpp"
#include "host/LoadedModule.hpp"
#include "host/Sym.hpp"

#include <gtest/gtest.h>

using namespace drova;

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
    EXPECT_EQ(konv.call(1, {factory.createScalar(machine), row({1}), row({1})}).size(), 1u);
}

TEST(LoadedKonv, ExportsOnlyTheThreeEntries) {
    const auto names = exportedNames(modulePath);
    if (!names) GTEST_SKIP() << "nm is not available";
    EXPECT_EQ(*names, ObjectInterfaceEntries);
}

}  // namespace
