#include "host/SharedLibrary.hpp"

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <stdexcept>

namespace drova {

SharedLibrary::SharedLibrary(const std::filesystem::path& path)
    : path_(path), handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (!handle_) throw std::runtime_error(dlerror());
}

SharedLibrary::~SharedLibrary() { dlclose(handle_); }

void* SharedLibrary::symbol(const char* name) const {
    // dlsym also searches the libraries this one depends on; only its own symbols count.
    void* address = dlsym(handle_, name);
    Dl_info found{};
    link_map* self = nullptr;
    if (!address || !dladdr(address, &found) || dlinfo(handle_, RTLD_DI_LINKMAP, &self) != 0) return nullptr;
    return found.dli_fname && self->l_name && std::strcmp(found.dli_fname, self->l_name) == 0 ? address : nullptr;
}

}  // namespace drova
