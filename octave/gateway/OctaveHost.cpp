#include "octave/gateway/OctaveHost.hpp"

#include "host/LoadedModule.hpp"

#include <algorithm>
#include <new>
#include <string_view>
#include <typeinfo>

namespace drova::gateway {

namespace md = matlab::data;
using matlab::engine::MATLABException;

namespace {

// The message or identifier of a trapped error: MATLAB hands back an MException object,
// Octave a structure with the same fields.
std::string errorPart(const mxArray* error, const char* part) {
    if (mxIsStruct(error)) {
        const mxArray* field = mxGetField(error, 0, part);
        return field != nullptr && mxIsChar(field) ? octaveText(field) : std::string();
    }
    const OctaveArray property(mxGetProperty(error, 0, part));
    return property && mxIsChar(property.get()) ? octaveText(property.get()) : std::string();
}

// Octave's own errors are C++ exceptions of its class octave::execution_exception.
bool isHostError(const std::exception& e) {
    return std::string_view(typeid(e).name()).find("execution_exception") != std::string_view::npos;
}

}  // namespace

std::vector<OctaveArray> callOctave(const char* function, int nargout, const std::vector<const mxArray*>& args) {
    std::vector<mxArray*> inputs;
    for (const mxArray* arg : args) inputs.push_back(const_cast<mxArray*>(arg));  // the callee does not change them
    std::vector<mxArray*> outputs(static_cast<std::size_t>(std::max(nargout, 1)), nullptr);
    mxArray* error =
        mexCallMATLABWithTrap(nargout, outputs.data(), static_cast<int>(inputs.size()), inputs.data(), function);
    if (error != nullptr) {
        const OctaveArray owned(error);
        throw MATLABException(errorPart(error, "identifier"), errorPart(error, "message"));
    }
    std::vector<OctaveArray> results;
    for (int i = 0; i < nargout; ++i) results.emplace_back(outputs[static_cast<std::size_t>(i)]);
    return results;
}

void raiseOctaveError(const std::string& identifier, const std::string& message) {
    // error(struct('message', ..., 'identifier', ...)) keeps the message exactly as it is;
    // mexErrMsgIdAndTxt would put the function's name in front of it in Octave.
    const char* fields[] = {"message", "identifier"};
    mxArray* error = mxCreateStructMatrix(1, 1, 2, fields);
    mxSetField(error, 0, "message", mxCreateString(message.c_str()));
    mxSetField(error, 0, "identifier", mxCreateString(identifier.c_str()));
    mexCallMATLAB(0, nullptr, 1, &error, "error");
    // error() raises nothing for an empty message; the call must end all the same.
    mexErrMsgIdAndTxt(identifier.empty() ? "Drova:octave:failed" : identifier.c_str(), "%s", message.c_str());
    throw GatewayError(identifier, message);  // not reached: the host has ended the call
}

void raiseFailure(std::exception_ptr failure) {
    // The texts outlive the frames that the host's error leaves.
    static std::string identifier;
    static std::string message;
    try {
        std::rethrow_exception(failure);
    } catch (const HostError& e) {
        identifier = e.identifier();
        message = e.what();
    } catch (const MATLABException& e) {
        identifier = e.getMessageID();
        message = e.getMessageText();
    } catch (const GatewayError& e) {
        identifier = e.identifier();
        message = e.what();
    } catch (const std::exception& e) {
        if (isHostError(e)) throw;
        identifier.clear();
        message = e.what();
    }
    // Anything else is the host's own (such as its interrupt) and goes on from the catch above.
    failure = nullptr;
    raiseOctaveError(identifier, message);
}

void writeOutputs(const std::vector<md::Array>& outputs, int nlhs, mxArray* plhs[]) {
    const auto slots = static_cast<std::size_t>(std::max(nlhs, 1));
    for (std::size_t i = 0; i < outputs.size() && i < slots; ++i) plhs[i] = writeOctave(outputs[i]);
}

OctaveEngine::OctaveEngine() : engine_(std::make_shared<matlab::engine::MATLABEngine>()) {
    engine_->define("numden", [this](std::size_t nlhs, const std::vector<md::Array>& args) { return numden(nlhs, args); });
    engine_->define("string", [this](std::size_t nlhs, const std::vector<md::Array>& args) { return string(nlhs, args); });
}

std::vector<md::Array> OctaveEngine::numden(std::size_t nlhs, const std::vector<md::Array>& args) {
    const mxArray* value = values_ != nullptr && args.size() == 1 ? values_->symbolic(args[0]) : nullptr;
    if (value == nullptr) return standard_.feval("numden", static_cast<int>(nlhs), args);
    std::vector<OctaveArray> parts = callOctave("numden", 2, {value});
    std::vector<md::Array> results;
    for (OctaveArray& part : parts) results.push_back(values_->adoptSymbolic(part.release()));
    return results;
}

std::vector<md::Array> OctaveEngine::string(std::size_t nlhs, const std::vector<md::Array>& args) {
    const mxArray* value = values_ != nullptr && args.size() == 1 ? values_->symbolic(args[0]) : nullptr;
    if (value == nullptr) return standard_.feval("string", static_cast<int>(nlhs), args);
    // The host's char writes a symbolic value as string does in MATLAB; a row per element.
    const std::vector<OctaveArray> text = callOctave("char", 1, {value});
    const mxArray* rows = text.at(0).get();
    if (!mxIsChar(rows)) return standard_.feval("string", static_cast<int>(nlhs), args);
    const std::string all = octaveText(rows);
    const std::size_t count = mxGetM(rows);
    const std::size_t length = mxGetN(rows);
    std::vector<md::MATLABString> texts;
    for (std::size_t row = 0; row < count; ++row) {
        std::string line;
        for (std::size_t column = 0; column < length; ++column) line.push_back(all[row + column * count]);
        // char pads shorter rows with blanks.
        if (count > 1) line.erase(line.find_last_not_of(' ') + 1);
        texts.emplace_back(toUtf16Text(line));
    }
    return {md::ArrayFactory().createArray<md::MATLABString>({count, 1}, std::move(texts))};
}

}  // namespace drova::gateway
