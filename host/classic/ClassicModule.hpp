#pragma once
// The host's side of the classic extension interface: loads a module, calls
// its entry mexFunction once per MATLAB call, and runs the module's at-exit
// hook before unloading it.
//
//     LoadedClassicModule sim(LoadedClassicModule::defaultPath("Drovasim"));
//     std::vector<matlab::data::Array> out = sim.call(1, {runs, horizon, model});
//
// A call that ends in an error throws that ClassicError (identifier and
// parameters) after the host has released the call's root contexts, their
// registered memory and the arrays the call created.

#include "host/LoadedModule.hpp"
#include "host/MatlabData.hpp"
#include "host/SharedLibrary.hpp"
#include "host/classic/ClassicArray.hpp"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace drova {

// The classic entry: output count, output slots (at least one, all null on
// entry), input count, inputs.
using ClassicMexFunction = void (*)(int nlhs, ClassicArray* plhs[], int nrhs, const ClassicArray* prhs[]);

// One call of a classic entry as the host makes it. Returns nargout values;
// with nargout 0, the one value the entry may still have set (MATLAB's ans),
// if any. HostError "MATLAB:unassignedOutputs" when a requested output was
// left unset.
std::vector<matlab::data::Array> classicCallMexFunction(ClassicMexFunction entry, std::size_t nargout,
                                                        const std::vector<matlab::data::Array>& inputs,
                                                        const std::string& name);

class LoadedClassicModule {
public:
    // HostError when the file cannot be loaded or does not export mexFunction.
    explicit LoadedClassicModule(const std::filesystem::path& path);
    // Runs the at-exit hook the module registered, then unloads it.
    ~LoadedClassicModule();
    LoadedClassicModule(const LoadedClassicModule&) = delete;
    LoadedClassicModule& operator=(const LoadedClassicModule&) = delete;

    std::vector<matlab::data::Array> call(std::size_t nargout, const std::vector<matlab::data::Array>& inputs);

    // Another export of the module; HostError when it has none of that name.
    template <typename Function>
    Function entry(const char* symbolName) const {
        return reinterpret_cast<Function>(requireSymbol(symbolName));
    }
    // The function name MATLAB would use: the file name without its extension.
    const std::string& name() const { return name_; }

    // Where the build puts module NAME (as for object-based modules).
    static std::filesystem::path defaultPath(const std::string& moduleName) {
        return LoadedModule::defaultPath(moduleName);
    }

private:
    void* requireSymbol(const char* symbolName) const;

    SharedLibrary library_;
    std::string name_;
    ClassicMexFunction mexFunction_ = nullptr;
};

}  // namespace drova
