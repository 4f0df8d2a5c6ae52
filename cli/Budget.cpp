#include "cli/Budget.hpp"

#include "algebra/TermLimit.hpp"

#include <cmath>
#include <cstdlib>
#include <string>

namespace drova::cli {

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
               char* end = nullptr;
               const double seconds = std::strtod(text.c_str(), &end);
               if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0)
                   throw CLI::ValidationError("--max-time", "give a positive number of seconds, not \"" + text + "\"");
               setenv("DROVA_MAX_TIME", text.c_str(), 1);
           },
           "the most seconds the walk of the model's paths may take (default: no limit)")
        ->type_name("SECONDS");
}

void addToleranceOption(CLI::App& sub) {
    sub.add_option_function<std::string>(
           "--tolerance",
           [](const std::string& text) {
               char* end = nullptr;
               const double tolerance = std::strtod(text.c_str(), &end);
               if (text.empty() || *end != '\0' || !std::isfinite(tolerance) || tolerance <= 0)
                   throw CLI::ValidationError("--tolerance", "give a positive number, not \"" + text + "\"");
               setenv("DROVA_TOLERANCE", text.c_str(), 1);
           },
           "for a model whose paths never end in states of the SMS: the error bound to reach at the latest time "
           "(default: 1e-10)")
        ->type_name("E");
}

}  // namespace drova::cli
