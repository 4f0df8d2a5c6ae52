#pragma once
// Opening an input file by its path.

#include <filesystem>
#include <fstream>
#include <ios>
#include <string>

namespace drova {

// The file opened for reading; the stream is not open when the file cannot be opened, or when
// the path names a directory (which opens like a file on some systems but cannot be read as
// one).
std::ifstream openInputFile(const std::filesystem::path& path, std::ios::openmode mode = std::ios::in);

// The message of every drova command for an input file that cannot be opened:
// Could not open the file "PATH".
std::string cannotOpenMessage(const std::string& path);

}  // namespace drova
