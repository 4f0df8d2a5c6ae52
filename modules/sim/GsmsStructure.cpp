#include "modules/sim/GsmsStructure.hpp"

#include <string>
#include <vector>

namespace drova::sim {

namespace {

namespace md = matlab::data;

md::Array int64Row(const std::vector<std::int64_t>& values) {
    return md::ArrayFactory().createArray<std::int64_t>({1, values.size()}, values);
}

md::Array textScalar(const std::string& text) { return md::ArrayFactory().createScalar(text); }

// A 1-by-n structure row; fill sets the fields of element i.
template <class Item, class Fill>
md::Array structRow(const std::vector<Item>& items, std::vector<std::string> fields, Fill fill) {
    md::StructArray row = md::ArrayFactory().createStructArray({1, items.size()}, std::move(fields));
    for (std::size_t i = 0; i < items.size(); ++i) fill(row[i], items[i]);
    return row;
}

std::string memberName(DistType type) {
    for (const DistTypeMember& member : DistTypeMembers)
        if (member.type == type) return member.name;
    return {};
}

}  // namespace

const md::EnumerationClass& distTypeClass() {
    static const md::EnumerationClass type = [] {
        md::EnumerationClass enumeration{"DistType", {}};
        for (const DistTypeMember& member : DistTypeMembers)
            enumeration.members.emplace_back(member.name, static_cast<std::int64_t>(member.type));
        return enumeration;
    }();
    return type;
}

md::StructArray hostValueOf(const SimModel& model) {
    md::ArrayFactory factory;
    md::StructArray gsms =
        factory.createStructArray({1, 1}, {"Name", "States", "Initial", "Distributions", "Transitions"});
    gsms[0]["Name"] = textScalar(model.Name);
    gsms[0]["States"] = structRow(model.States, {"Name", "DownState", "Transitions"},
                                  [&](md::Struct& s, const SimState& state) {
                                      s["Name"] = textScalar(state.Name);
                                      s["DownState"] = factory.createScalar(state.DownState);
                                      s["Transitions"] = int64Row(state.Transitions);
                                  });
    md::StructArray initial = factory.createStructArray({1, 1}, {"InitialState", "InitialTimers"});
    initial[0]["InitialState"] = factory.createScalar(model.Initial.InitialState);
    initial[0]["InitialTimers"] = int64Row(model.Initial.InitialTimers);
    gsms[0]["Initial"] = initial;
    gsms[0]["Distributions"] = structRow(
        model.Distributions, {"type", "parameters"}, [&](md::Struct& s, const SimDistribution& d) {
            s["type"] = factory.createEnumArray({1, 1}, distTypeClass(), {memberName(d.type)});
            s["parameters"] = factory.createArray<double>({1, d.parameters.size()}, d.parameters);
        });
    gsms[0]["Transitions"] = structRow(
        model.Transitions, {"Source", "Distributions", "Destinations"}, [&](md::Struct& s, const SimTransition& t) {
            s["Source"] = factory.createScalar(t.Source);
            s["Distributions"] = int64Row(t.Distributions);
            s["Destinations"] = structRow(t.Destinations, {"Target", "Probability", "New"},
                                          [&](md::Struct& d, const SimDestination& destination) {
                                              d["Target"] = factory.createScalar(destination.Target);
                                              d["Probability"] = factory.createScalar(destination.Probability);
                                              d["New"] = int64Row(destination.New);
                                          });
        });
    return gsms;
}

}  // namespace drova::sim
