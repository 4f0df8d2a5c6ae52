#include "formats/ModelFile.hpp"

#include "convert/net/ReadNet.hpp"

#include <filesystem>
#include <iterator>
#include <sstream>

namespace drova {

bool isNetPath(const std::string& path) { return std::filesystem::path(path).extension() == ".toml"; }

Gsms readModel(std::istream& in, const std::string& path, GsmsNameLines* lines, net::NetStatistics* statistics,
               std::uint64_t maxStates) {
    if (!isNetPath(path)) return readGsms(in, lines);
    std::ostringstream text;
    text << in.rdbuf();
    net::BuiltNet built = net::buildGsms(net::readNet(text.str(), std::filesystem::path(path).stem().string()), maxStates);
    if (statistics) *statistics = built.statistics;
    if (lines) *lines = {};
    return std::move(built.model);
}

}  // namespace drova
