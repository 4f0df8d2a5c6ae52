// The module Drovasim, loaded from build/lib and called only through its
// exports: the entry's argument counts, the decoding of its inputs with every
// check naming its path, the result, and the exported list utilities.

#include "ClassicTestSupport.hpp"

#include "host/classic/ClassicModule.hpp"
#include "host/classic/ClassicRuntime.hpp"
#include "modules/sim/Drovasim.hpp"

#include <cmath>
#include <functional>
#include <limits>

using namespace drova;
using namespace drova::sim;

namespace md = matlab::data;

namespace {

const md::EnumerationClass DistTypeClass{"DistType", {{"Deg", 1}, {"Exp", 2}, {"Uni", 3}, {"Lognormal", 4}}};

md::Array int64Row(const std::vector<std::int64_t>& values) {
    return md::ArrayFactory().createArray<std::int64_t>({1, values.size()}, values);
}

md::Array distTypeMember(const std::string& name) {
    return md::ArrayFactory().createEnumArray({1, 1}, DistTypeClass, {name});
}

// Up --Exp(rate)--> Down, with probability 1: each run draws the timer, then
// the destination.
md::StructArray machineModel(double rate = 0.5) {
    md::ArrayFactory f;
    md::StructArray states = f.createStructArray({1, 2}, {"Name", "DownState", "Transitions"});
    states[0]["Name"] = f.createScalar("Up");
    states[0]["DownState"] = f.createScalar(false);
    states[0]["Transitions"] = int64Row({1});
    states[1]["Name"] = f.createScalar("Down");
    states[1]["DownState"] = f.createScalar(true);
    states[1]["Transitions"] = int64Row({});
    md::StructArray initial = f.createStructArray({1, 1}, {"InitialState", "InitialTimers"});
    initial[0]["InitialState"] = f.createScalar<std::int64_t>(1);
    initial[0]["InitialTimers"] = int64Row({1});
    md::StructArray distributions = f.createStructArray({1, 1}, {"type", "parameters"});
    distributions[0]["type"] = distTypeMember("Exp");
    distributions[0]["parameters"] = f.createArray<double>({1, 1}, {rate});
    md::StructArray destinations = f.createStructArray({1, 1}, {"Target", "Probability", "New"});
    destinations[0]["Target"] = f.createScalar<std::int64_t>(2);
    destinations[0]["Probability"] = f.createScalar(1.0);
    destinations[0]["New"] = int64Row({});
    md::StructArray transitions = f.createStructArray({1, 1}, {"Source", "Distributions", "Destinations"});
    transitions[0]["Source"] = f.createScalar<std::int64_t>(1);
    transitions[0]["Distributions"] = int64Row({1});
    transitions[0]["Destinations"] = destinations;
    md::StructArray gsms =
        f.createStructArray({1, 1}, {"Name", "States", "Initial", "Distributions", "Transitions"});
    gsms[0]["Name"] = f.createScalar("machine");
    gsms[0]["States"] = states;
    gsms[0]["Initial"] = initial;
    gsms[0]["Distributions"] = distributions;
    gsms[0]["Transitions"] = transitions;
    return gsms;
}

// Replaces the value at a path of field names (element 1 of each structure).
md::StructArray withValue(md::StructArray structs, std::vector<std::string> path, md::Array value) {
    const std::string name = path.front();
    path.erase(path.begin());
    structs[0][name] = path.empty() ? value : withValue(md::StructArray(structs[0][name]), path, value);
    return structs;
}

md::StructArray withoutField(const md::StructArray& structs, const std::string& field) {
    std::vector<std::string> kept;
    for (const std::string& name : structs.getFieldNames())
        if (name != field) kept.push_back(name);
    md::StructArray copy = md::ArrayFactory().createStructArray(structs.getDimensions(), kept);
    for (std::size_t i = 0; i < structs.getNumberOfElements(); ++i)
        for (const std::string& name : kept) copy[i][name] = structs[i][name];
    return copy;
}

double expTime(double rate, double u) { return -(1.0 / rate) * std::log(u); }

constexpr double SeedZero[] = {0.8147236863931789, 0.9057919370756192, 0.12698681629350606};

class DrovasimModule : public testing::Test {
protected:
    void SetUp() override { classicSeedGenerator(0); }

    std::vector<md::Array> call(std::size_t nargout, std::vector<md::Array> inputs) {
        return module.call(nargout, inputs);
    }
    std::vector<md::Array> simulate(md::Array gsms, std::int64_t runs = 2, double horizon = 10.0) {
        md::ArrayFactory f;
        return call(1, {f.createScalar(runs), f.createScalar(horizon), std::move(gsms)});
    }
    ClassicError failure(md::Array gsms, std::int64_t runs = 2) {
        ClassicError error = expectClassicError([&] { simulate(std::move(gsms), runs); });
        // The host has released the call's context, its memory and arrays.
        EXPECT_EQ(classicLiveRootContexts(), 0u);
        EXPECT_EQ(classicLiveArrays(), 0u);
        return error;
    }

    LoadedClassicModule module{std::string(DROVA_LIB_DIR) + "/Drovasim.so"};
};

TEST_F(DrovasimModule, ReturnsTheTimesAsADoubleRow) {
    const md::TypedArray<double> times(simulate(machineModel()).at(0));
    EXPECT_EQ(times.getDimensions(), (md::ArrayDimensions{1, 2}));
    // Run 1 draws u1 (timer) and u2 (destination); run 2 starts with u3.
    EXPECT_EQ(times[0], expTime(0.5, SeedZero[0]));
    EXPECT_EQ(times[1], expTime(0.5, SeedZero[2]));
    EXPECT_EQ(classicLiveRootContexts(), 0u);
    EXPECT_EQ(classicLiveArrays(), 0u);

    // Without a requested output the module still sets one (ans). A horizon
    // of 1 keeps only the first run's 0.41 of the fresh stream.
    classicSeedGenerator(0);
    md::ArrayFactory f;
    auto ans = call(0, {f.createScalar<std::int64_t>(2), f.createScalar(1.0), machineModel()});
    ASSERT_EQ(ans.size(), 1u);
    EXPECT_EQ(ans[0].getDimensions(), (md::ArrayDimensions{1, 1}));

    EXPECT_EQ(simulate(machineModel(), 0).at(0).getDimensions(), (md::ArrayDimensions{1, 0}));
}

TEST_F(DrovasimModule, ChecksTheArgumentCounts) {
    md::ArrayFactory f;
    ClassicError inputs = expectClassicError([&] { call(1, {f.createScalar<std::int64_t>(1), f.createScalar(1.0)}); });
    EXPECT_EQ(inputs.identifier(), "EMLRT:runTime:WrongNumberOfInputs");
    EXPECT_EQ(inputs.parameters(), (std::vector<std::string>{"3", "simulateGSMS"}));

    ClassicError outputs = expectClassicError(
        [&] { call(2, {f.createScalar<std::int64_t>(1), f.createScalar(1.0), machineModel()}); });
    EXPECT_EQ(outputs.identifier(), "EMLRT:runTime:TooManyOutputArguments");
    EXPECT_EQ(outputs.parameters(), (std::vector<std::string>{"simulateGSMS"}));
    EXPECT_EQ(classicLiveRootContexts(), 0u);
}

TEST_F(DrovasimModule, ChecksTheScalarsBeforeTheModel) {
    md::ArrayFactory f;
    md::Array brokenModel = withoutField(machineModel(), "Name");
    ClassicError runs = expectClassicError([&] { call(1, {f.createScalar(2.0), f.createScalar(1.0), brokenModel}); });
    EXPECT_EQ(runs.identifier(), ClassicClassErrorId);
    EXPECT_EQ(runs.parameters(), (std::vector<std::string>{"simulations", "int64", "double"}));

    ClassicError horizon = expectClassicError([&] {
        call(1, {f.createScalar<std::int64_t>(2), f.createArray<double>({1, 2}, {1.0, 2.0}), brokenModel});
    });
    EXPECT_EQ(horizon.identifier(), ClassicSizeErrorId);
    EXPECT_EQ(horizon.parameters(), (std::vector<std::string>{"analysisTime", "1x1", "1x2"}));
}

struct DecodingCase {
    const char* what;
    std::function<md::Array()> model;
    std::string_view identifier;
    std::vector<std::string> parameters;
};

TEST_F(DrovasimModule, NamesThePathOfEveryValueItRejects) {
    md::ArrayFactory f;
    const md::EnumerationClass threeMembers{"DistType", {{"Deg", 1}, {"Exp", 2}, {"Uni", 3}}};
    const md::EnumerationClass otherClass{"OtherType", {{"Exp", 2}}};
    const DecodingCase cases[] = {
        {"model not a structure", [&] { return f.createScalar(1.0); }, ClassicClassErrorId,
         {"gsms", "struct", "double"}},
        {"field missing", [&] { return withoutField(machineModel(), "Transitions"); }, ClassicFieldsErrorId,
         {"gsms", "Name, States, Initial, Distributions, Transitions", "Name, States, Initial, Distributions"}},
        {"name as characters", [&] { return withValue(machineModel(), {"Name"}, f.createCharArray("m")); },
         ClassicClassErrorId, {"gsms.Name", "string", "char"}},
        {"name missing", [&] { return withValue(machineModel(), {"Name"}, f.createScalar(md::MATLABString())); },
         ClassicMissingStringErrorId, {"gsms.Name"}},
        {"states as a column",
         [&] {
             md::StructArray states = f.createStructArray({2, 1}, {"Name", "DownState", "Transitions"});
             return withValue(machineModel(), {"States"}, states);
         },
         ClassicSizeErrorId, {"gsms.States", "1x:Inf", "2x1"}},
        {"state field missing",
         [&] {
             md::StructArray gsms = machineModel();
             return withValue(gsms, {"States"}, withoutField(md::StructArray(gsms[0]["States"]), "DownState"));
         },
         ClassicFieldsErrorId, {"gsms.States", "Name, DownState, Transitions", "Name, Transitions"}},
        {"down flag as a number", [&] { return withValue(machineModel(), {"States", "DownState"}, f.createScalar(1.0)); },
         ClassicClassErrorId, {"gsms.States.DownState", "logical", "double"}},
        {"transitions as a column",
         [&] {
             return withValue(machineModel(), {"States", "Transitions"},
                              f.createArray<std::int64_t>({2, 1}, {1, 1}));
         },
         ClassicSizeErrorId, {"gsms.States.Transitions", "1x:Inf", "2x1"}},
        {"initial state as int32",
         [&] { return withValue(machineModel(), {"Initial", "InitialState"}, f.createScalar<std::int32_t>(1)); },
         ClassicClassErrorId, {"gsms.Initial.InitialState", "int64", "int32"}},
        {"enumeration class with three members",
         [&] {
             return withValue(machineModel(), {"Distributions", "type"},
                              f.createEnumArray({1, 1}, threeMembers, {"Exp"}));
         },
         ClassicEnumerationErrorId,
         {"gsms.Distributions.type", "DistType", "Deg = 1, Exp = 2, Uni = 3, Lognormal = 4",
          "Deg = 1, Exp = 2, Uni = 3"}},
        {"type as its value", [&] { return withValue(machineModel(), {"Distributions", "type"}, f.createScalar(2.0)); },
         ClassicClassErrorId, {"gsms.Distributions.type", "DistType", "double"}},
        {"type of another enumeration",
         [&] {
             return withValue(machineModel(), {"Distributions", "type"},
                              f.createEnumArray({1, 1}, otherClass, {"Exp"}));
         },
         ClassicClassErrorId, {"gsms.Distributions.type", "DistType", "OtherType"}},
        {"three parameters",
         [&] {
             return withValue(machineModel(), {"Distributions", "parameters"},
                              f.createArray<double>({1, 3}, {1.0, 2.0, 3.0}));
         },
         ClassicSizeErrorId, {"gsms.Distributions.parameters", "1x:2", "1x3"}},
        {"probability as int64",
         [&] {
             return withValue(machineModel(), {"Transitions", "Destinations", "Probability"},
                              f.createScalar<std::int64_t>(1));
         },
         ClassicClassErrorId, {"gsms.Transitions.Destinations.Probability", "double", "int64"}},
        {"destination field missing",
         [&] {
             md::StructArray transitions(machineModel()[0]["Transitions"]);
             md::StructArray destinations(transitions[0]["Destinations"]);
             return withValue(machineModel(), {"Transitions", "Destinations"}, withoutField(destinations, "New"));
         },
         ClassicFieldsErrorId, {"gsms.Transitions.Destinations", "Target, Probability, New", "Target, Probability"}},
        {"fields checked in order: States before Initial",
         [&] {
             md::StructArray gsms = withValue(machineModel(), {"Initial", "InitialState"}, f.createScalar(1.0));
             return withValue(gsms, {"States", "DownState"}, f.createScalar(1.0));
         },
         ClassicClassErrorId, {"gsms.States.DownState", "logical", "double"}},
    };
    for (const DecodingCase& c : cases) {
        ClassicError error = failure(c.model());
        EXPECT_EQ(error.identifier(), c.identifier) << c.what;
        EXPECT_EQ(error.parameters(), c.parameters) << c.what;
    }
}

TEST_F(DrovasimModule, AcceptsNoParametersUntilTheyAreSampled) {
    md::ArrayFactory f;
    md::StructArray gsms = withValue(machineModel(), {"Distributions", "parameters"}, f.createArray<double>({1, 0}));
    EXPECT_EQ(simulate(gsms, 0).at(0).getNumberOfElements(), 0u);
    EXPECT_EQ(failure(gsms, 1).identifier(), "MATLAB:dimagree");
}

TEST_F(DrovasimModule, DescribesItsEntryPoint) {
    auto version = module.entry<decltype(&mexfilerequiredapiversion)>("mexfilerequiredapiversion");
    std::uint32_t release = 0;
    std::uint32_t api = 0;
    version(&release, &api);
    EXPECT_EQ(release, 0x2021Bu);
    EXPECT_EQ(api, 0x08000000u);

    ClassicArray* properties = module.entry<decltype(&emlrtMexFcnProperties)>("emlrtMexFcnProperties")();
    const md::StructArray value(properties->hostValue());
    EXPECT_EQ(std::string(md::CharArray(value[0]["Version"]).toAscii()), "9.11.0.1809720 (R2021b) Update 1");
    const md::StructArray entry(value[0]["EntryPoints"]);
    EXPECT_EQ(md::CharArray(entry[0]["Name"]).toAscii(), "simulateGSMS");
    EXPECT_EQ(double(entry[0]["NumberOfInputs"][0]), 3.0);
    EXPECT_EQ(double(entry[0]["NumberOfOutputs"][0]), 1.0);
    EXPECT_EQ(entry[0]["ConstantInputs"].getDimensions(), (md::ArrayDimensions{1, 3}));
    classicDestroyArray(properties);
    EXPECT_EQ(classicLiveArrays(), 0u);
}

// The list utilities and simulateGSMS, found by name in the loaded module.
class DrovasimExports : public DrovasimModule {
protected:
#define DROVA_EXPORT(name) decltype(&name) name##_ = module.entry<decltype(&name)>(#name)
    DROVA_EXPORT(emxInit_real_T);
    DROVA_EXPORT(emxFree_real_T);
    DROVA_EXPORT(emxEnsureCapacity_real_T);
    DROVA_EXPORT(emxCopy_real_T);
    DROVA_EXPORT(emxEnsureCapacity_int64_T);
    DROVA_EXPORT(emxEnsureCapacity_struct1_T);
    DROVA_EXPORT(emxEnsureCapacity_struct3_T);
    DROVA_EXPORT(emxEnsureCapacity_struct4_T);
    DROVA_EXPORT(emxEnsureCapacity_struct5_T);
    DROVA_EXPORT(emxEnsureCapacity_char_T);
    DROVA_EXPORT(emxExpand_struct1_T);
    DROVA_EXPORT(emxExpand_struct3_T);
    DROVA_EXPORT(emxExpand_struct4_T);
    DROVA_EXPORT(emxExpand_struct5_T);
    DROVA_EXPORT(emxInitStruct_struct0_T);
    DROVA_EXPORT(emxFreeStruct_struct0_T);
    DROVA_EXPORT(emxCopyStruct_struct0_T);
    DROVA_EXPORT(simulateGSMS);
#undef DROVA_EXPORT

    template <class List, class Element>
    void fill(void (*ensure)(List*, int32_T), List* list, std::vector<Element> values) {
        const int32_T old = list->size[0] * list->size[1];
        list->size[0] = 1;
        list->size[1] = static_cast<int32_T>(values.size());
        ensure(list, old);
        std::copy(values.begin(), values.end(), list->data);
    }
    template <class List>
    void resize(void (*ensure)(List*, int32_T), void (*expand)(List*, int32_T, int32_T), List* list, int32_T n) {
        list->size[0] = 1;
        list->size[1] = n;
        ensure(list, 0);
        expand(list, 0, n);
    }

    // The machine model of machineModel() as list records.
    void buildMachine(ClassicRootContext* context, struct0_T& gsms) {
        emxInitStruct_struct0_T_(context, &gsms);
        fill(emxEnsureCapacity_char_T_, gsms.Name.Value, std::vector<char>{'m'});
        resize(emxEnsureCapacity_struct1_T_, emxExpand_struct1_T_, gsms.States, 2);
        fill(emxEnsureCapacity_int64_T_, gsms.States->data[0].Transitions, std::vector<std::int64_t>{1});
        gsms.States->data[1].DownState = true;
        gsms.Initial.InitialState = 1;
        fill(emxEnsureCapacity_int64_T_, gsms.Initial.InitialTimers, std::vector<std::int64_t>{1});
        resize(emxEnsureCapacity_struct3_T_, emxExpand_struct3_T_, gsms.Distributions, 1);
        gsms.Distributions->data[0].type = DistType::Exp;
        fill(emxEnsureCapacity_real_T_, gsms.Distributions->data[0].parameters, std::vector<double>{0.5});
        resize(emxEnsureCapacity_struct4_T_, emxExpand_struct4_T_, gsms.Transitions, 1);
        struct4_T& transition = gsms.Transitions->data[0];
        transition.Source = 1;
        fill(emxEnsureCapacity_int64_T_, transition.Distributions, std::vector<std::int64_t>{1});
        resize(emxEnsureCapacity_struct5_T_, emxExpand_struct5_T_, transition.Destinations, 1);
        transition.Destinations->data[0].Target = 2;
        transition.Destinations->data[0].Probability = 1.0;
    }
};

TEST_F(DrovasimExports, GrowListsByTheRule) {
    emxArray_real_T* list = nullptr;
    emxInit_real_T_(nullptr, &list);
    EXPECT_EQ(list->allocatedSize, 0);
    EXPECT_EQ(list->numDimensions, 2);
    EXPECT_TRUE(list->canFreeData);
    fill(emxEnsureCapacity_real_T_, list, std::vector<double>{1, 2, 3, 4, 5});
    EXPECT_EQ(list->allocatedSize, 16);
    fill(emxEnsureCapacity_real_T_, list, std::vector<double>(16, 7.0));
    EXPECT_EQ(list->allocatedSize, 16);
    list->size[1] = 40;
    emxEnsureCapacity_real_T_(list, 16);
    EXPECT_EQ(list->allocatedSize, 64);
    EXPECT_EQ(list->data[15], 7.0);  // the old elements are kept
    EXPECT_EQ(list->data[16], 0.0);  // the new ones are zero

    emxArray_real_T* copy = nullptr;
    emxInit_real_T_(nullptr, &copy);
    emxCopy_real_T_(&copy, &list);
    EXPECT_EQ(copy->size[1], 40);
    EXPECT_EQ(copy->allocatedSize, 64);
    EXPECT_EQ(copy->data[15], 7.0);
    emxFree_real_T_(nullptr, &copy);
    emxFree_real_T_(nullptr, &list);
    EXPECT_EQ(list, nullptr);

    // Capacities beyond 2^30 - 1 jump to the largest signed 32-bit count.
    EXPECT_EQ(emxGrownCapacity(1 << 30, (1 << 30) + 1), std::numeric_limits<int32_T>::max());
    EXPECT_EQ(emxGrownCapacity(1 << 29, (1 << 29) + 1), 1 << 30);
    EXPECT_EQ(emxGrownCapacity(16, 16), 16);
}

TEST_F(DrovasimExports, SimulateAModelGivenAsListRecords) {
    const std::int64_t allocations = classicAllocationCount();
    ClassicRootContext* context = classicCreateRootContext("test", 0, true);
    struct0_T gsms;
    buildMachine(context, gsms);
    struct0_T copy;
    emxInitStruct_struct0_T_(context, &copy);
    emxCopyStruct_struct0_T_(&copy, &gsms);
    emxFreeStruct_struct0_T_(context, &gsms);

    emxArray_real_T* times = nullptr;
    emxInit_real_T_(context, &times);
    simulateGSMS_(context, 2, 10.0, &copy, times);
    ASSERT_EQ(times->size[1], 2);
    EXPECT_EQ(times->data[0], expTime(0.5, SeedZero[0]));
    EXPECT_EQ(times->data[1], expTime(0.5, SeedZero[2]));
    emxFree_real_T_(context, &times);
    emxFreeStruct_struct0_T_(context, &copy);
    EXPECT_TRUE(context->cleanup.empty());
    classicDestroyRootContext(context);
    EXPECT_EQ(classicAllocationCount(), allocations);
}

TEST_F(DrovasimExports, LeaveRegisteredListsToTheHostOnError) {
    const std::int64_t allocations = classicAllocationCount();
    ClassicRootContext* context = classicCreateRootContext("test", 0, true);
    struct0_T gsms;
    buildMachine(context, gsms);
    gsms.Initial.InitialState = 3;
    emxArray_real_T* times = nullptr;
    emxInit_real_T_(context, &times);
    ClassicError error = expectClassicError([&] { classicCall([&] { simulateGSMS_(context, 1, 1.0, &gsms, times); }); });
    EXPECT_EQ(error.parameters(), (std::vector<std::string>{"3", "1", "2", "gsms.States"}));
    // The host's abort freed every registered list, with the records inside.
    EXPECT_EQ(classicLiveRootContexts(), 0u);
    EXPECT_EQ(classicAllocationCount(), allocations);
}

}  // namespace
