#pragma once
// --max-memory and --max-time, for the commands whose modules walk the paths of a model (konv,
// reliability, availability, plot): they set the walk's budget (algebra/TermLimit.hpp) through
// the environment, DROVA_MAX_MEMORY and DROVA_MAX_TIME, where the modules read it as they would
// in a MATLAB session.

#include <CLI/CLI.hpp>

namespace drova::cli {

void addBudgetOptions(CLI::App& sub);

// --tolerance E: the error bound that the transient measures of a model without regeneration aim
// for (DROVA_TOLERANCE, read by the Drovarel module).
void addToleranceOption(CLI::App& sub);

}  // namespace drova::cli
