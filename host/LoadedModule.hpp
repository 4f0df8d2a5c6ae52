#pragma once
// The host's side of the object-based extension interface: loads a module, creates its
// one MexFunction through the module's exports, calls it, and destroys it.
//
//     LoadedModule konv(LoadedModule::defaultPath("Drovakonv"));
//     std::vector<matlab::data::Array> out = konv.call(1, {path, transitions, destinations});
//
// A failing call throws HostError with the module's message (and identifier) exactly.

#include "host/MatlabData.hpp"
#include "host/MatlabEngine.hpp"
#include "host/MexFunction.hpp"
#include "host/SharedLibrary.hpp"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace drova {

// An error that ends a MATLAB call: what() is the message; the identifier may be empty.
class DROVA_HOST_API HostError : public std::runtime_error {
public:
    HostError(std::string identifier, const std::string& message);
    ~HostError() override;
    const std::string& identifier() const noexcept { return identifier_; }

private:
    std::string identifier_;
};

class DROVA_HOST_API LoadedModule {
public:
    // Loads the module and creates its object; the object gets `engine` (a standard
    // engine when null). HostError when the file is no module of this interface or the
    // object cannot be created.
    explicit LoadedModule(const std::filesystem::path& path, std::shared_ptr<matlab::engine::MATLABEngine> engine = {});
    // Destroys the object, then unloads the module.
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    // One MATLAB call with `nargout` requested outputs; returns exactly nargout arrays (with none
    // requested, the module still gets one place, for ans, and what it puts there is returned).
    // HostError with the call's error, or when a requested output was left unassigned.
    std::vector<matlab::data::Array> call(std::size_t nargout, std::vector<matlab::data::Array> inputs);
    // The function name MATLAB would use: the file name without its extension.
    const std::string& name() const { return name_; }

    // Where the build puts module NAME: <directory of the running program>/../lib/NAME.so.
    static std::filesystem::path defaultPath(const std::string& moduleName);

private:
    using Create = void* (*)(matlab::mex::detail::ModuleCall*);
    using Adapter = void (*)(void*, matlab::mex::detail::ModuleCall*);
    using Destroy = void (*)(void*, matlab::mex::detail::ModuleCall*);

    SharedLibrary library_;
    std::string name_;
    Adapter adapter_ = nullptr;
    Destroy destroy_ = nullptr;
    void* function_ = nullptr;  // the module's object, owned through destroy_
};

// Creates a module's MexFunction in this process with the given engine, as a loaded
// module's object gets the engine of its LoadedModule.
template <typename FunctionClass>
std::unique_ptr<FunctionClass> createMexFunction(std::shared_ptr<matlab::engine::MATLABEngine> engine) {
    matlab::mex::detail::EngineHandOver handOver(std::move(engine));
    return std::make_unique<FunctionClass>();
}

// Calls a MexFunction in this process the way LoadedModule::call calls a loaded one:
// same output list, same turning of exceptions into HostError. For tests of a module's
// code built into the test itself.
DROVA_HOST_API std::vector<matlab::data::Array> callMexFunction(matlab::mex::Function& function, std::size_t nargout,
                                                                std::vector<matlab::data::Array> inputs,
                                                                const std::string& name = "MexFunction");

}  // namespace drova
