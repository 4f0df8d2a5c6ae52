#pragma once
// "Did you mean" for a misspelt subcommand or option of drova.

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace drova::cli {

// A line such as `Did you mean "check"?` for the first word of the command line that names no
// subcommand, or no option of the subcommand given; empty when there is nothing to suggest.
std::string didYouMean(const CLI::App& app, const std::vector<std::string>& args);

}  // namespace drova::cli
