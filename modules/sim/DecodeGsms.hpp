#pragma once
// Decoding of Drovasim's inputs from the host's values. Every check names the
// path of the value it checks (such as "gsms.States.DownState") and ends the
// call through the host when it fails.

#include "simulate/SimModel.hpp"

#include "host/classic/ClassicArray.hpp"

#include <cstdint>

namespace drova::sim {

// "simulations": a real int64 scalar.
std::int64_t decodeSimulations(const ClassicArray& value);
// "analysisTime": a real double scalar.
double decodeAnalysisTime(const ClassicArray& value);
// "gsms": a scalar structure with the fields of SimModel, decoded field by
// field in the order Name, States, Initial, Distributions, Transitions.
SimModel decodeGsms(const ClassicArray& value);

}  // namespace drova::sim
