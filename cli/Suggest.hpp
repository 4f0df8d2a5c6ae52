#pragma once
// "Did you mean" for a misspelt subcommand or option of drova.

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace drova::cli {

// The closest name among `names` to the misspelt `word`, when one is close enough to be what was
// meant (a few letters left out, added, changed or swapped); empty otherwise.
std::string closestName(const std::string& word, const std::vector<std::string>& names);

// A line such as `Did you mean "check"?` for the first word of the command line that names no
// subcommand, or no option of the subcommand given; empty when there is nothing to suggest.
std::string didYouMean(const CLI::App& app, const std::vector<std::string>& args);

}  // namespace drova::cli
