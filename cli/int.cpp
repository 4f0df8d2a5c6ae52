// drova int FILE.json: evaluates a nested integral with the Drovaint module. The JSON file
// describes the module's two arrays of ExpolyIntegral objects; drova builds them as a MATLAB
// caller holds them (integrate/ExpolyIntegralObjects.hpp), calls the module through its exports
// and prints the string it returns.
//
//   {"proper": [OBJ, ...], "improper": [OBJ, ...]}      a missing array is empty
//   OBJ  = {"Distribution": DIST, "Vars": LF, "Var": "name", "A": LF, "B": LF}
//   DIST = {"DistributionType": "Exp"|"Deg"|"Uni", "RationalParameters": [RAT, ...], "Symbolic": true}
//          or "Exp(3)", "Deg(2)", "Uni(1, 3)", "Exp(1/2)"
//   LF   = {"VarConstants": [1, -1], "Vars": ["x", "y"], "Constant": RAT}
//          or "x - y + 1/2", "2*t - 1", "0"
//   RAT  = {"Numenator": "3", "Denominator": "4"} or "3/4" or an integer
//
// The texts of numerators and denominators go to the module unchecked, so that it reports
// them as it would to MATLAB; everything else that does not fit fails here, naming the key path.

#include "algebra/Rational.hpp"
#include "cli/Commands.hpp"
#include "host/LoadedModule.hpp"
#include "integrate/ExpolyIntegralObjects.hpp"

#include <nlohmann/json.hpp>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <limits>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

using nlohmann::json;
using namespace matlab::data;

// A document that does not fit the format.
class DescriptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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

// MATLAB holds text as 16-bit characters. The parser has already checked that the text is UTF-8.
std::u16string toUtf16(std::string_view utf8) {
    std::u16string text;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra && i + k < utf8.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
    }
    return text;
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return std::string(text);
}

// "3/4" as the numerator text 3 and the denominator text 4; any other text as numerator over 1,
// so that the module reports a text that is no number as a whole.
ObjectArray rationalFromText(const std::string& text) {
    const std::size_t slash = text.find('/');
    if (slash != std::string::npos && text.find('/', slash + 1) == std::string::npos)
        return makeRationalObject(toUtf16(text.substr(0, slash)), toUtf16(text.substr(slash + 1)));
    return makeRationalObject(toUtf16(text), u"1");
}

// A numerator or denominator: a string as it is, or an integer in decimal.
std::u16string numberText(const json& value, const std::string& path) {
    constexpr const char* expected = "a string or an integer";
    if (value.is_string()) return toUtf16(value.get<std::string>());
    if (!value.is_number_integer()) misfit(path, expected, value);
    return toUtf16(value.dump());
}

ObjectArray rationalObject(const json& value, const std::string& path) {
    if (value.is_number_integer()) return makeRationalObject(toUtf16(value.dump()), u"1");
    if (value.is_string()) return rationalFromText(value.get<std::string>());
    if (!value.is_object()) misfit(path, RationalExpected, value);
    allowOnly(value, path, {"Numenator", "Denominator"});
    std::u16string numerator =
        numberText(member(value, path, "Numenator", "a string or an integer"), path + ".Numenator");
    std::u16string denominator =
        numberText(member(value, path, "Denominator", "a string or an integer"), path + ".Denominator");
    return makeRationalObject(numerator, denominator);
}

// A linear form written as text: after an optional sign, items separated by "+" or "-", each a
// name (letters, digits and "_", not starting with a digit), an integer times a name ("2*x"), or
// a rational number ("3", "1/2"). Names may repeat (their coefficients add up in the module);
// the numbers add up to the constant.
class FormText {
public:
    FormText(std::string_view text, std::string path) : text_(text), path_(std::move(path)) {}

    ObjectArray parse() {
        std::vector<std::int32_t> coefficients;
        std::vector<std::u16string> names;
        Rational constant = 0;
        skipBlanks();
        int sign = takeSign(false);
        while (true) {
            skipBlanks();
            if (isNameStart()) {
                coefficients.push_back(sign);
                names.push_back(toUtf16(takeName()));
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
                    coefficients.push_back(static_cast<std::int32_t>(coefficient));
                    names.push_back(toUtf16(takeName()));
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
        ObjectArray constantObject =
            makeRationalObject(toUtf16(boost::multiprecision::numerator(constant).str()),
                               toUtf16(boost::multiprecision::denominator(constant).str()));
        return makeLinearFormObject(coefficients, names, constantObject);
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

ObjectArray linearFormObject(const json& value, const std::string& path) {
    if (value.is_string()) return FormText(value.get_ref<const std::string&>(), path).parse();
    if (!value.is_object()) misfit(path, FormExpected, value);
    allowOnly(value, path, {"VarConstants", "Vars", "Constant"});

    constexpr const char* integersExpected = "an array of integers";
    const json& constants = member(value, path, "VarConstants", integersExpected);
    if (!constants.is_array()) misfit(path + ".VarConstants", integersExpected, constants);
    std::vector<std::int32_t> coefficients;
    for (std::size_t i = 0; i < constants.size(); ++i) {
        const json& coefficient = constants[i];
        const bool fits = coefficient.is_number_integer() &&
                          (coefficient.is_number_unsigned()
                               ? coefficient.get<std::uint64_t>() <= std::numeric_limits<std::int32_t>::max()
                               : coefficient.get<std::int64_t>() >= std::numeric_limits<std::int32_t>::min() &&
                                     coefficient.get<std::int64_t>() <= std::numeric_limits<std::int32_t>::max());
        if (!fits) misfit(at(path + ".VarConstants", i), "an integer from -2147483648 to 2147483647", coefficient);
        coefficients.push_back(coefficient.get<std::int32_t>());
    }

    constexpr const char* namesExpected = "an array of strings";
    const json& vars = member(value, path, "Vars", namesExpected);
    if (!vars.is_array()) misfit(path + ".Vars", namesExpected, vars);
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < vars.size(); ++i) {
        if (!vars[i].is_string()) misfit(at(path + ".Vars", i), "a string", vars[i]);
        names.push_back(toUtf16(vars[i].get<std::string>()));
    }

    ObjectArray constant = rationalObject(member(value, path, "Constant", RationalExpected), path + ".Constant");
    return makeLinearFormObject(coefficients, names, constant);
}

ObjectArray distributionFromText(const std::string& text, const std::string& path) {
    static const std::regex shorthand(R"(\s*(Exp|Deg|Uni)\s*\(([^()]*)\)\s*)");
    std::smatch parts;
    if (!std::regex_match(text, parts, shorthand)) misfit(path, DistributionExpected, json(text));
    std::vector<ObjectArray> parameters;
    const std::string list = parts[2].str();
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string parameter = trimmed(std::string_view(list).substr(start, comma - start));
        if (parameter.empty()) misfit(path, DistributionExpected, json(text));
        parameters.push_back(rationalFromText(parameter));
        if (comma == list.size()) break;
        start = comma + 1;
    }
    return makeDistributionObject(parts[1].str(), parameters, true);
}

ObjectArray distributionObject(const json& value, const std::string& path) {
    if (value.is_string()) return distributionFromText(value.get<std::string>(), path);
    if (!value.is_object()) misfit(path, DistributionExpected, value);
    allowOnly(value, path, {"DistributionType", "RationalParameters", "Symbolic"});

    constexpr const char* typeExpected = "\"Exp\", \"Deg\" or \"Uni\"";
    const json& type = member(value, path, "DistributionType", typeExpected);
    if (type != "Exp" && type != "Deg" && type != "Uni") misfit(path + ".DistributionType", typeExpected, type);

    constexpr const char* parametersExpected = "an array of rationals";
    const json& list = member(value, path, "RationalParameters", parametersExpected);
    if (!list.is_array()) misfit(path + ".RationalParameters", parametersExpected, list);
    std::vector<ObjectArray> parameters;
    for (std::size_t i = 0; i < list.size(); ++i)
        parameters.push_back(rationalObject(list[i], at(path + ".RationalParameters", i)));

    constexpr const char* symbolicExpected = "true or false";
    const json& symbolic = member(value, path, "Symbolic", symbolicExpected);
    if (!symbolic.is_boolean()) misfit(path + ".Symbolic", symbolicExpected, symbolic);
    return makeDistributionObject(type.get<std::string>(), parameters, symbolic.get<bool>());
}

Object integralObject(const json& value, const std::string& path) {
    if (!value.is_object()) misfit(path, IntegralExpected, value);
    allowOnly(value, path, {"Distribution", "Vars", "Var", "A", "B"});
    ObjectArray distribution =
        distributionObject(member(value, path, "Distribution", DistributionExpected), path + ".Distribution");
    ObjectArray argument = linearFormObject(member(value, path, "Vars", FormExpected), path + ".Vars");
    const json& variable = member(value, path, "Var", "a string");
    if (!variable.is_string()) misfit(path + ".Var", "a string", variable);
    ObjectArray lower = linearFormObject(member(value, path, "A", FormExpected), path + ".A");
    ObjectArray upper = linearFormObject(member(value, path, "B", FormExpected), path + ".B");
    return makeExpolyIntegral(distribution, argument, toUtf16(variable.get<std::string>()), lower, upper);
}

ObjectArray integralArray(const json& document, const char* key) {
    std::vector<Object> integrals;
    if (auto found = document.find(key); found != document.end()) {
        if (!found->is_array()) misfit(key, "an array of integral objects", *found);
        for (std::size_t i = 0; i < found->size(); ++i) integrals.push_back(integralObject((*found)[i], at(key, i)));
    }
    return makeExpolyIntegralArray(std::move(integrals));
}

// A parser message on one line, without the library's prefix.
std::string jsonMessage(const json::parse_error& error) {
    std::string message = error.what();
    if (auto end = message.find("] "); message.rfind("[json.exception.", 0) == 0 && end != std::string::npos)
        message.erase(0, end + 2);
    for (char& c : message)
        if (std::iscntrl(static_cast<unsigned char>(c))) c = ' ';
    return "Invalid JSON: " + message;
}

std::string readAll(std::istream& in) { return std::string(std::istreambuf_iterator<char>(in), {}); }

int runInt(const std::string& path) {
    std::string text;
    if (path == "-") {
        text = readAll(std::cin);
    } else {
        std::error_code error;
        std::ifstream in;
        if (!std::filesystem::is_directory(path, error)) in.open(path, std::ios::binary);
        if (!in.is_open()) return reportFailure("Path to JSON file is invalid");
        text = readAll(in);
    }
    try {
        const json document = json::parse(text);
        if (!document.is_object())
            misfit("top level", "an object {\"proper\": [...], \"improper\": [...]}", document);
        allowOnly(document, "", {"proper", "improper"});
        std::vector<Array> inputs{integralArray(document, "proper"), integralArray(document, "improper")};

        LoadedModule drovaint(LoadedModule::defaultPath("Drovaint"));
        const std::vector<Array> outputs = drovaint.call(1, std::move(inputs));
        std::cout << std::string(StringArray(outputs.at(0))[0]) << '\n';
    } catch (const json::parse_error& e) {
        return reportFailure(jsonMessage(e));
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

}  // namespace

RegisteredCommand addIntCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand("int", "Evaluate a nested integral of distribution densities with Drovaint");
    auto path = std::make_shared<std::string>();
    sub->add_option("FILE", *path, "JSON description of the ExpolyIntegral objects, or - for standard input")
        ->required();
    return {sub, [path] { return runInt(*path); }};
}
