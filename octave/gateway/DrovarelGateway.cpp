// The gateway of Drovarel:
//
//     [F, mttf, neverFails, R, mttfGivenFailure, bound] = Drovarel(path, times [, "reliability" [, from]])
//     [A, steady, P, steadyStates, names, bound]        = Drovarel(path, times, "availability" [, from])
//     [K, names, timeScale]                       = Drovarel(path, times, "kernel")
//
// The path, the measure and the starting state are character rows; the times a double row. The
// names come back as a cell column of character rows.

#include "octave/gateway/OctaveObjectModule.hpp"

#include "modules/rel/MexFunction.hpp"

namespace {

using namespace drova::gateway;
using drova::rel::MexFunction;

const OctaveValues::Rules rules;
ObjectModuleGateway<MexFunction> gateway("Drovarel", rules);

void unload() { gateway.unload(); }

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    mexAtExit(unload);
    gateway.call(nlhs, plhs, nrhs, prhs);
}
