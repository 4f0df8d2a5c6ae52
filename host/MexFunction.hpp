#pragma once
// The object-based extension interface. A module defines
//
//     class MexFunction : public matlab::mex::Function {
//     public:
//         void operator()(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) override;
//     };
//     DROVA_MEX_ENTRIES(MexFunction)
//
// and is built with drova_add_module (host/DrovaModule.cmake). DROVA_MEX_ENTRIES defines
// the module's three exports, through which the host creates the one object, calls it
// once per MATLAB call, and destroys it when the module is unloaded:
//
//     void* mexCreateMexFunction(matlab::mex::detail::ModuleCall*)
//     void  mexFunctionAdapter(void* function, matlab::mex::detail::ModuleCall*)
//     void  mexDestroyMexFunction(void* function, matlab::mex::detail::ModuleCall*)
//
// Any exception leaving the object becomes the call's error: its message exactly, and
// for a MATLABException its identifier as well.

#include "host/MatlabData.hpp"
#include "host/MatlabEngine.hpp"

#include <memory>
#include <string>
#include <vector>

namespace matlab::mex {

// "ArgumentList index out of range."
class DROVA_HOST_API ArgumentListIndexException : public ::matlab::Exception {
public:
    ArgumentListIndexException();
    ~ArgumentListIndexException() override;
};

// The inputs or the outputs of one call: a view of the host's arrays. The output list
// has exactly as many places as the caller asked for outputs.
class DROVA_HOST_API ArgumentList {
public:
    explicit ArgumentList(std::vector<data::Array>& arrays) : arrays_(&arrays) {}
    std::size_t size() const { return arrays_->size(); }
    bool empty() const { return arrays_->empty(); }
    // "ArgumentList index out of range." past the end.
    data::Array& operator[](std::size_t index);
    const data::Array& operator[](std::size_t index) const;
    data::Array* begin() { return arrays_->data(); }
    data::Array* end() { return arrays_->data() + arrays_->size(); }

private:
    std::vector<data::Array>* arrays_;
};

// Base of each module's MexFunction.
class DROVA_HOST_API Function {
public:
    // Takes the engine of the host that creates the object (a standard engine when the
    // object is made outside a host, as in a unit test).
    Function();
    virtual ~Function();
    Function(const Function&) = delete;
    Function& operator=(const Function&) = delete;

    virtual void operator()(ArgumentList outputs, ArgumentList inputs) = 0;
    std::shared_ptr<engine::MATLABEngine> getEngine() const { return engine_; }

private:
    std::shared_ptr<engine::MATLABEngine> engine_;
};

namespace detail {

// What the host and a module's entries exchange: the host fills the engine (for
// creation) or nargout and the inputs (for a call); the entry fills the outputs, or
// marks the exchange failed with the error's identifier and message.
struct ModuleCall {
    std::shared_ptr<engine::MATLABEngine> engine;
    std::size_t nargout = 0;
    std::vector<data::Array> inputs;
    std::vector<data::Array> outputs;
    bool failed = false;
    std::string errorIdentifier;
    std::string errorMessage;
};

// While one exists, the Functions created on its thread take `engine` (null: a
// standard engine).
class DROVA_HOST_API EngineHandOver {
public:
    explicit EngineHandOver(std::shared_ptr<engine::MATLABEngine> engine);
    ~EngineHandOver();
    EngineHandOver(const EngineHandOver&) = delete;
    EngineHandOver& operator=(const EngineHandOver&) = delete;
};

using FunctionMaker = Function* (*)();

// The bodies of the three entries; they never throw.
DROVA_HOST_API void* createFunction(ModuleCall& call, FunctionMaker make) noexcept;
DROVA_HOST_API void callFunction(ModuleCall& call, void* function) noexcept;
DROVA_HOST_API void destroyFunction(ModuleCall& call, void* function) noexcept;

}  // namespace detail
}  // namespace matlab::mex

// Marks a function that a module exports by name (extern "C", visible).
#define DROVA_MEX_EXPORT extern "C" __attribute__((visibility("default")))

#define DROVA_MEX_ENTRIES(FunctionClass)                                                                   \
    DROVA_MEX_EXPORT void* mexCreateMexFunction(::matlab::mex::detail::ModuleCall* call) {                 \
        return ::matlab::mex::detail::createFunction(                                                      \
            *call, []() -> ::matlab::mex::Function* { return new FunctionClass(); });                      \
    }                                                                                                      \
    DROVA_MEX_EXPORT void mexFunctionAdapter(void* function, ::matlab::mex::detail::ModuleCall* call) {    \
        ::matlab::mex::detail::callFunction(*call, function);                                              \
    }                                                                                                      \
    DROVA_MEX_EXPORT void mexDestroyMexFunction(void* function, ::matlab::mex::detail::ModuleCall* call) { \
        ::matlab::mex::detail::destroyFunction(*call, function);                                           \
    }
