#include "cli/Budget.hpp"

#include "algebra/TermLimit.hpp"

#include <cmath>
#include <cstdlib>
#include <string>

namespace drova::cli {

namespace {

// Refuses an option's value that is not a finite number above 0, saying what `expected` is.
void requirePositive(const char* option, const std::string& text, const char* expected) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value <= 0)
        throw CLI::ValidationError(option, std::string("give ") + expected + ", not \"" + text + "\"");
}

}  // namespace

void addBudgetOptions(CLI::App& sub) {
    sub.add_option_function<std::string>(
           "--max-memory",
           [](const std::string& text) {
               const std::optional<std::uint64_t> bytes = parseMemorySize(text);
               if (!bytes || *bytes == 0)
                   throw CLI::ValidationError("--max-memory", "give a size such as 512M or 2G, not \"" + text + "\"");
               setenv("DROVA_MAX_MEMORY", text.c_str(), 1);
           },
           "the most memory the walk of the model's paths may hold, such as 512M or 2G (default: a quarter of "
           "the machine's memory)")
        ->type_name("SIZE");
    sub.add_option_function<std::string>(
           "--max-time",
           [](const std::string& text) {
               requirePositive("--max-time", text, "a positive number of seconds");
               setenv("DROVA_MAX_TIME", text.c_str(), 1);
           },
           "the most seconds the walk of the model's paths may take (default: no limit)")
        ->type_name("SECONDS");
}

void addToleranceOption(CLI::App& sub) {
    sub.add_option_function<std::string>(
           "--tolerance",
           [](const std::string& text) {
               requirePositive("--tolerance", text, "a positive number");
               setenv("DROVA_TOLERANCE", text.c_str(), 1);
           },
           "for a model whose paths never end in states of the SMS: the error bound to reach at the latest time "
           "(default: 1e-10)")
        ->type_name("E");
}

}  // namespace drova::cli
