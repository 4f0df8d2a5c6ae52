#pragma once
// A gateway's traffic with its host through the classic interface: calls of host functions,
// the ending of a call with a host error, the outputs, and the engine that the object-based
// modules call.
//
// A host error raised in a host function must never cross the module's own frames, so every
// call into the host traps its errors (callOctave), and a failure ends the call only once the
// module's work is over and nothing made for the call is alive (runGatewayCall).

#include "octave/gateway/OctaveValues.hpp"

#include "host/MatlabData.hpp"
#include "host/MatlabEngine.hpp"

#include "mex.h"

#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace drova::gateway {

struct OctaveArrayDeleter {
    void operator()(mxArray* value) const { mxDestroyArray(value); }
};
// A host array this gateway owns.
using OctaveArray = std::unique_ptr<mxArray, OctaveArrayDeleter>;

// Calls the host function `function` with nargout results. An error in it comes back as
// matlab::engine::MATLABException with the error's identifier and message.
std::vector<OctaveArray> callOctave(const char* function, int nargout, const std::vector<const mxArray*>& args);

// Ends the current call with a host error carrying exactly this message and identifier
// (none when empty).
[[noreturn]] void raiseOctaveError(const std::string& identifier, const std::string& message);

// Ends the current call with the failure as a host error: its message exactly, with its
// identifier where it has one. An error of the host itself goes on unchanged.
[[noreturn]] void raiseFailure(std::exception_ptr failure);

// Runs the body of a gateway's call; a failure in it ends the call once the body's objects
// are gone.
template <class Body>
void runGatewayCall(Body&& body) {
    std::exception_ptr failure;
    try {
        body();
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) raiseFailure(std::move(failure));
}

// Puts a module's results into the output slots. There is always room for one, which a call
// without requested outputs shows as ans.
void writeOutputs(const std::vector<matlab::data::Array>& outputs, int nlhs, mxArray* plhs[]);

// The engine of an object-based module inside the host: numden and string on the host's
// symbolic values call the host's numden and char; every other call is the stand-in engine's.
class OctaveEngine {
public:
    OctaveEngine();
    const std::shared_ptr<matlab::engine::MATLABEngine>& engine() const { return engine_; }

    // While a Use lives, the engine reaches the symbolic values among `values`.
    class Use {
    public:
        Use(OctaveEngine& engine, OctaveValues& values) : engine_(engine) { engine_.values_ = &values; }
        ~Use() { engine_.values_ = nullptr; }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

    private:
        OctaveEngine& engine_;
    };

private:
    std::vector<matlab::data::Array> numden(std::size_t nlhs, const std::vector<matlab::data::Array>& args);
    std::vector<matlab::data::Array> string(std::size_t nlhs, const std::vector<matlab::data::Array>& args);

    std::shared_ptr<matlab::engine::MATLABEngine> engine_;
    matlab::engine::MATLABEngine standard_;
    OctaveValues* values_ = nullptr;
};

}  // namespace drova::gateway
