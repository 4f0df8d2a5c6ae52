#include "formats/IntegralJson.hpp"

#include "algebra/Rational.hpp"
#include "formats/JsonError.hpp"
#include "formats/JsonLimits.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <limits>
#include <optional>
#include <utility>

namespace drova {

namespace {

using nlohmann::json;

constexpr const char* RationalExpected =
    "a rational: an integer, a string such as \"3/4\", or {\"Numenator\": \"3\", \"Denominator\": \"4\"}";
constexpr const char* FormExpected =
    "a linear form: a string such as \"x - y + 1/2\", or {\"VarConstants\": [...], \"Vars\": [...], \"Constant\": "
    "RAT}";
constexpr const char* DistributionExpected =
    "a distribution: \"Exp(RATE)\", \"Deg(DELAY)\", \"Uni(LOWER, UPPER)\", or {\"DistributionType\": ..., "
    "\"RationalParameters\": [...], \"Symbolic\": true}";
constexpr const char* IntegralExpected = "an object {\"Distribution\": ..., \"Vars\": ..., \"Var\": ..., \"A\": ..., \"B\": ...}";

std::string shown(const json& value) {
    std::string text = value.dump(-1, ' ', true);
    if (text.size() > 60) text = text.substr(0, 57) + "...";
    return text;
}

[[noreturn]] void misfit(const std::string& path, const std::string& expected, const std::string& found) {
    throw DescriptionError(path + ": expected " + expected + ", found " + found);
}

[[noreturn]] void misfit(const std::string& path, const std::string& expected, const json& found) {
    misfit(path, expected, shown(found));
}

std::string at(const std::string& path, std::size_t index) { return path + "[" + std::to_string(index) + "]"; }
// The path of a member; members of the document itself are named by their key alone.
std::string child(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

// Fails on a key the object should not have.
void allowOnly(const json& object, const std::string& path, std::initializer_list<std::string_view> keys) {
    for (const auto& [key, value] : object.items()) {
        bool known = false;
        for (std::string_view allowed : keys) known = known || key == allowed;
        if (known) continue;
        std::string list;
        for (std::string_view allowed : keys) list += (list.empty() ? "" : ", ") + std::string(allowed);
        throw DescriptionError(child(path, key) + ": unexpected key; the keys are " + list);
    }
}

// The member `key` of an object; "found nothing" when it is missing.
const json& member(const json& object, const std::string& path, const char* key, const char* expected) {
    auto found = object.find(key);
    if (found == object.end()) misfit(child(path, key), expected, std::string("nothing"));
    return *found;
}

// The host value of a JSON value of its own kind, where it has one: a scalar or an array of
// scalars of one kind. Objects, nested arrays and mixed arrays have none.
std::optional<GivenValue> givenValue(const json& value, GivenValue::Kind textKind = GivenValue::Kind::String) {
    GivenValue given;
    if (value.is_null() || (value.is_array() && value.empty())) {
        given.empty = true;
        return given;
    }
    const json list = value.is_array() ? value : json::array({value});
    const json& first = list.front();
    if (first.is_number()) {
        given.kind = GivenValue::Kind::Double;
    } else if (first.is_boolean()) {
        given.kind = GivenValue::Kind::Logical;
    } else if (first.is_string()) {
        given.kind = textKind;
    } else {
        return std::nullopt;
    }
    for (const json& item : list) {
        if (item.type() != first.type() && !(item.is_number() && first.is_number())) return std::nullopt;
        if (item.is_number()) given.numbers.push_back(item.get<double>());
        if (item.is_boolean()) given.logicals.push_back(item.get<bool>());
        if (item.is_string()) given.texts.push_back(item.get<std::string>());
    }
    return given;
}

// Keeps the value of the property `key` as given, or fails where it has no host value.
void keepGiven(GivenProperties& given, const char* key, const json& value, const std::string& path,
               const std::string& expected, GivenValue::Kind textKind = GivenValue::Kind::String) {
    std::optional<GivenValue> host = givenValue(value, textKind);
    if (!host) misfit(path, expected, value);
    given[key] = std::move(*host);
}

// A one-element array holding an object (or the text that stands for one) is that object: a
// scalar is a 1-by-1 array. Anything else stays as it is.
const json& unwrapped(const json& value) {
    if (value.is_array() && value.size() == 1 && (value[0].is_object() || value[0].is_string())) return value[0];
    return value;
}

// What the format reads as a rational object: an integer, a text or an object.
bool isRational(const json& value) { return value.is_number_integer() || value.is_string() || value.is_object(); }
// What it reads as a linear-form or a distribution object: a text or an object.
bool isTextOrObject(const json& value) { return value.is_string() || value.is_object(); }

std::string_view trimmedView(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::string trimmed(std::string_view text) { return std::string(trimmedView(text)); }

// "3/4" as the numerator text 3 and the denominator text 4; any other text as numerator over 1,
// so that the module reports a text that is no number as a whole.
RationalDescription rationalFromText(const std::string& text) {
    const std::size_t slash = text.find('/');
    if (slash != std::string::npos && text.find('/', slash + 1) == std::string::npos)
        return {text.substr(0, slash), text.substr(slash + 1)};
    return {text, "1"};
}

// A numerator or denominator: a string as it is, or an integer in decimal.
std::string numberText(const json& value, const std::string& path) {
    constexpr const char* expected = "a string or an integer";
    if (value.is_string()) return value.get<std::string>();
    if (!value.is_number_integer()) misfit(path, expected, value);
    return value.dump();
}

RationalDescription rational(const json& value, const std::string& path) {
    if (value.is_number_integer()) return {value.dump(), "1"};
    if (value.is_string()) return rationalFromText(value.get<std::string>());
    if (!value.is_object()) misfit(path, RationalExpected, value);
    allowOnly(value, path, {"Numenator", "Denominator"});
    RationalDescription rational;
    for (const char* key : {"Numenator", "Denominator"}) {
        const json& text = member(value, path, key, "a string or an integer");
        std::string& field = key == std::string_view("Numenator") ? rational.numenator : rational.denominator;
        if (text.is_string() || text.is_number_integer())
            field = numberText(text, child(path, key));
        else
            keepGiven(rational.given, key, text, child(path, key), "a string or an integer");
    }
    return rational;
}

// A linear form written as text: after an optional sign, items separated by "+" or "-", each a
// name (letters, digits and "_", not starting with a digit), an integer times a name ("2*x"), or
// a rational number ("3", "1/2"). Names may repeat (their coefficients add up in the module);
// the numbers add up to the constant.
class FormText {
public:
    FormText(std::string_view text, std::string path) : text_(text), path_(std::move(path)) {}

    LinearFormDescription parse() {
        LinearFormDescription form;
        Rational constant = 0;
        skipBlanks();
        int sign = takeSign(false);
        while (true) {
            skipBlanks();
            if (isNameStart()) {
                form.varConstants.push_back(sign);
                form.vars.push_back(takeName());
            } else if (isDigit()) {
                const std::size_t start = pos_;
                BigInt numerator = takeDigits();
                if (peek() == '/') {
                    ++pos_;
                    if (!isDigit()) fail();
                    const std::size_t denominatorStart = pos_;
                    BigInt denominator = takeDigits();
                    if (denominator == 0) fail(denominatorStart, "a zero denominator");
                    constant += sign * Rational(numerator, denominator);
                } else if (skipBlanks(), peek() == '*') {
                    ++pos_;
                    skipBlanks();
                    if (!isNameStart()) fail();
                    BigInt coefficient = sign * numerator;
                    if (coefficient > std::numeric_limits<std::int32_t>::max() ||
                        coefficient < std::numeric_limits<std::int32_t>::min())
                        fail(start, "a coefficient outside the 32-bit range");
                    form.varConstants.push_back(static_cast<std::int32_t>(coefficient));
                    form.vars.push_back(takeName());
                } else {
                    constant += sign * Rational(numerator);
                }
            } else {
                fail();
            }
            skipBlanks();
            if (pos_ == text_.size()) break;
            sign = takeSign(true);
        }
        form.constant = {numeratorOf(constant).str(),
                         denominatorOf(constant).str()};
        return form;
    }

private:
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    bool isDigit() const { return std::isdigit(static_cast<unsigned char>(peek())) != 0; }
    bool isNameStart() const { return std::isalpha(static_cast<unsigned char>(peek())) != 0 || peek() == '_'; }
    void skipBlanks() {
        while (peek() == ' ' || peek() == '\t') ++pos_;
    }
    int takeSign(bool required) {
        if (peek() == '+' || peek() == '-') return text_[pos_++] == '-' ? -1 : 1;
        if (required) fail();
        return 1;
    }
    BigInt takeDigits() {
        BigInt value = 0;
        while (isDigit()) value = value * 10 + (text_[pos_++] - '0');
        return value;
    }
    std::string takeName() {
        const std::size_t start = pos_;
        while (isNameStart() || isDigit()) ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }
    [[noreturn]] void fail() {
        fail(pos_, pos_ < text_.size() ? "\"" + std::string(1, text_[pos_]) + "\"" : "the end of the text");
    }
    [[noreturn]] void fail(std::size_t position, const std::string& what) {
        misfit(path_, FormExpected,
               json(std::string(text_)).dump() + " (" + what + " at character " + std::to_string(position + 1) + ")");
    }

    std::string_view text_;
    std::string path_;
    std::size_t pos_ = 0;
};

LinearFormDescription linearForm(const json& value, const std::string& path) {
    if (value.is_string()) return FormText(value.get_ref<const std::string&>(), path).parse();
    if (!value.is_object()) misfit(path, FormExpected, value);
    allowOnly(value, path, {"VarConstants", "Vars", "Constant"});

    LinearFormDescription form;
    constexpr const char* integersExpected = "an array of integers";
    const json& constants = member(value, path, "VarConstants", integersExpected);
    const bool integers = constants.is_array() && std::all_of(constants.begin(), constants.end(), [](const json& c) {
        return c.is_number_integer();
    });
    if (!integers) keepGiven(form.given, "VarConstants", constants, path + ".VarConstants", integersExpected);
    for (std::size_t i = 0; integers && i < constants.size(); ++i) {
        const json& coefficient = constants[i];
        const bool fits = coefficient.is_number_integer() &&
                          (coefficient.is_number_unsigned()
                               ? coefficient.get<std::uint64_t>() <= std::numeric_limits<std::int32_t>::max()
                               : coefficient.get<std::int64_t>() >= std::numeric_limits<std::int32_t>::min() &&
                                     coefficient.get<std::int64_t>() <= std::numeric_limits<std::int32_t>::max());
        if (!fits) misfit(at(path + ".VarConstants", i), "an integer from -2147483648 to 2147483647", coefficient);
        form.varConstants.push_back(coefficient.get<std::int32_t>());
    }

    constexpr const char* namesExpected = "an array of strings";
    const json& vars = member(value, path, "Vars", namesExpected);
    const bool names = vars.is_array() && std::all_of(vars.begin(), vars.end(), [](const json& v) { return v.is_string(); });
    if (!names) keepGiven(form.given, "Vars", vars, path + ".Vars", namesExpected);
    for (std::size_t i = 0; names && i < vars.size(); ++i) form.vars.push_back(vars[i].get<std::string>());

    const json& constant = unwrapped(member(value, path, "Constant", RationalExpected));
    if (isRational(constant))
        form.constant = rational(constant, path + ".Constant");
    else
        keepGiven(form.given, "Constant", constant, path + ".Constant", RationalExpected);
    return form;
}

// "Exp(3)": blanks, the kind, blanks, "(", a list without parentheses, ")" and blanks, read in
// one pass (the text may be of any length); the kind and the list, or nothing.
std::optional<std::pair<std::string, std::string>> shorthandParts(std::string_view text) {
    text = trimmedView(text);
    if (text.size() < 5) return std::nullopt;
    const std::string_view kind = text.substr(0, 3);
    if (kind != "Exp" && kind != "Deg" && kind != "Uni") return std::nullopt;
    std::string_view rest = trimmedView(text.substr(3));
    if (rest.size() < 2 || rest.front() != '(' || rest.back() != ')') return std::nullopt;
    rest = rest.substr(1, rest.size() - 2);
    if (rest.find_first_of("()") != std::string_view::npos) return std::nullopt;
    return std::pair(std::string(kind), std::string(rest));
}

DistributionDescription distributionFromText(const std::string& text, const std::string& path) {
    const auto parts = shorthandParts(text);
    if (!parts) misfit(path, DistributionExpected, json(text));
    DistributionDescription distribution;
    distribution.distributionType = parts->first;
    const std::string& list = parts->second;
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string parameter = trimmed(std::string_view(list).substr(start, comma - start));
        if (parameter.empty()) misfit(path, DistributionExpected, json(text));
        distribution.rationalParameters.push_back(rationalFromText(parameter));
        if (comma == list.size()) break;
        start = comma + 1;
    }
    distribution.symbolic = true;
    return distribution;
}

DistributionDescription distribution(const json& value, const std::string& path) {
    if (value.is_string()) return distributionFromText(value.get<std::string>(), path);
    if (!value.is_object()) misfit(path, DistributionExpected, value);
    allowOnly(value, path, {"DistributionType", "RationalParameters", "Symbolic"});

    DistributionDescription distribution;
    // A text names a member of the enumeration, which the module judges; so does each text of an array.
    constexpr const char* typeExpected = "the name of a member such as \"Exp\", \"Deg\" or \"Uni\"";
    const json& type = member(value, path, "DistributionType", typeExpected);
    if (type.is_string())
        distribution.distributionType = type.get<std::string>();
    else
        keepGiven(distribution.given, "DistributionType", type, path + ".DistributionType", typeExpected,
                  GivenValue::Kind::Enumeration);

    constexpr const char* parametersExpected = "an array of rationals";
    const json& list = member(value, path, "RationalParameters", parametersExpected);
    const bool rationals = list.is_array() && std::all_of(list.begin(), list.end(), isRational);
    // An array of other numbers or flags has a host value; an array mixing them with rationals has
    // none, and its first misfit element is named.
    if (!rationals && list.is_array() && !givenValue(list))
        for (std::size_t i = 0; i < list.size(); ++i)
            if (!isRational(list[i])) misfit(at(path + ".RationalParameters", i), RationalExpected, list[i]);
    if (!rationals) keepGiven(distribution.given, "RationalParameters", list, path + ".RationalParameters", parametersExpected);
    for (std::size_t i = 0; rationals && i < list.size(); ++i)
        distribution.rationalParameters.push_back(rational(list[i], at(path + ".RationalParameters", i)));

    constexpr const char* symbolicExpected = "true or false";
    const json& symbolic = member(value, path, "Symbolic", symbolicExpected);
    if (symbolic.is_boolean())
        distribution.symbolic = symbolic.get<bool>();
    else
        keepGiven(distribution.given, "Symbolic", symbolic, path + ".Symbolic", symbolicExpected);
    return distribution;
}

IntegralDescription integral(const json& value, const std::string& path) {
    if (!value.is_object()) misfit(path, IntegralExpected, value);
    allowOnly(value, path, {"Distribution", "Vars", "Var", "A", "B"});
    IntegralDescription integral;
    const json& given = unwrapped(member(value, path, "Distribution", DistributionExpected));
    if (isTextOrObject(given))
        integral.distribution = distribution(given, path + ".Distribution");
    else
        keepGiven(integral.given, "Distribution", given, path + ".Distribution", DistributionExpected);
    const auto form = [&](const char* key, LinearFormDescription& field) {
        const json& found = unwrapped(member(value, path, key, FormExpected));
        if (isTextOrObject(found))
            field = linearForm(found, child(path, key));
        else
            keepGiven(integral.given, key, found, child(path, key), FormExpected);
    };
    form("Vars", integral.vars);
    const json& variable = member(value, path, "Var", "a string");
    if (variable.is_string())
        integral.var = variable.get<std::string>();
    else
        keepGiven(integral.given, "Var", variable, path + ".Var", "a string");
    form("A", integral.a);
    form("B", integral.b);
    return integral;
}

std::vector<IntegralDescription> integrals(const json& document, const char* key, GivenProperties& given) {
    std::vector<IntegralDescription> list;
    if (auto found = document.find(key); found != document.end()) {
        const bool objects = found->is_array() && !found->empty() &&
                             std::all_of(found->begin(), found->end(), [](const json& v) { return v.is_object(); });
        // Anything but an array of objects is passed as it is, for the module's class check.
        if (!objects && !(found->is_array() && found->empty()) && givenValue(*found)) {
            keepGiven(given, key, *found, key, "an array of integral objects");
            return list;
        }
        if (!found->is_array()) misfit(key, "an array of integral objects", *found);
        for (std::size_t i = 0; i < found->size(); ++i) list.push_back(integral((*found)[i], at(key, i)));
    }
    return list;
}

// A parser message on one line.
std::string jsonMessage(const json::parse_error& error) {
    std::string message = jsonErrorText(error);
    for (char& c : message)
        if (std::iscntrl(static_cast<unsigned char>(c))) c = ' ';
    return "Invalid JSON: " + message;
}

}  // namespace

IntegralCallDescription readIntegralJson(std::string_view text) {
    json document;
    try {
        static const JsonPathStyle paths{"", "top level", false, "give it as a string, such as \"3/4\""};
        document = parseJsonWithinLimits(text, paths);
    } catch (const json::parse_error& e) {
        throw DescriptionError(jsonMessage(e));
    } catch (const JsonLimitError& e) {
        throw DescriptionError(e.what());
    }
    if (!document.is_object()) misfit("top level", "an object {\"proper\": [...], \"improper\": [...]}", document);
    allowOnly(document, "", {"proper", "improper"});
    IntegralCallDescription call;
    call.proper = integrals(document, "proper", call.given);
    call.improper = integrals(document, "improper", call.given);
    return call;
}

}  // namespace drova
