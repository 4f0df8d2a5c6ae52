// Loads the test modules as the host does and calls them only through their exports.

#include "ModuleExports.hpp"
#include "host/LoadedModule.hpp"
#include "host/Sym.hpp"


#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>

using namespace drova;

using namespace matlab::data;

namespace {

const ArrayFactory factory;
const std::string probePath = DROVA_TEST_MODULE_DIR "/DrovaHostProbe.so";

std::vector<Array> command(const char* name, std::vector<Array> arguments = {}) {
    arguments.insert(arguments.begin(), factory.createScalar(name));
    return arguments;
}

HostError hostError(LoadedModule& module, std::size_t nargout, std::vector<Array> inputs) {
    try {
        module.call(nargout, std::move(inputs));
    } catch (const HostError& e) {
        return e;
    }
    return HostError("", "no error");
}

}  // namespace

TEST(HostModule, OneObjectServesEveryCall) {
    LoadedModule probe(probePath);
    EXPECT_EQ(probe.name(), "DrovaHostProbe");
    probe.call(0, command("outputs", {factory.createScalar(0.0)}));
    std::vector<Array> out = probe.call(1, command("count"));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(TypedArray<double>(out[0])[0], 2.0);
}

TEST(HostModule, ExceptionsBecomeTheCallsErrorWithTheirExactMessage) {
    LoadedModule probe(probePath);
    HostError thrown = hostError(probe, 1, command("throw", {factory.createScalar("State 4 does not exist")}));
    EXPECT_STREQ(thrown.what(), "State 4 does not exist");
    EXPECT_EQ(thrown.identifier(), "");

    HostError raised = hostError(probe, 0, command("feval", {factory.createScalar("error"),
                                                             factory.createScalar("Drova:test:id"),
                                                             factory.createScalar("First input must be a string")}));
    EXPECT_STREQ(raised.what(), "First input must be a string");
    EXPECT_EQ(raised.identifier(), "Drova:test:id");

    EXPECT_STREQ(hostError(probe, 0, {factory.createScalar(1.0)}).what(),
                 "Can't convert the Array to this TypedArray");
    EXPECT_STREQ(hostError(probe, 0, {}).what(), "ArgumentList index out of range.");
    EXPECT_STREQ(hostError(probe, 0, command("throw-int")).what(),
                 "The extension module raised an exception of an unknown type.");
    // The module is still usable after its failures.
    EXPECT_EQ(TypedArray<double>(probe.call(1, command("count"))[0])[0], 6.0);
}

TEST(HostModule, OutputListHasExactlyTheRequestedPlaces) {
    LoadedModule probe(probePath);
    EXPECT_EQ(probe.call(2, command("outputs", {factory.createScalar(2.0)})).size(), 2u);
    EXPECT_STREQ(hostError(probe, 1, command("outputs", {factory.createScalar(2.0)})).what(),
                 "ArgumentList index out of range.");
    HostError unassigned = hostError(probe, 2, command("outputs", {factory.createScalar(1.0)}));
    EXPECT_STREQ(unassigned.what(), "One or more output arguments not assigned during call to \"DrovaHostProbe\".");
}

TEST(HostModule, ACallWithoutOutputsOffersThePlaceOfAns) {
    LoadedModule probe(probePath);
    // The module may fill the one place, which comes back as ans; two do not fit.
    std::vector<Array> ans = probe.call(0, command("outputs", {factory.createScalar(1.0)}));
    ASSERT_EQ(ans.size(), 1u);
    EXPECT_STREQ(hostError(probe, 0, command("outputs", {factory.createScalar(2.0)})).what(),
                 "ArgumentList index out of range.");
    // Leaving it empty is no error, and nothing comes back.
    EXPECT_TRUE(probe.call(0, command("outputs", {factory.createScalar(0.0)})).empty());
}

TEST(HostModule, EngineAndPropertiesReachTheModule) {
    LoadedModule probe(probePath);
    std::vector<Array> parts =
        probe.call(2, command("feval", {factory.createScalar("numden"), createSymScalar(Rational(1) / 3)}));
    EXPECT_EQ(symElement(parts[0], 0), 1);
    EXPECT_EQ(symElement(parts[1], 0), 3);

    Array integral = factory.createScalar(Object("ExpolyIntegral", {{"Var", factory.createScalar("t")}}));
    Array var = probe.call(1, command("property", {integral, factory.createScalar("Var")}))[0];
    EXPECT_EQ(std::string(StringArray(var)[0]), "t");
    EXPECT_STREQ(hostError(probe, 1, command("property", {integral, factory.createScalar("B")})).what(),
                 "Unrecognized property 'B' for class 'ExpolyIntegral'.");
}

TEST(HostModule, ModuleGetsTheEngineItWasLoadedWith) {
    auto engine = std::make_shared<matlab::engine::MATLABEngine>();
    engine->define("answer", [](std::size_t, const std::vector<Array>&) -> std::vector<Array> {
        return {factory.createScalar(42.0)};
    });
    LoadedModule probe(probePath, engine);
    std::vector<Array> out = probe.call(1, command("feval", {factory.createScalar("answer")}));
    EXPECT_EQ(TypedArray<double>(out[0])[0], 42.0);
}

TEST(HostModule, LoadingFailuresAreHostErrors) {
    try {
        LoadedModule broken(DROVA_TEST_MODULE_DIR "/DrovaHostBroken.so");
        FAIL() << "the broken module loaded";
    } catch (const HostError& e) {
        EXPECT_STREQ(e.what(), "This module cannot start");
        EXPECT_EQ(e.identifier(), "Drova:test:broken");
    }
    // A library that is no module: it lacks the entries (its dependencies' symbols do not count).
    EXPECT_THROW(LoadedModule(DROVA_HOST_LIBRARY), HostError);
    try {
        LoadedModule missing("/nonexistent/Drovakonv.so");
        FAIL() << "a missing file loaded";
    } catch (const HostError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Invalid MEX-file '/nonexistent/Drovakonv.so': ", 0), 0u) << e.what();
    }
}

TEST(HostModule, ExportsOnlyTheThreeEntries) {
    const auto names = exportedNames(probePath);
    if (!names) GTEST_SKIP() << "nm is not available";
    EXPECT_EQ(*names, ObjectInterfaceEntries);
}

namespace {
struct Echo : matlab::mex::Function {
    void operator()(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) override {
        getEngine()->feval(u"error", 0, {inputs[0]});
        outputs[0] = inputs[0];
    }
};
}  // namespace

TEST(HostModule, InProcessCallsBehaveLikeLoadedOnes) {
    Echo echo;
    EXPECT_EQ(callMexFunction(echo, 1, {factory.createScalar("")}).size(), 1u);
    try {
        callMexFunction(echo, 1, {factory.createScalar("Fourth input must be a logical")});
        FAIL();
    } catch (const HostError& e) {
        EXPECT_STREQ(e.what(), "Fourth input must be a logical");
    }
}

TEST(HostModule, InProcessFunctionsTakeTheEngineTheyAreCreatedWith) {
    auto engine = std::make_shared<matlab::engine::MATLABEngine>();
    engine->define("error", [](std::size_t, const std::vector<Array>&) { return std::vector<Array>{}; });
    std::unique_ptr<Echo> echo = createMexFunction<Echo>(engine);
    EXPECT_EQ(echo->getEngine(), engine);
    EXPECT_EQ(callMexFunction(*echo, 1, {factory.createScalar("no longer an error")}).size(), 1u);
    EXPECT_NE(Echo().getEngine(), engine);
}
