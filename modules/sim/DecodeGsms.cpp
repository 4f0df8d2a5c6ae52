#include "modules/sim/DecodeGsms.hpp"

#include "host/classic/ClassicChecks.hpp"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace drova::sim {

namespace {

constexpr ClassicDimension Scalar[] = {classicFixed(1), classicFixed(1)};
constexpr ClassicDimension Row[] = {classicFixed(1), ClassicAnySize};
constexpr ClassicDimension ParameterRow[] = {classicFixed(1), classicUpTo(2)};

constexpr std::string_view ModelFields[] = {"Name", "States", "Initial", "Distributions", "Transitions"};
constexpr std::string_view StateFields[] = {"Name", "DownState", "Transitions"};
constexpr std::string_view InitialFields[] = {"InitialState", "InitialTimers"};
constexpr std::string_view DistributionFields[] = {"type", "parameters"};
constexpr std::string_view TransitionFields[] = {"Source", "Distributions", "Destinations"};
constexpr std::string_view DestinationFields[] = {"Target", "Probability", "New"};

// The members the enumeration class DistType must have.
const std::vector<ClassicEnumerationMember> DistTypeClassMembers = [] {
    std::vector<ClassicEnumerationMember> members;
    for (const DistTypeMember& member : DistTypeMembers)
        members.push_back({member.name, static_cast<std::int64_t>(member.type)});
    return members;
}();

// The value of a field of element `index` of a checked structure, with its path.
struct Field {
    ClassicArray value;
    std::string path;
};

Field field(const ClassicArray& structs, std::int64_t index, const std::string& path, std::string_view name) {
    return {structs.field(index, name), path + "." + std::string(name)};
}

std::string decodeString(const Field& f) {
    classicCheckClass(f.path, "string", f.value.className());
    const ClassicArray converted = classicConvertToStringClass(f.path, f.value);
    classicCheckClass(f.path, ClassicStringClass, converted.className());
    const Field text{converted.property(0, "Value"), f.path + ".Value"};
    classicCheckBuiltIn(text.path, text.value, "char", Row);
    return text.value.asciiText(text.path);
}

bool decodeLogicalScalar(const Field& f) {
    classicCheckBuiltIn(f.path, f.value, "logical", Scalar);
    return f.value.logicals()[0];
}

std::int64_t decodeInt64Scalar(const Field& f) {
    classicCheckBuiltIn(f.path, f.value, "int64", Scalar);
    return f.value.int64s()[0];
}

double decodeDoubleScalar(const Field& f) {
    classicCheckBuiltIn(f.path, f.value, "double", Scalar);
    return f.value.doubles()[0];
}

std::vector<std::int64_t> decodeInt64Row(const Field& f) {
    classicCheckBuiltIn(f.path, f.value, "int64", Row);
    const std::int64_t* data = f.value.int64s();
    return std::vector<std::int64_t>(data, data + f.value.numberOfElements());
}

std::vector<double> decodeParameters(const Field& f) {
    classicCheckBuiltIn(f.path, f.value, "double", ParameterRow);
    const double* data = f.value.doubles();
    return std::vector<double>(data, data + f.value.numberOfElements());
}

// Checks a structure row with the given fields and decodes each element.
template <class Record, std::size_t N, class DecodeElement>
std::vector<Record> decodeStructRow(const Field& f, const std::string_view (&fields)[N], DecodeElement decode) {
    classicCheckStruct(f.path, f.value, fields, Row);
    std::vector<Record> records(static_cast<std::size_t>(f.value.numberOfElements()));
    for (std::size_t i = 0; i < records.size(); ++i) records[i] = decode(static_cast<std::int64_t>(i));
    return records;
}

std::vector<SimState> decodeStates(const Field& f) {
    return decodeStructRow<SimState>(f, StateFields, [&](std::int64_t i) {
        SimState state;
        state.Name = decodeString(field(f.value, i, f.path, "Name"));
        state.DownState = decodeLogicalScalar(field(f.value, i, f.path, "DownState"));
        state.Transitions = decodeInt64Row(field(f.value, i, f.path, "Transitions"));
        return state;
    });
}

SimInitial decodeInitial(const Field& f) {
    classicCheckStruct(f.path, f.value, InitialFields, Scalar);
    SimInitial initial;
    initial.InitialState = decodeInt64Scalar(field(f.value, 0, f.path, "InitialState"));
    initial.InitialTimers = decodeInt64Row(field(f.value, 0, f.path, "InitialTimers"));
    return initial;
}

DistType decodeDistType(const Field& f) {
    classicCheckEnumerationValue(f.path, f.value, "DistType", DistTypeClassMembers, Scalar);
    return static_cast<DistType>(f.value.enumerationValue(0));
}

std::vector<SimDistribution> decodeDistributions(const Field& f) {
    return decodeStructRow<SimDistribution>(f, DistributionFields, [&](std::int64_t i) {
        SimDistribution distribution;
        distribution.type = decodeDistType(field(f.value, i, f.path, "type"));
        distribution.parameters = decodeParameters(field(f.value, i, f.path, "parameters"));
        return distribution;
    });
}

std::vector<SimDestination> decodeDestinations(const Field& f) {
    return decodeStructRow<SimDestination>(f, DestinationFields, [&](std::int64_t i) {
        SimDestination destination;
        destination.Target = decodeInt64Scalar(field(f.value, i, f.path, "Target"));
        destination.Probability = decodeDoubleScalar(field(f.value, i, f.path, "Probability"));
        destination.New = decodeInt64Row(field(f.value, i, f.path, "New"));
        return destination;
    });
}

std::vector<SimTransition> decodeTransitions(const Field& f) {
    return decodeStructRow<SimTransition>(f, TransitionFields, [&](std::int64_t i) {
        SimTransition transition;
        transition.Source = decodeInt64Scalar(field(f.value, i, f.path, "Source"));
        transition.Distributions = decodeInt64Row(field(f.value, i, f.path, "Distributions"));
        transition.Destinations = decodeDestinations(field(f.value, i, f.path, "Destinations"));
        return transition;
    });
}

}  // namespace

std::int64_t decodeSimulations(const ClassicArray& value) {
    classicCheckBuiltIn("simulations", value, "int64", Scalar);
    return value.int64s()[0];
}

double decodeAnalysisTime(const ClassicArray& value) {
    classicCheckBuiltIn("analysisTime", value, "double", Scalar);
    return value.doubles()[0];
}

SimModel decodeGsms(const ClassicArray& value) {
    const std::string path = "gsms";
    classicCheckStruct(path, value, ModelFields, Scalar);
    SimModel model;
    model.Name = decodeString(field(value, 0, path, "Name"));
    model.States = decodeStates(field(value, 0, path, "States"));
    model.Initial = decodeInitial(field(value, 0, path, "Initial"));
    model.Distributions = decodeDistributions(field(value, 0, path, "Distributions"));
    model.Transitions = decodeTransitions(field(value, 0, path, "Transitions"));
    return model;
}

}  // namespace drova::sim
