#pragma once
// The model of a model file, whatever its format: a GSMS text file, or a stochastic Petri net
// (extension .toml), whose GSMS is built from it.
//
//     std::ifstream in = openInputFile(path);
//     const Gsms model = readModel(in, path);

#include "convert/net/NetToGsms.hpp"
#include "gsms/ReadGsms.hpp"

#include <cstdint>
#include <istream>
#include <string>

namespace drova {

// Whether the path names a net file (by its extension, .toml).
bool isNetPath(const std::string& path);

// Reads the model from the opened stream of the file `path`. For a GSMS file `lines` gets where
// the names stood; for a net, `statistics` gets the counts of its build, which stops at
// `maxStates` markings. The readers' errors pass unchanged.
Gsms readModel(std::istream& in, const std::string& path, GsmsNameLines* lines = nullptr,
               net::NetStatistics* statistics = nullptr, std::uint64_t maxStates = net::DefaultMaxStates);

}  // namespace drova
