#include "formats/ModelFile.hpp"

#include "algebra/MessageText.hpp"
#include "convert/net/ReadNet.hpp"

#include <cctype>
#include <stdexcept>

#include <filesystem>
#include <iterator>
#include <sstream>

namespace drova {

bool isNetPath(const std::string& path) { return std::filesystem::path(path).extension() == ".toml"; }

namespace {

// A JSON document (the form of the MATLAB structure gsms that drova sim reads): named .json, or
// starting with an object or an array. A GSMS file starts with its model's name, a word that is
// rarely written so; such a file is still read as GSMS, and only its failure is put this way.
bool looksLikeJson(const std::string& path, const std::string& text) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return extension == ".json" || (first != std::string::npos && (text[first] == '{' || text[first] == '['));
}

Gsms readGsmsText(std::istream& in, const std::string& path, GsmsNameLines* lines) {
    std::ostringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    std::istringstream stream(text);
    try {
        return readGsms(stream, lines);
    } catch (const std::exception&) {
        if (looksLikeJson(path, text))
            throw std::invalid_argument("\"" + messageText(path) +
                                        "\" is JSON, but this reads GSMS text files (.gsms) and nets (.toml); the JSON "
                                        "form of a model is read by drova sim only");
        throw;
    }
}

}  // namespace

Gsms readModel(std::istream& in, const std::string& path, GsmsNameLines* lines, net::NetStatistics* statistics,
               std::uint64_t maxStates) {
    if (!isNetPath(path)) return readGsmsText(in, path, lines);
    std::ostringstream text;
    text << in.rdbuf();
    net::BuiltNet built = net::buildGsms(net::readNet(text.str(), std::filesystem::path(path).stem().string()), maxStates);
    if (statistics) *statistics = built.statistics;
    if (lines) *lines = {};
    return std::move(built.model);
}

}  // namespace drova
