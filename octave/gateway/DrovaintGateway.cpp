// The gateway of Drovaint:  r = Drovaint(proper, improper)
//
// Both arguments are arrays of ExpolyIntegral objects, as in MATLAB. Octave cannot concatenate
// objects, so a cell array of them serves as well ({} for none), and so for RationalParameters;
// a distribution's DistributionType may be the name of a member of ExpolyDistributionType or its
// value (Deg 1, Exp 2, Uni 3, as in DistType). The result is a character row of symbolic-math text.

#include "octave/gateway/OctaveObjectModule.hpp"

#include "modules/int/ExpolyIntegralObjects.hpp"
#include "modules/int/MexFunction.hpp"

namespace {

using namespace drova::gateway;
using namespace drova::integrate;

class DrovaintRules : public OctaveValues::Rules {
public:
    std::optional<matlab::data::Array> read(OctaveValues& values, const mxArray* value,
                                            const ValuePlace& place) const override {
        if (place.kind == ValuePlace::Kind::Argument)
            return OctaveValues::readEmptyCellAsObjects(value, ExpolyIntegralClass);
        if (place.kind != ValuePlace::Kind::Property) return std::nullopt;
        if (place.name == "RationalParameters") return OctaveValues::readEmptyCellAsObjects(value, ExpolyRationalClass);
        // Any name is taken, so that the module itself judges a member it does not support.
        if (place.name == "DistributionType") return values.readEnumeration(value, expolyDistributionType(), true);
        return std::nullopt;
    }
};

const DrovaintRules rules;
ObjectModuleGateway<MexFunction> gateway("Drovaint", rules);

void unload() { gateway.unload(); }

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    mexAtExit(unload);
    gateway.call(nlhs, plhs, nrhs, prhs);
}
