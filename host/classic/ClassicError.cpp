#include "host/classic/ClassicError.hpp"

#include <iostream>
#include <map>
#include <utility>

namespace drova {

namespace {

// The host's message catalogue: identifier -> text with numbered parameter slots.
const std::map<std::string_view, std::string_view>& catalogue() {
    static const std::map<std::string_view, std::string_view> texts = {
        // Call protocol.
        {"EMLRT:runTime:WrongNumberOfInputs", "Wrong number of inputs: {2} takes {1} inputs."},
        {"EMLRT:runTime:TooManyOutputArguments", "Too many output arguments: {1} returns one value."},
        // Run-time checks.
        {ClassicIndexErrorId, "Index {1} is out of bounds for {4}: the valid range is {2} to {3}."},
        {ClassicNonNegativeErrorId, "The size {1} must not be negative."},
        {ClassicIntegerErrorId, "The value {1} must be an integer."},
        {ClassicAssignmentSizeErrorId, "Assignment size mismatch: {1} element(s) expected, {2} given."},
        {ClassicOutOfMemoryErrorId, "Out of memory."},
        {ClassicInterruptErrorId, "Operation interrupted by the user."},
        {ClassicStackErrorId, "The run-time stack of {1} was left more often than entered."},
        // Checks of input values, naming the value's path.
        {ClassicClassErrorId, "{1} must be of class {2}, not {3}."},
        {ClassicComplexErrorId, "{1} must be real, not complex."},
        {ClassicSizeErrorId, "{1} must be of size {2}, not {3}."},
        {ClassicFieldsErrorId, "{1} must be a structure with exactly the fields {2}; it has the fields {3}."},
        {ClassicEnumerationErrorId,
         "{1} must be a member of the enumeration {2} with exactly the members {3}; the class has {4}."},
        {"EMLRT:runTime:NonAsciiCharacter", "{1} may only contain ASCII characters."},
        {"EMLRT:runTime:MissingString", "{1} must not be a missing string."},
        {"EMLRT:runTime:MissingProperty", "An object of class {2} has no property {1}."},
        // Errors and warnings raised by the simulator module.
        {"Coder:toolbox:eml_min_or_max_varDimZero",
         "The largest timer value of an empty list is undefined: a transition must wait for at least one timer."},
        {"Coder:FE:PotentialVectorVector",
         "No destination was chosen: the probability of the transition's only destination does not exceed the "
         "random number drawn."},
        {"Coder:toolbox:FindVectorOrientationMismatch",
         "The destination probabilities of a transition sum to no more than the random number drawn."},
        {"MATLAB:legacy_two_part:needMoreRhsOutputs", "No destination was chosen for the transition."},
        {"MATLAB:dimagree", "An exponential distribution takes exactly one parameter."},
    };
    return texts;
}

void defaultWarningHandler(const std::string&, const std::string& message) {
    std::cerr << "Warning: " << message << '\n';
}

ClassicWarningHandler& warningHandler() {
    static ClassicWarningHandler handler = defaultWarningHandler;
    return handler;
}

}  // namespace

ClassicError::ClassicError(std::string identifier, std::vector<std::string> parameters)
    : std::runtime_error(classicMessageText(identifier, parameters)),
      identifier_(std::move(identifier)),
      parameters_(std::move(parameters)) {}

std::string classicMessageText(std::string_view identifier, const std::vector<std::string>& parameters) {
    auto found = catalogue().find(identifier);
    if (found == catalogue().end()) {
        std::string text = "Error ";
        text += identifier;
        for (std::size_t i = 0; i < parameters.size(); ++i) text += (i == 0 ? ": " : ", ") + parameters[i];
        text += '.';
        return text;
    }
    std::string_view pattern = found->second;
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{') {
            auto close = pattern.find('}', i);
            std::size_t slot = std::stoul(std::string(pattern.substr(i + 1, close - i - 1)));
            if (slot >= 1 && slot <= parameters.size()) text += parameters[slot - 1];
            i = close;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

void classicRaise(std::string_view identifier, std::vector<std::string> parameters) {
    throw ClassicError(std::string(identifier), std::move(parameters));
}

void classicWarn(std::string_view identifier, std::vector<std::string> parameters) {
    std::string id(identifier);
    warningHandler()(id, classicMessageText(id, parameters));
}

ClassicWarningHandler setClassicWarningHandler(ClassicWarningHandler handler) {
    ClassicWarningHandler previous = std::move(warningHandler());
    warningHandler() = handler ? std::move(handler) : ClassicWarningHandler(defaultWarningHandler);
    return previous;
}

}  // namespace drova
