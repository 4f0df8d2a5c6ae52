// The gateway of Drovakonv:
//
//     r = Drovakonv(path, transitions, destinations)              % the expression of one path
//     r = Drovakonv(path, timeBound, threshold, collectTruncated) % the SMS kernel matrix
//
// The path is a character row; transitions and destinations int64 rows; the time bound a sym
// of the symbolic package. Octave cannot hand a sym to an extension, so @sym/Drovakonv wraps it
// in a DrovaSym first; the module's numden and string on it run in Octave's symbolic package.
// The result is a character row of symbolic-math text.

#include "octave/gateway/OctaveObjectModule.hpp"

#include "modules/konv/MexFunction.hpp"

namespace {

using namespace drova::gateway;
using drova::konv::MexFunction;

const OctaveValues::Rules rules;
ObjectModuleGateway<MexFunction> gateway("Drovakonv", rules);

void unload() { gateway.unload(); }

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    mexAtExit(unload);
    gateway.call(nlhs, plhs, nrhs, prhs);
}
