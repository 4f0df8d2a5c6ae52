#pragma once
// Errors and warnings of the classic extension run time.
//
// An error ends the current call of the module: it never returns to the code
// that raised it, but travels as a ClassicError to the host's call site
// (classicCall), which frees the call's registered memory and reports it.
// Every error carries a message identifier and the identifier's parameters;
// the message text comes from the host's catalogue and contains every
// parameter.

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace drova {

class ClassicError : public std::runtime_error {
public:
    ClassicError(std::string identifier, std::vector<std::string> parameters);

    const std::string& identifier() const noexcept { return identifier_; }
    const std::vector<std::string>& parameters() const noexcept { return parameters_; }

private:
    std::string identifier_;
    std::vector<std::string> parameters_;
};

// Identifiers of the errors the run time raises itself.
inline constexpr std::string_view ClassicIndexErrorId = "EMLRT:runTime:IndexOutOfBounds";
inline constexpr std::string_view ClassicNonNegativeErrorId = "EMLRT:runTime:NonNegativeCheck";
inline constexpr std::string_view ClassicIntegerErrorId = "EMLRT:runTime:IntegerCheck";
inline constexpr std::string_view ClassicAssignmentSizeErrorId = "EMLRT:runTime:AssignmentSizeMismatch";
inline constexpr std::string_view ClassicOutOfMemoryErrorId = "EMLRT:runTime:OutOfMemory";
inline constexpr std::string_view ClassicInterruptErrorId = "EMLRT:runTime:UserInterrupt";
inline constexpr std::string_view ClassicClassErrorId = "EMLRT:runTime:ClassMismatch";
inline constexpr std::string_view ClassicComplexErrorId = "EMLRT:runTime:ComplexMismatch";
inline constexpr std::string_view ClassicSizeErrorId = "EMLRT:runTime:SizeMismatch";
inline constexpr std::string_view ClassicFieldsErrorId = "EMLRT:runTime:FieldNamesMismatch";
inline constexpr std::string_view ClassicEnumerationErrorId = "EMLRT:runTime:EnumerationMismatch";
inline constexpr std::string_view ClassicStackErrorId = "EMLRT:runTime:StackMismatch";

// The catalogue text for an identifier, with {1}, {2}, ... replaced by the
// parameters. An identifier the catalogue does not know gives a text that
// names the identifier and lists the parameters.
std::string classicMessageText(std::string_view identifier, const std::vector<std::string>& parameters);

// Ends the call with the error.
[[noreturn]] void classicRaise(std::string_view identifier, std::vector<std::string> parameters = {});

// Issues a warning: the call goes on. The host's warning handler receives the
// identifier and the catalogue text; the default handler writes
// "Warning: <text>" to standard error.
void classicWarn(std::string_view identifier, std::vector<std::string> parameters = {});

using ClassicWarningHandler = std::function<void(const std::string& identifier, const std::string& message)>;
// Installs a warning handler (an empty one restores the default); returns the previous one.
ClassicWarningHandler setClassicWarningHandler(ClassicWarningHandler handler);

}  // namespace drova
