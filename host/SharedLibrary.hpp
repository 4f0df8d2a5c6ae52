#pragma once
// A shared library opened at run time, closed when the object goes.

#include "host/HostApi.hpp"

#include <filesystem>

namespace drova {

class DROVA_HOST_API SharedLibrary {
public:
    // Opens the library and binds all its symbols now; std::runtime_error with the
    // loader's text when it cannot be opened.
    explicit SharedLibrary(const std::filesystem::path& path);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The address of an exported symbol, or null when the library does not export it.
    void* symbol(const char* name) const;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    void* handle_;
};

}  // namespace drova
