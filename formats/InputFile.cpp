#include "formats/InputFile.hpp"

#include <system_error>

namespace drova {

std::ifstream openInputFile(const std::filesystem::path& path, std::ios::openmode mode) {
    std::ifstream in;
    std::error_code ignored;
    if (!std::filesystem::is_directory(path, ignored)) in.open(path, mode);
    return in;
}

std::string cannotOpenMessage(const std::string& path) { return "Could not open the file \"" + path + "\""; }

}  // namespace drova
