// The exports of the Drovakonv module.

#include "convert/MexFunction.hpp"

DROVA_MEX_ENTRIES(MexFunction)
