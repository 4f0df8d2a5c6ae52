#pragma once
// The Drovaint arguments that a JSON integral description (formats/IntegralJson.hpp) stands for:
// its two arrays of ExpolyIntegral objects as a MATLAB caller holds them, with every value the
// document gave of another type than expected passed on as the host value of its own type, so
// that the module judges it as it would a MATLAB caller's.

#include "formats/IntegralJson.hpp"
#include "host/MatlabData.hpp"

#include <vector>

namespace drova::integrate {

// {proper, improper}: the module's first two inputs.
std::vector<matlab::data::Array> integralCallInputs(const IntegralCallDescription& call);

}  // namespace drova::integrate
