// A module for the host's tests whose object cannot be created.

#include "host/MexFunction.hpp"

using namespace drova;

class MexFunction : public matlab::mex::Function {
public:
    MexFunction() { throw matlab::engine::MATLABException("Drova:test:broken", "This module cannot start"); }
    void operator()(matlab::mex::ArgumentList, matlab::mex::ArgumentList) override {}
};

DROVA_MEX_ENTRIES(MexFunction)
