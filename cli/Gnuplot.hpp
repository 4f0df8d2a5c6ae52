#pragma once
// Drawing with gnuplot: the program is found on the PATH and run without a shell, with the script
// (data inline) written to its standard input.

#include <filesystem>
#include <optional>
#include <string>

namespace drova::cli {

// The gnuplot program on the PATH; none when there is none.
std::optional<std::filesystem::path> findGnuplot();

// The message for a machine without gnuplot.
std::string gnuplotMissingMessage();

// Runs gnuplot on the script; std::runtime_error with gnuplot's own message when it fails.
void runGnuplot(const std::filesystem::path& gnuplot, const std::string& script);

// The text as a gnuplot string in single quotes (in which only the quote itself is special).
std::string gnuplotString(const std::string& text);

}  // namespace drova::cli
