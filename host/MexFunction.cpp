#include "host/MexFunction.hpp"

#include <algorithm>

namespace matlab::mex {

ArgumentListIndexException::ArgumentListIndexException() : Exception("ArgumentList index out of range.") {}
ArgumentListIndexException::~ArgumentListIndexException() = default;

data::Array& ArgumentList::operator[](std::size_t index) {
    if (index >= arrays_->size()) throw ArgumentListIndexException();
    return (*arrays_)[index];
}

const data::Array& ArgumentList::operator[](std::size_t index) const {
    if (index >= arrays_->size()) throw ArgumentListIndexException();
    return (*arrays_)[index];
}

namespace {

// The engine handed to the object under construction, for Function's constructor.
thread_local std::shared_ptr<engine::MATLABEngine> engineForNewFunction;

// Records the exception being handled as the exchange's error.
void recordFailure(detail::ModuleCall& call) noexcept {
    call.failed = true;
    call.errorIdentifier.clear();
    try {
        throw;
    } catch (const engine::MATLABException& e) {
        call.errorIdentifier = e.getMessageID();
        call.errorMessage = e.getMessageText();
    } catch (const std::exception& e) {
        call.errorMessage = e.what();
    } catch (...) {
        call.errorMessage = "The extension module raised an exception of an unknown type.";
    }
}

}  // namespace

Function::Function()
    : engine_(engineForNewFunction ? engineForNewFunction : std::make_shared<engine::MATLABEngine>()) {}

Function::~Function() = default;

namespace detail {

EngineHandOver::EngineHandOver(std::shared_ptr<engine::MATLABEngine> engine) {
    engineForNewFunction = std::move(engine);
}

EngineHandOver::~EngineHandOver() { engineForNewFunction.reset(); }

void* createFunction(ModuleCall& call, FunctionMaker make) noexcept {
    call.failed = false;
    try {
        EngineHandOver handOver(call.engine);
        return make();
    } catch (...) {
        recordFailure(call);
        return nullptr;
    }
}

void callFunction(ModuleCall& call, void* function) noexcept {
    call.failed = false;
    try {
        // A call that asks for no output still offers the module one place, as MATLAB does for ans.
        call.outputs.assign(std::max<std::size_t>(call.nargout, 1), data::Array());
        (*static_cast<Function*>(function))(ArgumentList(call.outputs), ArgumentList(call.inputs));
    } catch (...) {
        recordFailure(call);
        call.outputs.clear();
    }
}

void destroyFunction(ModuleCall& call, void* function) noexcept {
    call.failed = false;
    delete static_cast<Function*>(function);
}

}  // namespace detail
}  // namespace matlab::mex
