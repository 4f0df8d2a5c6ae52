// The Drovaint module as the host loads it: its exports, the checks of its inputs through
// MATLAB's isa and error, and its one output.

#include "ModuleExports.hpp"
#include "IntegralObjects.hpp"

#include <gtest/gtest.h>

#include <set>

using namespace drova;

using namespace integral_objects;

namespace {

const std::string ModulePath = DROVA_LIB_DIR "/Drovaint.so";

// The message of the call's error, or "no error".
std::string callFailure(LoadedModule& module, std::size_t nargout, std::vector<Array> inputs) {
    return failure([&] { module.call(nargout, std::move(inputs)); });
}

ObjectArray integrals(std::vector<Object> objects) { return makeExpolyIntegralArray(std::move(objects)); }

ObjectArray emptyIntegrals(ArrayDimensions dims) { return factory.createObjectArray(dims, ExpolyIntegralClass, {}); }

const std::string FirstClass = "First input must be an array of ExpolyIntegral objects";
const std::string SecondClass = "Second input must be an array of ExpolyIntegral objects";
const std::string FirstShape = "First input must be 1-by-n dimension";
const std::string SecondShape = "Second input must be 1-by-n dimension";

}  // namespace

TEST(DrovaintEntry, EmptyInputsGiveTheStringOne) {
    LoadedModule drovaint(ModulePath);
    for (const ArrayDimensions& dims : {ArrayDimensions{1, 0}, ArrayDimensions{0, 0}, ArrayDimensions{0, 3}}) {
        std::vector<Array> out = drovaint.call(1, {emptyIntegrals(dims), emptyIntegrals({1, 0})});
        ASSERT_EQ(out.size(), 1u);
        ASSERT_EQ(out[0].getType(), ArrayType::MATLAB_STRING);
        EXPECT_EQ(out[0].getDimensions(), (ArrayDimensions{1, 1}));
        EXPECT_EQ(std::string(StringArray(out[0])[0]), "1");
    }
}

TEST(DrovaintEntry, InputCountIsCheckedBeforeAnyClass) {
    LoadedModule drovaint(ModulePath);
    const Array number = factory.createScalar(1.0);
    EXPECT_EQ(callFailure(drovaint, 1, {}), "Two inputs required");
    EXPECT_EQ(callFailure(drovaint, 1, {number}), "Two inputs required");
    EXPECT_EQ(callFailure(drovaint, 1, {number, number, number}), "Two inputs required");
    EXPECT_EQ(callFailure(drovaint, 1, {integrals({}), integrals({}), integrals({})}), "Two inputs required");
}

TEST(DrovaintEntry, FirstInputIsCheckedCompletelyBeforeTheSecond) {
    LoadedModule drovaint(ModulePath);
    const Array number = factory.createScalar(1.0);
    const ObjectArray tall = emptyIntegrals({2, 0});
    EXPECT_EQ(callFailure(drovaint, 1, {number, number}), FirstClass);
    EXPECT_EQ(callFailure(drovaint, 1, {tall, number}), FirstShape);
    EXPECT_EQ(callFailure(drovaint, 1, {integrals({}), number}), SecondClass);
    EXPECT_EQ(callFailure(drovaint, 1, {integrals({}), tall}), SecondShape);
    // Objects of another class, and the character array of the class name, are not accepted.
    EXPECT_EQ(callFailure(drovaint, 1, {rational(u"1"), integrals({})}), FirstClass);
    EXPECT_EQ(callFailure(drovaint, 1, {integrals({}), factory.createCharArray("ExpolyIntegral")}), SecondClass);
}

TEST(DrovaintEntry, OnlyRowsPassTheShapeCheck) {
    LoadedModule drovaint(ModulePath);
    const Object inner = workedImproper();
    const ObjectArray column = factory.createObjectArray({2, 1}, ExpolyIntegralClass, {inner, inner});
    const ObjectArray block = factory.createObjectArray({1, 2, 2}, ExpolyIntegralClass, {inner, inner, inner, inner});
    EXPECT_EQ(callFailure(drovaint, 1, {column, integrals({})}), FirstShape);
    EXPECT_EQ(callFailure(drovaint, 1, {integrals({}), block}), SecondShape);
    EXPECT_EQ(callFailure(drovaint, 1, {integrals({}), emptyIntegrals({1, 0, 2})}), SecondShape);
}

TEST(DrovaintEntry, ChecksEndTheCallThroughMatlabsError) {
    // An engine that records the messages given to error; should its error return, the call
    // still ends with the message.
    auto engine = std::make_shared<matlab::engine::MATLABEngine>();
    std::vector<std::string> raised;
    engine->define("error", [&](std::size_t, const std::vector<Array>& args) {
        raised.push_back(std::string(StringArray(args.at(0))[0]));
        return std::vector<Array>{};
    });
    LoadedModule drovaint(ModulePath, engine);
    EXPECT_EQ(callFailure(drovaint, 1, {integrals({}), factory.createScalar(1.0)}), SecondClass);
    EXPECT_EQ(raised, (std::vector<std::string>{SecondClass}));
}

TEST(DrovaintEntry, OutputPlaceIsTakenOnlyAfterTheIntegrals) {
    LoadedModule drovaint(ModulePath);
    // A call without requested outputs has the place of ans.
    const std::vector<Array> ans = drovaint.call(0, {integrals({}), integrals({})});
    ASSERT_EQ(ans.size(), 1u);
    EXPECT_EQ(std::string(StringArray(ans[0])[0]), "1");
    const Object bad = withProperty(workedProper(), "Distribution", exponential(u"0"));
    EXPECT_EQ(callFailure(drovaint, 0, {integrals({bad}), integrals({})}), "The rate must be positive");
    EXPECT_EQ(callFailure(drovaint, 2, {integrals({}), integrals({})}),
              "One or more output arguments not assigned during call to \"Drovaint\".");
}

TEST(DrovaintEntry, ExportsTheThreeEntriesAndAClassicOneThatDoesNothing) {
    const auto names = exportedNames(ModulePath);
    if (!names) GTEST_SKIP() << "nm is not available";
    EXPECT_EQ(*names, (std::set<std::string>{"mexCreateMexFunction", "mexDestroyMexFunction", "mexFunctionAdapter",
                                            "mexFunction"}));

    SharedLibrary library(ModulePath);
    using Classic = void (*)(int, void**, int, const void**);
    auto classic = reinterpret_cast<Classic>(library.symbol("mexFunction"));
    ASSERT_NE(classic, nullptr);
    classic(0, nullptr, 0, nullptr);
    classic(1, nullptr, 2, nullptr);  // it must not look at the lists
}

TEST(DrovaintEntry, TheTermLimitIsALastPairOfInputs) {
    LoadedModule drovaint(ModulePath);
    const ObjectArray none = emptyIntegrals({1, 0});
    const auto call = [&](const Array& name, const Array& value) {
        return callFailure(drovaint, 1, {none, none, name, value});
    };
    EXPECT_EQ(callFailure(drovaint, 1, {none, none, factory.createScalar("MaxTerms")}), "Two inputs required");
    EXPECT_EQ(call(factory.createScalar("MaxTerm"), factory.createScalar(10.0)),
              "Third input must be the option name \"MaxTerms\"");
    EXPECT_EQ(call(factory.createScalar(1.0), factory.createScalar(10.0)),
              "Third input must be the option name \"MaxTerms\"");
    for (const Array& value : {Array(factory.createScalar(0.5)), Array(factory.createScalar(0.0)),
                               Array(factory.createScalar(std::int64_t{-3})), Array(factory.createScalar(true))})
        EXPECT_EQ(call(factory.createCharArray("MaxTerms"), value),
                  "Fourth input must be a positive whole number of terms");
    for (const Array& value : {Array(factory.createScalar(5.0)), Array(factory.createScalar(std::int64_t{5}))}) {
        EXPECT_EQ(call(factory.createCharArray("MaxTerms"), value), "no error");
        EXPECT_EQ(call(factory.createScalar("MaxTerms"), value), "no error");
    }
}
