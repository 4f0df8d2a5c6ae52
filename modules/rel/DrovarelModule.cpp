// The exports of the Drovarel module.

#include "modules/rel/MexFunction.hpp"

DROVA_MEX_ENTRIES(drova::rel::MexFunction)
