// The exports of the Drovaint module: the three entries of the object-based interface, through
// which the host creates, calls and destroys the one MexFunction, and the classic entry.

#include "modules/int/MexFunction.hpp"

DROVA_MEX_ENTRIES(drova::integrate::MexFunction)

// MATLAB's classic entry point, exported as well. MATLAB calls the object-based entries of this
// module, so the classic one returns at once and touches nothing.
struct mxArray_tag;
DROVA_MEX_EXPORT void mexFunction(int, mxArray_tag**, int, const mxArray_tag**) {}
