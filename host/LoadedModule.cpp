#include "host/LoadedModule.hpp"

namespace drova {

HostError::HostError(std::string identifier, const std::string& message)
    : std::runtime_error(message), identifier_(std::move(identifier)) {}
HostError::~HostError() = default;

namespace {

using matlab::mex::detail::ModuleCall;

SharedLibrary openModule(const std::filesystem::path& path) {
    try {
        return SharedLibrary(path);
    } catch (const std::runtime_error& e) {
        throw HostError("", "Invalid MEX-file '" + path.string() + "': " + e.what());
    }
}

template <typename Entry>
Entry requireEntry(const SharedLibrary& library, const char* name) {
    void* address = library.symbol(name);
    if (!address)
        throw HostError("", "Invalid MEX-file '" + library.path().string() + "': it does not export " + name + ".");
    return reinterpret_cast<Entry>(address);
}

// The outputs of a finished exchange, or its error.
std::vector<matlab::data::Array> takeOutputs(ModuleCall& call, const std::string& name) {
    if (call.failed) throw HostError(call.errorIdentifier, call.errorMessage);
    // A call without requested outputs returns what the module put into the place of ans, if anything.
    if (call.nargout == 0) {
        if (!call.outputs.empty() && call.outputs[0].getType() == matlab::data::ArrayType::UNKNOWN) call.outputs.clear();
        return std::move(call.outputs);
    }
    for (const matlab::data::Array& output : call.outputs)
        if (output.getType() == matlab::data::ArrayType::UNKNOWN)
            throw HostError("MATLAB:unassignedOutputs",
                            "One or more output arguments not assigned during call to \"" + name + "\".");
    return std::move(call.outputs);
}

}  // namespace

LoadedModule::LoadedModule(const std::filesystem::path& path, std::shared_ptr<matlab::engine::MATLABEngine> engine)
    : library_(openModule(path)), name_(path.stem().string()) {
    auto create = requireEntry<Create>(library_, "mexCreateMexFunction");
    adapter_ = requireEntry<Adapter>(library_, "mexFunctionAdapter");
    destroy_ = requireEntry<Destroy>(library_, "mexDestroyMexFunction");
    ModuleCall call;
    call.engine = engine ? std::move(engine) : std::make_shared<matlab::engine::MATLABEngine>();
    function_ = create(&call);
    if (call.failed || !function_) throw HostError(call.errorIdentifier, call.errorMessage);
}

LoadedModule::~LoadedModule() {
    ModuleCall call;
    destroy_(function_, &call);
}

std::vector<matlab::data::Array> LoadedModule::call(std::size_t nargout, std::vector<matlab::data::Array> inputs) {
    ModuleCall call;
    call.nargout = nargout;
    call.inputs = std::move(inputs);
    adapter_(function_, &call);
    return takeOutputs(call, name_);
}

std::filesystem::path LoadedModule::defaultPath(const std::string& moduleName) {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "lib" /
           (moduleName + ".so");
}

std::vector<matlab::data::Array> callMexFunction(matlab::mex::Function& function, std::size_t nargout,
                                                 std::vector<matlab::data::Array> inputs, const std::string& name) {
    ModuleCall call;
    call.nargout = nargout;
    call.inputs = std::move(inputs);
    matlab::mex::detail::callFunction(call, &function);
    return takeOutputs(call, name);
}

}  // namespace drova
