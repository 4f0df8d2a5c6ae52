// The extension module Drovasim: its classic entry and its other exports.

#include "modules/sim/Drovasim.hpp"

#include "modules/sim/ClassicSimHost.hpp"
#include "modules/sim/DecodeGsms.hpp"
#include "simulate/SimulateGSMS.hpp"

#include "host/MatlabData.hpp"
#include "host/MexFunction.hpp"
#include "host/classic/ClassicError.hpp"

#include <algorithm>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

namespace drova::sim {
namespace {

constexpr std::uint32_t ReleaseCode = 0x2021B;
constexpr std::uint32_t TargetApiVersion = 0x08000000;
constexpr const char* EntryName = "simulateGSMS";

// The module's context record: the root context of the call under way.
ClassicRootContext* rootContext = nullptr;

template <class List>
auto listElements(const List* list) {
    return std::span(list->data, static_cast<std::size_t>(emxElementsInUse(*list)));
}

template <class List>
auto listVector(const List* list) {
    auto elements = listElements(list);
    return std::vector<std::remove_const_t<typename decltype(elements)::element_type>>(elements.begin(),
                                                                                       elements.end());
}

std::string stringValue(const rtString& text) {
    auto characters = listElements(text.Value);
    return std::string(characters.begin(), characters.end());
}

// The model the list records describe, in the module's own containers.
SimModel modelOf(const struct0_T& gsms) {
    SimModel model;
    model.Name = stringValue(gsms.Name);
    for (const struct1_T& s : listElements(gsms.States))
        model.States.push_back({stringValue(s.Name), s.DownState, listVector(s.Transitions)});
    model.Initial = {gsms.Initial.InitialState, listVector(gsms.Initial.InitialTimers)};
    for (const struct3_T& d : listElements(gsms.Distributions))
        model.Distributions.push_back({d.type, listVector(d.parameters)});
    for (const struct4_T& t : listElements(gsms.Transitions)) {
        SimTransition transition{t.Source, listVector(t.Distributions), {}};
        for (const struct5_T& d : listElements(t.Destinations))
            transition.Destinations.push_back({d.Target, d.Probability, listVector(d.New)});
        model.Transitions.push_back(std::move(transition));
    }
    return model;
}

// Runs the simulation and puts its result, a 1-by-m row, into times.
void simulateInto(std::int64_t simulations, double analysisTime, const SimModel& gsms, emxArray_real_T* times) {
    ClassicSimHost host;
    const std::vector<double> result = simulateGSMS(simulations, analysisTime, gsms, host);
    const int32_T oldNumel = emxElementsInUse(*times);
    times->size[0] = 1;
    times->size[1] = static_cast<int32_T>(result.size());
    emxEnsureCapacity_real_T(times, oldNumel);
    if (!result.empty()) std::copy(result.begin(), result.end(), times->data);
}

}  // namespace
}  // namespace drova::sim

// The exports are C functions outside the namespace.
using namespace drova;
using namespace drova::sim;

DROVA_MEX_EXPORT void simulateGSMS_initialize() {
    rootContext = classicCreateRootContext(EntryName, ReleaseCode, true);
    classicClearAllocationCount();
    classicEnterStack(*rootContext);
    classicFirstTime(*rootContext);
}

DROVA_MEX_EXPORT void simulateGSMS_terminate() {
    classicLeaveStack(*rootContext);
    classicDestroyRootContext(rootContext);
    rootContext = nullptr;
}

DROVA_MEX_EXPORT void simulateGSMS_atexit() {
    rootContext = classicCreateRootContext(EntryName, ReleaseCode, true);
    classicEnterStack(*rootContext);
    classicLeaveStack(*rootContext);
    classicDestroyRootContext(rootContext);
    rootContext = nullptr;
}

DROVA_MEX_EXPORT void simulateGSMS(ClassicRootContext* context, int64_T simulations, real_T analysisTime,
                                   const struct0_T* gsms, emxArray_real_T* times) {
    // The working memory of the simulation lives in standard containers,
    // which an error frees as it unwinds, so nothing is registered on context.
    static_cast<void>(context);
    simulateInto(simulations, analysisTime, modelOf(*gsms), times);
}

DROVA_MEX_EXPORT void mexFunction(int nlhs, ClassicArray* plhs[], int nrhs, const ClassicArray* prhs[]) {
    classicAtExit(&simulateGSMS_atexit);
    simulateGSMS_initialize();
    if (nrhs != 3) classicRaise("EMLRT:runTime:WrongNumberOfInputs", {"3", EntryName});
    if (nlhs > 1) classicRaise("EMLRT:runTime:TooManyOutputArguments", {EntryName});

    const std::int64_t simulations = decodeSimulations(*prhs[0]);
    const double analysisTime = decodeAnalysisTime(*prhs[1]);
    const SimModel gsms = decodeGsms(*prhs[2]);

    emxArray_real_T* times = nullptr;
    emxInit_real_T(rootContext, &times);
    simulateInto(simulations, analysisTime, gsms, times);

    // The result's buffer passes to the host: the list stops owning it first.
    ClassicArray* output = classicCreateDoubleMatrix(0, 0);
    times->canFreeData = false;
    output->setDoubleData(times->data);
    output->setDimensions(times->size[0], times->size[1]);
    plhs[0] = output;
    emxFree_real_T(rootContext, &times);
    simulateGSMS_terminate();
}

DROVA_MEX_EXPORT ClassicArray* emlrtMexFcnProperties() {
    namespace md = matlab::data;
    md::ArrayFactory factory;
    md::StructArray entryPoint = factory.createStructArray(
        {1, 1}, {"Name", "NumberOfInputs", "NumberOfOutputs", "ConstantInputs", "FullPath", "TimeStamp"});
    entryPoint[0]["Name"] = factory.createCharArray(EntryName);
    entryPoint[0]["NumberOfInputs"] = factory.createScalar(3.0);
    entryPoint[0]["NumberOfOutputs"] = factory.createScalar(1.0);
    entryPoint[0]["ConstantInputs"] = factory.createArray<bool>({1, 3});
    entryPoint[0]["FullPath"] = factory.createCharArray(__FILE__);
    entryPoint[0]["TimeStamp"] = factory.createScalar(738491.0);  // the build date as a day number

    md::StructArray properties = factory.createStructArray({1, 1}, {"Version", "ResolvedFunctions", "EntryPoints"});
    properties[0]["Version"] = factory.createCharArray("9.11.0.1809720 (R2021b) Update 1");
    properties[0]["ResolvedFunctions"] = factory.createArray<md::MATLABString>(
        {1, 5}, {u"simulateGSMS", u"getOutgoingTransWithMinimumTimer", u"getDestinationState", u"restartTimers",
                 u"sampleDistStruct"});
    properties[0]["EntryPoints"] = entryPoint;
    return classicCreateArray(properties);
}

DROVA_MEX_EXPORT void mexfilerequiredapiversion(std::uint32_t* builtByRelease, std::uint32_t* targetApiVersion) {
    *builtByRelease = ReleaseCode;
    *targetApiVersion = TargetApiVersion;
}
