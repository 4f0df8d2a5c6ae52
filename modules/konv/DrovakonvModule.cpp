// The exports of the Drovakonv module.

#include "modules/konv/MexFunction.hpp"

DROVA_MEX_ENTRIES(drova::konv::MexFunction)
