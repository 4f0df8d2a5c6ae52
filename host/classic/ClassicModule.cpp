#include "host/classic/ClassicModule.hpp"

#include "host/classic/ClassicRuntime.hpp"

#include <algorithm>
#include <stdexcept>

namespace drova {

namespace {

SharedLibrary openModule(const std::filesystem::path& path) {
    try {
        return SharedLibrary(path);
    } catch (const std::runtime_error& e) {
        throw HostError("", "Invalid MEX-file '" + path.string() + "': " + e.what());
    }
}

// Frees, however the call ends, the arrays the module created during it.
class CallArrays {
public:
    CallArrays() : before_(classicLiveArrays()) {}
    ~CallArrays() { classicReleaseArraysAfter(before_); }
    CallArrays(const CallArrays&) = delete;
    CallArrays& operator=(const CallArrays&) = delete;

private:
    std::size_t before_;
};

}  // namespace

std::vector<matlab::data::Array> classicCallMexFunction(ClassicMexFunction entry, std::size_t nargout,
                                                        const std::vector<matlab::data::Array>& inputs,
                                                        const std::string& name) {
    CallArrays created;
    std::vector<ClassicArray> views;
    views.reserve(inputs.size());
    for (const matlab::data::Array& input : inputs) views.emplace_back(input);
    std::vector<const ClassicArray*> prhs;
    for (const ClassicArray& view : views) prhs.push_back(&view);
    // MATLAB always offers one output slot, for ans.
    std::vector<ClassicArray*> plhs(std::max<std::size_t>(nargout, 1), nullptr);

    classicCall([&] {
        entry(static_cast<int>(nargout), plhs.data(), static_cast<int>(prhs.size()), prhs.data());
    });

    std::vector<matlab::data::Array> outputs;
    for (std::size_t i = 0; i < plhs.size(); ++i) {
        if (plhs[i] != nullptr) {
            outputs.push_back(plhs[i]->hostValue());
        } else if (i < nargout) {
            throw HostError("MATLAB:unassignedOutputs",
                            "One or more output arguments not assigned during call to \"" + name + "\".");
        }
    }
    return outputs;
}

LoadedClassicModule::LoadedClassicModule(const std::filesystem::path& path)
    : library_(openModule(path)), name_(path.stem().string()) {
    mexFunction_ = entry<ClassicMexFunction>("mexFunction");
}

LoadedClassicModule::~LoadedClassicModule() {
    try {
        classicRunAtExit();
    } catch (...) {
        // The module goes anyway; an error in its last clean-up has no caller to go to.
        classicAbortCall();
    }
}

std::vector<matlab::data::Array> LoadedClassicModule::call(std::size_t nargout,
                                                           const std::vector<matlab::data::Array>& inputs) {
    return classicCallMexFunction(mexFunction_, nargout, inputs, name_);
}

void* LoadedClassicModule::requireSymbol(const char* symbolName) const {
    void* address = library_.symbol(symbolName);
    if (address == nullptr)
        throw HostError("", "Invalid MEX-file '" + library_.path().string() + "': it does not export " +
                                std::string(symbolName) + ".");
    return address;
}

}  // namespace drova
