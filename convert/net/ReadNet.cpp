#include "convert/net/ReadNet.hpp"

#include "algebra/MessageText.hpp"
#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/ExpolyDensity.hpp"
#include "distributions/PhaseTypeLaws.hpp"
#include "distributions/SampledLaws.hpp"
#include "distributions/Uniform.hpp"

// The TOML reader is used header-only, so that the modules that read nets need no library of it
// at run time.
#define TOML_HEADER_ONLY 1
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <map>
#include <set>

namespace drova::net {

namespace {

using Names = std::map<std::string, Rational, std::less<>>;
using Places = std::map<std::string, std::size_t, std::less<>>;

std::string where(const toml::source_region& region) {
    return "line " + std::to_string(region.begin.line) + ", column " + std::to_string(region.begin.column);
}

[[noreturn]] void fail(const std::string& key, const toml::source_region& region, const std::string& what) {
    throw NetReadError(key + " (" + where(region) + "): " + what);
}

// An expression's mistake at its place inside a string value: the column of the opening quote,
// plus one, plus the offset.
[[noreturn]] void failInString(const std::string& key, const toml::node& node, const ExpressionError& e) {
    const toml::source_region& region = node.source();
    const auto column = static_cast<std::uint64_t>(region.begin.column) + 1 + e.offset();
    throw NetReadError(key + " (line " + std::to_string(region.begin.line) + ", column " + std::to_string(column) +
                       "): " + e.what());
}

bool isIdentifier(std::string_view name) {
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_')) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

// The entries of a table in the order they stand in the file (the reader keeps them sorted by key).
std::vector<std::pair<const toml::key*, const toml::node*>> inFileOrder(const toml::table& table) {
    std::vector<std::pair<const toml::key*, const toml::node*>> entries;
    for (const auto& [key, node] : table) entries.emplace_back(&key, &node);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        const auto& x = a.first->source().begin;
        const auto& y = b.first->source().begin;
        return x.line != y.line ? x.line < y.line : x.column < y.column;
    });
    return entries;
}

const toml::table& tableAt(const toml::node& node, const std::string& key) {
    if (const toml::table* table = node.as_table()) return *table;
    fail(key, node.source(), "expected a table");
}

void rejectUnknownKeys(const toml::table& table, const std::string& prefix, const std::vector<std::string>& allowed) {
    for (const auto& [key, node] : inFileOrder(table)) {
        const std::string name(key->str());
        if (std::find(allowed.begin(), allowed.end(), name) != allowed.end()) continue;
        std::string message = "unknown key \"" + messageText(name) + "\"";
        if (const std::string near = closestName(name, allowed); !near.empty())
            message += " (did you mean \"" + near + "\"?)";
        else
            message += "; the keys here are " + [&] {
                std::string list;
                for (const std::string& a : allowed) list += (list.empty() ? "" : ", ") + a;
                return list;
            }();
        fail(prefix.empty() ? name : prefix + "." + name, key->source(), message);
    }
}

// The exact value of a TOML double: the shortest decimal that reads back as it, so 0.95 is 19/20.
Rational exactOfDouble(double value, const std::string& key, const toml::node& node) {
    if (!std::isfinite(value)) fail(key, node.source(), "expected a finite number");
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    std::string_view digits(text, static_cast<std::size_t>(end - text));
    const bool negative = !digits.empty() && digits.front() == '-';
    if (negative) digits.remove_prefix(1);
    std::optional<Rational> exact = error == std::errc() ? parseDecimal(digits) : std::nullopt;
    if (!exact) fail(key, node.source(), "expected a number");
    return negative ? Rational(-*exact) : *exact;
}

// A number: a TOML integer or float, or a parameter expression in a string.
Rational numberAt(const toml::node& node, const std::string& key, const Names& names) {
    if (const auto* integer = node.as_integer()) return Rational(integer->get());
    if (const auto* floating = node.as_floating_point()) return exactOfDouble(floating->get(), key, node);
    if (const auto* text = node.as_string()) {
        try {
            return evaluateNumber(text->get(), names);
        } catch (const ExpressionError& e) {
            failInString(key, node, e);
        }
    }
    fail(key, node.source(), "expected a number, or an expression in a string");
}

// A whole number within [low, high].
std::int64_t integerAt(const toml::node& node, const std::string& key, const Names& names, std::int64_t low,
                       std::int64_t high, const std::string& what) {
    const Rational value = numberAt(node, key, names);
    if (denominatorOf(value) != 1 || value < low || value > high)
        fail(key, node.source(), what + " must be a whole number from " + std::to_string(low) + " to " +
                                     std::to_string(high) + ", not " + toText(value));
    return static_cast<std::int64_t>(numeratorOf(value));
}

std::string stringAt(const toml::node& node, const std::string& key) {
    if (const auto* text = node.as_string()) return text->get();
    fail(key, node.source(), "expected a string");
}

Condition conditionAt(const toml::node& node, const std::string& key, const Places& places) {
    const std::string text = stringAt(node, key);
    try {
        return parseCondition(text, places);
    } catch (const ExpressionError& e) {
        failInString(key, node, e);
    }
}

// The arguments of a law's text, split at the commas outside parentheses, with their offsets.
std::vector<std::pair<std::string, std::size_t>> arguments(std::string_view text, std::size_t offset) {
    std::vector<std::pair<std::string, std::size_t>> result;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || (text[i] == ',' && depth == 0)) {
            result.emplace_back(std::string(text.substr(start, i - start)), offset + start);
            start = i + 1;
        } else if (text[i] == '(') {
            ++depth;
        } else if (text[i] == ')') {
            --depth;
        }
    }
    return result;
}

struct Law {
    std::shared_ptr<const Distribution> distribution;  // none: immediate
    bool exponential = false;
};

Law lawAt(const toml::node& node, const std::string& key, const Names& names) {
    const std::string text = stringAt(node, key);
    static const std::vector<std::string> Kinds = {"Exp",     "Deg",   "Uni",       "Imm",   "Erl",   "HypoExp",
                                                   "HyperExp", "Expoly", "Weibull", "Lognormal", "Gamma", "Normal"};
    // The laws' forms and their parameter counts (-1: one or more, -2: pairs).
    static const std::map<std::string, std::pair<std::string, int>> Forms = {
        {"Exp", {"Exp(rate)", 1}},
        {"Deg", {"Deg(delay)", 1}},
        {"Uni", {"Uni(low, high)", 2}},
        {"Imm", {"Imm", 0}},
        {"Erl", {"Erl(k, rate)", 2}},
        {"HypoExp", {"HypoExp(r1, r2, ...)", -1}},
        {"HyperExp", {"HyperExp(p1, r1, p2, r2, ...)", -2}},
        {"Expoly", {"Expoly(low, high or inf, \"density in x\")", 3}},
        {"Weibull", {"Weibull(shape, scale)", 2}},
        {"Lognormal", {"Lognormal(mu, sigma)", 2}},
        {"Gamma", {"Gamma(shape, rate)", 2}},
        {"Normal", {"Normal(mean, sd)", 2}}};
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t open = text.find('(');
    const std::size_t nameEnd = std::min(open, text.find_last_not_of(" \t") + 1);
    const std::string kind = first == std::string::npos ? "" : text.substr(first, nameEnd - first);
    const auto wrong = [&](const std::string& what, std::size_t offset) {
        failInString(key, node, ExpressionError(what, offset));
    };
    if (std::find(Kinds.begin(), Kinds.end(), kind) == Kinds.end()) {
        std::string message = "unknown distribution \"" + messageText(kind) + "\"";
        const std::string near = closestName(kind, Kinds);
        message += near.empty() ? "; write Exp(rate), Deg(delay), Uni(low, high), Imm, Erl(k, rate), HypoExp(r1, ...), "
                                  "HyperExp(p1, r1, ...), Expoly(low, high, \"density\"), Weibull(shape, scale), "
                                  "Lognormal(mu, sigma), Gamma(shape, rate) or Normal(mean, sd)"
                                : " (did you mean \"" + near + "\"?)";
        wrong(message, first == std::string::npos ? 0 : first);
    }
    std::vector<Rational> values;
    bool unbounded = false;      // Expoly's upper end is inf
    std::string density;         // Expoly's density text
    std::size_t given = 0;
    if (open != std::string::npos) {
        const std::size_t close = text.rfind(')');
        if (close == std::string::npos || close < open) wrong("expected \")\" at the end", text.size());
        if (text.find_first_not_of(" \t", close + 1) != std::string::npos)
            wrong("unexpected text after \")\"", text.find_first_not_of(" \t", close + 1));
        const std::string inside = text.substr(open + 1, close - open - 1);
        if (inside.find_first_not_of(" \t") != std::string::npos) {
            for (const auto& [argument, offset] : arguments(inside, open + 1)) {
                ++given;
                const std::size_t start = argument.find_first_not_of(" \t");
                const std::size_t end = argument.find_last_not_of(" \t");
                const std::string trimmed = start == std::string::npos ? "" : argument.substr(start, end - start + 1);
                if (kind == "Expoly" && given == 2 && trimmed == "inf") {
                    unbounded = true;
                    continue;
                }
                if (kind == "Expoly" && given == 3) {
                    if (trimmed.size() < 2 || trimmed.front() != '"' || trimmed.back() != '"')
                        wrong("expected the density in double quotes", offset + (start == std::string::npos ? 0 : start));
                    density = trimmed.substr(1, trimmed.size() - 2);
                    continue;
                }
                try {
                    values.push_back(evaluateNumber(argument, names));
                } catch (const ExpressionError& e) {
                    wrong(e.what(), offset + e.offset());
                }
            }
        }
    } else if (nameEnd != text.size()) {
        wrong("unexpected text after \"" + kind + "\"", nameEnd);
    }
    const auto& [form, wanted] = Forms.at(kind);
    const bool countFits = wanted >= 0 ? given == static_cast<std::size_t>(wanted)
                                       : given >= 1 && (wanted == -1 || given % 2 == 0);
    if (!countFits)
        wrong(kind + " takes " +
                  (wanted >= 0 ? std::to_string(wanted) + (wanted == 1 ? " parameter" : " parameters")
                               : std::string(wanted == -1 ? "one or more rates" : "pairs of a probability and a rate")) +
                  ": " + form,
              first);
    Law law;
    try {
        if (kind == "Exp") law.distribution = std::make_shared<Exponential>(values[0]), law.exponential = true;
        if (kind == "Deg") law.distribution = std::make_shared<Degenerate>(values[0]);
        if (kind == "Uni") law.distribution = std::make_shared<Uniform>(values[0], values[1]);
        if (kind == "Erl") law.distribution = std::make_shared<Erlang>(values[0], values[1]);
        if (kind == "HypoExp") law.distribution = std::make_shared<HypoExponential>(values);
        if (kind == "HyperExp") law.distribution = std::make_shared<HyperExponential>(values);
        if (kind == "Weibull") law.distribution = std::make_shared<Weibull>(values[0], values[1]);
        if (kind == "Lognormal") law.distribution = std::make_shared<Lognormal>(values[0], values[1]);
        if (kind == "Gamma") law.distribution = std::make_shared<GammaLaw>(values[0], values[1]);
        if (kind == "Normal") law.distribution = std::make_shared<TruncatedNormal>(values[0], values[1]);
        if (kind == "Expoly") {
            if (values.size() != (unbounded ? 1u : 2u)) wrong("expected the upper end, a number or inf", first);
            std::optional<Rational> high;
            if (!unbounded) high = values[1];
            law.distribution = std::make_shared<ExpolyDensity>(values[0], high, density);
        }
    } catch (const NetReadError&) {
        throw;
    } catch (const std::invalid_argument& e) {
        fail(key, node.source(), e.what());
    }
    return law;
}

std::vector<Arc> arcsAt(const toml::node& node, const std::string& key, const Places& places, const Names& names,
                        const std::string& what) {
    const toml::table& table = tableAt(node, key);
    std::vector<Arc> arcs;
    std::vector<std::string> known;
    for (const auto& entry : places) known.push_back(entry.first);
    for (const auto& [placeKey, value] : inFileOrder(table)) {
        const std::string place(placeKey->str());
        const std::string path = key + "." + place;
        const auto found = places.find(place);
        if (found == places.end()) {
            std::string message = "unknown place \"" + messageText(place) + "\"";
            if (const std::string near = closestName(place, known); !near.empty())
                message += " (did you mean \"" + near + "\"?)";
            fail(path, placeKey->source(), message);
        }
        const auto count = integerAt(*value, path, names, 1, std::numeric_limits<std::int32_t>::max(), what);
        arcs.push_back({found->second, static_cast<std::uint32_t>(count)});
    }
    return arcs;
}

NetTransition transitionAt(const std::string& name, const toml::node& node, const Places& places, const Names& names) {
    const std::string key = "transitions." + name;
    const toml::table& table = tableAt(node, key);
    rejectUnknownKeys(table, key,
                      {"distribution", "servers", "inputs", "outputs", "inhibitors", "guard", "priority", "weight"});
    NetTransition transition;
    transition.name = name;
    const toml::node* law = table.get("distribution");
    if (!law) fail(key, node.source(), "the transition has no distribution (Exp(rate), Deg(delay), Uni(low, high) or Imm)");
    const Law read = lawAt(*law, key + ".distribution", names);
    transition.law = read.distribution;
    transition.exponential = read.exponential;
    if (const toml::node* servers = table.get("servers")) {
        const std::string text = stringAt(*servers, key + ".servers");
        if (text != "single" && text != "infinite")
            fail(key + ".servers", servers->source(), "expected \"single\" or \"infinite\", not \"" + messageText(text) + "\"");
        if (text == "infinite" && !transition.exponential)
            fail(key + ".servers", servers->source(), "only an exponential transition can have infinite servers");
        transition.infiniteServers = text == "infinite";
    }
    if (const toml::node* arcs = table.get("inputs")) transition.inputs = arcsAt(*arcs, key + ".inputs", places, names, "a multiplicity");
    if (const toml::node* arcs = table.get("outputs")) transition.outputs = arcsAt(*arcs, key + ".outputs", places, names, "a multiplicity");
    if (const toml::node* arcs = table.get("inhibitors"))
        transition.inhibitors = arcsAt(*arcs, key + ".inhibitors", places, names, "an inhibitor's count");
    if (const toml::node* guard = table.get("guard")) transition.guard = conditionAt(*guard, key + ".guard", places);
    if (const toml::node* priority = table.get("priority"))
        transition.priority = integerAt(*priority, key + ".priority", names, -1000000, 1000000, "a priority");
    if (const toml::node* weight = table.get("weight")) {
        if (!transition.immediate())
            fail(key + ".weight", weight->source(), "only an immediate transition (Imm) has a weight");
        transition.weight = numberAt(*weight, key + ".weight", names);
        if (transition.weight <= 0) fail(key + ".weight", weight->source(), "a weight must be positive, not " + toText(transition.weight));
    }
    return transition;
}

// Characters beyond ASCII may stand only in comments: a net's names and expressions are ASCII,
// and a model's name crosses into MATLAB as ASCII text. They are refused before the TOML reader
// sees them, since its test for Unicode whitespace, which it also applies while reading past a
// malformed value, has no answer for some of them.
void requireAsciiOutsideComments(std::string_view text) {
    enum class In { Code, Comment, Basic, Literal, MultiBasic, MultiLiteral } in = In::Code;
    std::uint64_t line = 1, column = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool ascii = static_cast<unsigned char>(c) < 0x80;
        if (ascii || (static_cast<unsigned char>(c) & 0xC0) != 0x80) ++column;  // continuation bytes do not count
        if (!ascii && in != In::Comment)
            throw NetReadError("The net is not valid TOML at line " + std::to_string(line) + ", column " +
                               std::to_string(column) + ": a character beyond ASCII, which only a comment may hold");
        const auto starts = [&](std::string_view what) { return text.substr(i, what.size()) == what; };
        // A multi-line string may end with one or two quotes of its own before its three.
        const auto closeQuotes = [&](char quote) {
            for (int extra = 0; extra < 2 && i + 1 < text.size() && text[i + 1] == quote; ++extra) ++i, ++column;
        };
        switch (in) {
            case In::Code:
                if (c == '#') in = In::Comment;
                else if (starts("\"\"\"")) in = In::MultiBasic, i += 2, column += 2;
                else if (starts("'''")) in = In::MultiLiteral, i += 2, column += 2;
                else if (c == '"') in = In::Basic;
                else if (c == '\'') in = In::Literal;
                break;
            case In::Comment:
                if (c == '\n') in = In::Code;
                break;
            case In::Basic:
            case In::MultiBasic:
                if (c == '\\') {
                    if (i + 1 < text.size() && text[i + 1] != '\n' && static_cast<unsigned char>(text[i + 1]) < 0x80)
                        ++i, ++column;  // the escaped character
                } else if (in == In::Basic && (c == '"' || c == '\n')) {
                    in = In::Code;
                } else if (in == In::MultiBasic && starts("\"\"\"")) {
                    in = In::Code, i += 2, column += 2;
                    closeQuotes('"');
                }
                break;
            case In::Literal:
                if (c == '\'' || c == '\n') in = In::Code;
                break;
            case In::MultiLiteral:
                if (starts("'''")) {
                    in = In::Code, i += 2, column += 2;
                    closeQuotes('\'');
                }
                break;
        }
        if (c == '\n') ++line, column = 0;
    }
}

}  // namespace

PetriNet readNet(std::string_view text, const std::string& defaultName) {
    requireAsciiOutsideComments(text);
    toml::table document;
    try {
        document = toml::parse(text);
    } catch (const toml::parse_error& e) {
        throw NetReadError("The net is not valid TOML at " + where(e.source()) + ": " + std::string(e.description()));
    }
    rejectUnknownKeys(document, "", {"name", "parameters", "places", "transitions", "measures"});
    PetriNet net;
    net.name = defaultName;
    if (const toml::node* name = document.get("name")) {
        net.name = stringAt(*name, "name");
        if (net.name.empty() || net.name.find_first_of(" \t\r\n") != std::string::npos)
            fail("name", name->source(), "the name must be one word");
    }

    Names names;
    if (const toml::node* parameters = document.get("parameters")) {
        for (const auto& [key, node] : inFileOrder(tableAt(*parameters, "parameters"))) {
            const std::string name(key->str());
            if (!isIdentifier(name))
                fail("parameters." + name, key->source(), "a parameter's name is letters, digits and _, not starting with a digit");
            names[name] = numberAt(*node, "parameters." + name, names);
        }
    }

    Places places;
    const toml::node* placesNode = document.get("places");
    if (!placesNode) throw NetReadError("The net has no [places] table");
    for (const auto& [key, node] : inFileOrder(tableAt(*placesNode, "places"))) {
        const std::string name(key->str());
        if (!isIdentifier(name))
            fail("places." + name, key->source(), "a place's name is letters, digits and _, not starting with a digit");
        if (names.count(name)) fail("places." + name, key->source(), "a parameter has the same name");
        places[name] = net.places.size();
        net.places.push_back(name);
        net.initialMarking.push_back(static_cast<std::uint32_t>(
            integerAt(*node, "places." + name, names, 0, std::numeric_limits<std::int32_t>::max(), "a number of tokens")));
    }
    if (net.places.empty()) fail("places", placesNode->source(), "the net has no place");

    const toml::node* transitions = document.get("transitions");
    if (!transitions) throw NetReadError("The net has no [transitions.NAME] table");
    for (const auto& [key, node] : inFileOrder(tableAt(*transitions, "transitions"))) {
        const std::string name(key->str());
        if (!isIdentifier(name))
            fail("transitions." + name, key->source(),
                 "a transition's name is letters, digits and _, not starting with a digit");
        if (places.count(name)) fail("transitions." + name, key->source(), "a place has the same name");
        net.transitions.push_back(transitionAt(name, *node, places, names));
    }
    if (net.transitions.empty()) fail("transitions", transitions->source(), "the net has no transition");

    if (const toml::node* measures = document.get("measures")) {
        const toml::table& table = tableAt(*measures, "measures");
        rejectUnknownKeys(table, "measures", {"down"});
        if (const toml::node* down = table.get("down")) net.down = conditionAt(*down, "measures.down", places);
    }
    return net;
}

}  // namespace drova::net
