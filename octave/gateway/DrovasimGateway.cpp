// The gateway of Drovasim:  times = Drovasim(simulations, analysisTime, gsms)
//
// Drovasim's own classic entry runs over the host's classic view of the arguments, inside the
// host's call wrapper, exactly as a loaded module runs. In gsms, names may be character rows,
// and the type of a distribution the name of a member of DistType ('Exp', or DistType.Exp) or
// its value (Deg 1, Exp 2, Uni 3, Lognormal 4). The result is a double row.
//
// Random numbers come from the host's generator, MATLAB's default stream, which starts from
// seed 0 whenever the gateway is loaded (after `clear Drovasim` too). Ctrl-C during a call
// ends it with the module's interrupt error.

#include "octave/gateway/OctaveHost.hpp"
#include "octave/gateway/OctaveValues.hpp"

#include "modules/sim/GsmsStructure.hpp"

#include "host/classic/ClassicError.hpp"
#include "host/classic/ClassicModule.hpp"
#include "host/classic/ClassicRandom.hpp"
#include "host/classic/ClassicRuntime.hpp"
#include "host/classic/InterruptForwarding.hpp"

#include <chrono>
#include <csignal>
#include <stop_token>
#include <thread>

// Drovasim's classic entry, renamed in this build (octave/CMakeLists.txt) so that the
// gateway's entry is the file's only mexFunction.
extern "C" void drovasimMexFunction(int nlhs, drova::ClassicArray* plhs[], int nrhs,
                                    const drova::ClassicArray* prhs[]);

namespace {

using namespace drova;
using namespace drova::gateway;
namespace md = matlab::data;

class DrovasimRules : public OctaveValues::Rules {
public:
    std::optional<md::Array> read(OctaveValues& values, const mxArray* value, const ValuePlace& place) const override {
        // Only members: any other name is left a string, which the module refuses as a DistType.
        if (place.kind == ValuePlace::Kind::Field && place.path == "gsms.Distributions.type")
            return values.readEnumeration(value, sim::distTypeClass(), false);
        return std::nullopt;
    }
};

const DrovasimRules rules;

// Octave takes Ctrl-C in a thread of its own, which waits for the signal rather than letting a
// handler run, and marks the request in these. Weak: other hosts have no such variables.
extern "C" {
extern __attribute__((weak)) sig_atomic_t octave_interrupt_state;
extern __attribute__((weak)) volatile sig_atomic_t octave_signal_caught;
}

// While it lives, Ctrl-C asks the host's run time to interrupt the module's call: through a
// handler of SIGINT, and in Octave by taking over the requests that its own thread marks.
class OctaveInterruptForwarding {
public:
    OctaveInterruptForwarding() {
        if (&octave_interrupt_state != nullptr) watcher_ = std::jthread(takeOverOctaveRequests);
    }
    ~OctaveInterruptForwarding() {
        watcher_ = {};  // stops and joins the watcher before SIGINT's handling is given back
    }
    OctaveInterruptForwarding(const OctaveInterruptForwarding&) = delete;
    OctaveInterruptForwarding& operator=(const OctaveInterruptForwarding&) = delete;

private:
    // The module's interrupt error answers the request, so Octave's mark is cleared.
    static void takeOverOctaveRequests(std::stop_token stop) {
        while (!stop.stop_requested()) {
            if (octave_interrupt_state > 0) {
                octave_interrupt_state = 0;
                octave_signal_caught = 0;
                classicRequestInterrupt();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    InterruptForwarding signals_;
    std::jthread watcher_;
};

// Runs the module's at-exit hook when the host clears the gateway.
void unload() {
    try {
        classicRunAtExit();
    } catch (...) {
        classicAbortCall();  // an error in the last clean-up has no caller to go to
    }
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    static const bool loaded = [] {
        classicSeedGenerator(0);
        return true;
    }();
    static_cast<void>(loaded);
    mexAtExit(unload);
    runGatewayCall([&] {
        OctaveValues values(rules);
        const std::vector<md::Array> inputs = values.readArguments(nrhs, prhs, {"simulations", "analysisTime", "gsms"});
        std::vector<md::Array> outputs;
        try {
            const OctaveInterruptForwarding interrupts;
            outputs = classicCallMexFunction(drovasimMexFunction, static_cast<std::size_t>(std::max(nlhs, 0)), inputs,
                                             "Drovasim");
        } catch (const ClassicError& e) {
            throw GatewayError(e.identifier(), e.what());
        }
        writeOutputs(outputs, nlhs, plhs);
    });
}
