#pragma once
// Models the measures' tests share: read from text or a file (by its extension), and the net of
// n units failing at `lambda` each with one crew repairing with `repair`, down when all have
// failed.

#include "formats/ModelFile.hpp"
#include "gsms/Gsms.hpp"

#include <fstream>
#include <sstream>
#include <string>

namespace drova::test {

inline Gsms netOf(const std::string& text) {
    std::istringstream in(text);
    return readModel(in, "model.toml");
}

inline Gsms fileOf(const std::string& path) {
    std::ifstream in(path);
    return readModel(in, path);
}

inline std::string unitsNet(int n, const std::string& lambda, const std::string& repair) {
    return "name = \"units\"\n[places]\nup = " + std::to_string(n) +
           "\nfailed = 0\n[transitions.fail]\ndistribution = \"Exp(" + lambda +
           ")\"\nservers = \"infinite\"\ninputs = { up = 1 }\noutputs = { failed = 1 }\n"
           "[transitions.repair]\ndistribution = \"" + repair +
           "\"\ninputs = { failed = 1 }\noutputs = { up = 1 }\n[measures]\ndown = \"up == 0\"\n";
}

}  // namespace drova::test
