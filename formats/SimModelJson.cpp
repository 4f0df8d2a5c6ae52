#include "formats/SimModelJson.hpp"

#include "formats/JsonError.hpp"
#include "formats/JsonLimits.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace drova {

namespace {

using nlohmann::json;

// A document that does not fit; the message says where and what was expected.
class ModelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the JSON document; every mismatch names the path of the value, such
// as gsms.States(2).DownState, and what was expected there.
class JsonModelReader {
public:
    static SimModel read(const json& document) {
        const std::string root = "gsms";
        requireKeys(document, root, {"Name", "States", "Initial", "Distributions", "Transitions"});
        SimModel model;
        model.Name = text(document["Name"], root + ".Name");
        forEach(document["States"], root + ".States", [&](const json& item, const std::string& path) {
            requireKeys(item, path, {"Name", "DownState", "Transitions"});
            model.States.push_back({text(item["Name"], path + ".Name"), flag(item["DownState"], path + ".DownState"),
                                    integers(item["Transitions"], path + ".Transitions")});
        });
        const json& initial = document["Initial"];
        requireKeys(initial, root + ".Initial", {"InitialState", "InitialTimers"});
        model.Initial = {integer(initial["InitialState"], root + ".Initial.InitialState"),
                         integers(initial["InitialTimers"], root + ".Initial.InitialTimers")};
        forEach(document["Distributions"], root + ".Distributions", [&](const json& item, const std::string& path) {
            requireKeys(item, path, {"type", "parameters"});
            SimDistribution distribution{distType(item["type"], path + ".type"),
                                         numbers(item["parameters"], path + ".parameters")};
            checkParameters(distribution, path + ".parameters");
            model.Distributions.push_back(std::move(distribution));
        });
        forEach(document["Transitions"], root + ".Transitions", [&](const json& item, const std::string& path) {
            requireKeys(item, path, {"Source", "Distributions", "Destinations"});
            SimTransition transition{integer(item["Source"], path + ".Source"),
                                     integers(item["Distributions"], path + ".Distributions"), {}};
            forEach(item["Destinations"], path + ".Destinations", [&](const json& d, const std::string& dPath) {
                requireKeys(d, dPath, {"Target", "Probability", "New"});
                transition.Destinations.push_back({integer(d["Target"], dPath + ".Target"),
                                                   number(d["Probability"], dPath + ".Probability"),
                                                   integers(d["New"], dPath + ".New")});
            });
            model.Transitions.push_back(std::move(transition));
        });
        return model;
    }

private:
    [[noreturn]] static void fail(const std::string& path, const std::string& expected) {
        throw ModelError(path + ": expected " + expected);
    }

    // An object with exactly these keys.
    static void requireKeys(const json& value, const std::string& path, std::initializer_list<const char*> keys) {
        std::string list;
        for (const char* key : keys) list += std::string(list.empty() ? "" : ", ") + key;
        if (!value.is_object()) fail(path, "an object with the keys " + list);
        for (const char* key : keys)
            if (!value.contains(key)) fail(path, "the key " + std::string(key) + " (the keys are " + list + ")");
        for (const auto& entry : value.items()) {
            const std::string& key = entry.key();
            if (std::find_if(keys.begin(), keys.end(), [&](const char* k) { return key == k; }) == keys.end())
                throw ModelError(path + "." + key + ": unexpected key (expected only " + list + ")");
        }
    }

    template <class Each>
    static void forEach(const json& value, const std::string& path, Each each) {
        if (!value.is_array()) fail(path, "a list of objects");
        for (std::size_t i = 0; i < value.size(); ++i) each(value[i], path + "(" + std::to_string(i + 1) + ")");
    }

    static std::string text(const json& value, const std::string& path) {
        if (!value.is_string()) fail(path, "a text");
        const std::string& s = value.get_ref<const std::string&>();
        for (char c : s)
            if (static_cast<unsigned char>(c) > 0x7F) fail(path, "a text of ASCII characters");
        return s;
    }

    static bool flag(const json& value, const std::string& path) {
        if (!value.is_boolean()) fail(path, "true or false");
        return value.get<bool>();
    }

    static std::int64_t integer(const json& value, const std::string& path) {
        if (value.is_number_unsigned() && value.get<std::uint64_t>() > std::numeric_limits<std::int64_t>::max())
            fail(path, "an integer of at most 64 bits");
        if (!value.is_number_integer()) fail(path, "an integer");
        return value.get<std::int64_t>();
    }

    static double number(const json& value, const std::string& path) {
        if (!value.is_number()) fail(path, "a number");
        return value.get<double>();
    }

    static std::vector<std::int64_t> integers(const json& value, const std::string& path) {
        if (!value.is_array()) fail(path, "a list of integers");
        std::vector<std::int64_t> result;
        for (std::size_t i = 0; i < value.size(); ++i)
            result.push_back(integer(value[i], path + "(" + std::to_string(i + 1) + ")"));
        return result;
    }

    static std::vector<double> numbers(const json& value, const std::string& path) {
        if (!value.is_array()) fail(path, "a list of numbers");
        std::vector<double> result;
        for (std::size_t i = 0; i < value.size(); ++i)
            result.push_back(number(value[i], path + "(" + std::to_string(i + 1) + ")"));
        return result;
    }

    // The values of the parameters that are there; their count is the module's to check. A
    // negative time, or a uniform whose bounds are reversed, would be drawn without complaint.
    static void checkParameters(const SimDistribution& distribution, const std::string& path) {
        const std::vector<double>& p = distribution.parameters;
        const auto element = [&](int i) { return path + "(" + std::to_string(i) + ")"; };
        switch (distribution.type) {
        case DistType::Exp:
            if (!p.empty() && !(p[0] > 0)) fail(element(1), "a positive rate");
            break;
        case DistType::Deg:
            if (!p.empty() && !(p[0] >= 0)) fail(element(1), "a non-negative delay");
            break;
        case DistType::Uni:
            if (!p.empty() && !(p[0] >= 0)) fail(element(1), "a non-negative lower bound");
            if (p.size() >= 2 && !(p[1] >= p[0])) fail(element(2), "an upper bound not below the lower bound");
            break;
        case DistType::Lognormal:
            break;
        default:  // the JSON form names only the four kinds above (distType)
            break;
        }
    }

    static DistType distType(const json& value, const std::string& path) {
        for (const DistTypeMember& member : DistTypeMembers)
            if ((value.is_string() && value.get_ref<const std::string&>() == member.name) ||
                (value.is_number_integer() && value.get<std::int64_t>() == static_cast<std::int64_t>(member.type)))
                return member.type;
        fail(path, "Deg, Exp, Uni or Lognormal, or their values 1 to 4");
    }
};

}  // namespace

SimModel readSimModelJson(std::istream& in) {
    json document;
    try {
        const std::string text(std::istreambuf_iterator<char>(in), {});
        document = parseJsonWithinLimits(text, JsonPathStyle{"gsms", "gsms", true, ""});
    } catch (const json::parse_error& e) {
        throw ModelError("Could not read the JSON model: " + jsonErrorText(e));
    } catch (const JsonLimitError& e) {
        throw ModelError(e.what());
    }
    return JsonModelReader::read(document);
}

}  // namespace drova
