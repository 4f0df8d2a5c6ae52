#include "host/MatlabEngine.hpp"

#include "host/data/ArrayData.hpp"
#include "host/Sym.hpp"

#include <iostream>
#include <mutex>
#include <optional>
#include <set>

namespace matlab::engine {

MATLABException::MATLABException(std::string identifier, std::string message)
    : Exception(message), identifier_(std::move(identifier)), message_(std::move(message)) {}
MATLABException::~MATLABException() = default;

namespace {

using data::Array;
using data::ArrayType;
using drova::Rational;
using drova::toAsciiText;
using drova::toUtf16Text;
using Arrays = std::vector<Array>;

[[noreturn]] void raise(std::string identifier, std::string message) {
    throw MATLABException(std::move(identifier), std::move(message));
}

void requireArgumentCount(const Arrays& args, std::size_t least, std::size_t most) {
    if (args.size() < least) raise("MATLAB:minrhs", "Not enough input arguments.");
    if (args.size() > most) raise("MATLAB:TooManyInputs", "Too many input arguments.");
}

// The text of a character row or a string scalar; nothing for any other value.
std::optional<std::string> textOf(const Array& value) {
    if (value.getType() == ArrayType::CHAR && value.getDimensions().size() == 2 && value.getDimensions()[0] <= 1)
        return data::CharArray(value).toAscii();
    if (value.getType() == ArrayType::MATLAB_STRING && value.getNumberOfElements() == 1)
        return std::string(data::StringArray(value)[0]);
    return std::nullopt;
}

bool isOfClass(const Array& value, std::string_view typeName) {
    const std::string& name = value.getClassName();
    bool integer = name == "int32" || name == "int64";
    return name == typeName || (typeName == "float" && name == "double") || (typeName == "integer" && integer) ||
           (typeName == "numeric" && (integer || name == "double"));
}

Arrays isa(std::size_t, const Arrays& args) {
    requireArgumentCount(args, 2, 2);
    std::optional<std::string> typeName = textOf(args[1]);
    if (!typeName) raise("MATLAB:isa:InvalidClassName", "Class name must be a character vector or string scalar.");
    return {data::ArrayFactory().createScalar(isOfClass(args[0], *typeName))};
}

Arrays error(std::size_t, const Arrays& args) {
    requireArgumentCount(args, 1, 2);
    std::optional<std::string> message = textOf(args.back());
    std::optional<std::string> identifier = args.size() == 2 ? textOf(args[0]) : std::string();
    if (!message || !identifier)
        raise("MATLAB:error:InvalidInput", "The error message and identifier must be character vectors or string scalars.");
    if (message->empty()) return {};  // error('') raises nothing
    raise(std::move(*identifier), std::move(*message));
}

// warning(msg), warning(id, msg) or warning(id, "%s", msg): "Warning: msg" on standard error, as
// MATLAB shows it in the command window. A message already shown in this process is not shown
// again: a command that calls a module several times on one model warns once.
Arrays warning(std::size_t, const Arrays& args) {
    requireArgumentCount(args, 1, 3);
    std::vector<std::string> texts;
    for (const Array& arg : args) {
        std::optional<std::string> text = textOf(arg);
        if (!text) raise("MATLAB:warning:InvalidInput", "The warning message and identifier must be character vectors or string scalars.");
        texts.push_back(std::move(*text));
    }
    std::string message = texts.back();
    if (texts.size() == 3 && texts[1] != "%s")
        raise("MATLAB:warning:InvalidInput", "Only the format \"%s\" is supported with a warning's arguments.");
    if (message.empty()) return {};
    static std::mutex guard;
    static std::set<std::string> shown;
    const std::lock_guard<std::mutex> lock(guard);
    if (shown.insert(message).second) std::cerr << "Warning: " << message << std::endl;
    return {};
}

const data::detail::Elements<Rational>& symbolicArgument(const char* function, const Arrays& args) {
    requireArgumentCount(args, 1, 1);
    if (args[0].getType() != ArrayType::SYM)
        raise("MATLAB:UndefinedFunction", std::string("Undefined function '") + function +
                                              "' for input arguments of type '" + args[0].getClassName() + "'.");
    return data::detail::ArrayAccess::elements<Rational>(args[0]);
}

Arrays numden(std::size_t, const Arrays& args) {
    const auto& values = symbolicArgument("numden", args);
    std::vector<Rational> numerators, denominators;
    for (const Rational& value : values) {
        numerators.emplace_back(drova::numeratorOf(value));
        denominators.emplace_back(drova::denominatorOf(value));
    }
    return {drova::createSymArray(args[0].getDimensions(), std::move(numerators)),
            drova::createSymArray(args[0].getDimensions(), std::move(denominators))};
}

// The symbolic engine's text of a rational: "3", "-3/4".
std::u16string symbolicText(const Rational& value) {
    std::string text = drova::numeratorOf(value).str();
    if (drova::denominatorOf(value) != 1) {
        text += '/';
        text += drova::denominatorOf(value).str();
    }
    return toUtf16Text(text);
}

Arrays string(std::size_t, const Arrays& args) {
    requireArgumentCount(args, 1, 1);
    const Array& value = args[0];
    data::ArrayFactory factory;
    if (value.getType() == ArrayType::SYM) {
        std::vector<data::MATLABString> texts;
        for (const Rational& element : data::detail::ArrayAccess::elements<Rational>(value))
            texts.emplace_back(symbolicText(element));
        return {factory.createArray(value.getDimensions(), std::move(texts))};
    }
    if (value.getType() == ArrayType::MATLAB_STRING) return {value};
    if (value.getType() == ArrayType::CHAR && value.getDimensions().size() == 2 && value.getDimensions()[0] <= 1)
        return {factory.createScalar(data::CharArray(value).toUTF16())};
    raise("MATLAB:string:UnsupportedConversion",
          "Conversion to string from " + value.getClassName() + " is not possible.");
}

}  // namespace

MATLABEngine::MATLABEngine() {
    define("isa", isa);
    define("error", error);
    define("warning", warning);
    define("numden", numden);
    define("string", string);
}

MATLABEngine::~MATLABEngine() = default;

void MATLABEngine::define(std::string name, Callable function) { functions_[std::move(name)] = std::move(function); }

std::vector<data::Array> MATLABEngine::feval(const std::string& function, int nlhs,
                                             const std::vector<data::Array>& args) {
    auto found = functions_.find(function);
    if (found == functions_.end()) {
        if (args.empty()) raise("MATLAB:UndefinedFunction", "Unrecognized function or variable '" + function + "'.");
        raise("MATLAB:UndefinedFunction", "Undefined function '" + function + "' for input arguments of type '" +
                                              args[0].getClassName() + "'.");
    }
    std::size_t wanted = nlhs > 0 ? static_cast<std::size_t>(nlhs) : 0;
    std::vector<data::Array> results = found->second(wanted, args);
    if (results.size() < wanted) raise("MATLAB:TooManyOutputs", "Too many output arguments.");
    results.resize(wanted);
    return results;
}

std::vector<data::Array> MATLABEngine::feval(const String& function, int nlhs, const std::vector<data::Array>& args) {
    return feval(toAsciiText(function), nlhs, args);
}

data::Array MATLABEngine::feval(const std::string& function, const std::vector<data::Array>& args) {
    return feval(function, 1, args).front();
}

data::Array MATLABEngine::feval(const String& function, const std::vector<data::Array>& args) {
    return feval(toAsciiText(function), args);
}

data::Array MATLABEngine::feval(const std::string& function, const data::Array& arg) {
    return feval(function, std::vector<data::Array>{arg});
}

data::Array MATLABEngine::feval(const String& function, const data::Array& arg) {
    return feval(toAsciiText(function), arg);
}

data::Array MATLABEngine::getProperty(const data::Array& objectArray, std::size_t index,
                                      const std::string& propertyName) {
    const data::Array* property = nullptr;
    if (objectArray.getType() == ArrayType::OBJECT)
        property = data::detail::ArrayAccess::element<data::Object>(objectArray, index).findProperty(propertyName);
    if (!property)
        raise("MATLAB:noSuchMethodOrField",
              "Unrecognized property '" + propertyName + "' for class '" + objectArray.getClassName() + "'.");
    return *property;
}

data::Array MATLABEngine::getProperty(const data::Array& objectArray, std::size_t index, const String& propertyName) {
    return getProperty(objectArray, index, toAsciiText(propertyName));
}

data::Array MATLABEngine::getProperty(const data::Array& objectArray, const std::string& propertyName) {
    return getProperty(objectArray, 0, propertyName);
}

data::Array MATLABEngine::getProperty(const data::Array& objectArray, const String& propertyName) {
    return getProperty(objectArray, 0, toAsciiText(propertyName));
}

}  // namespace matlab::engine
