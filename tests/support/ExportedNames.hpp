#pragma once
// The names a shared library exports: the defined dynamic symbols that nm lists.

#include <cstdio>
#include <optional>
#include <set>
#include <sstream>
#include <string>

// Nothing when nm cannot be run on the library.
inline std::optional<std::set<std::string>> exportedNames(const std::string& library) {
    FILE* pipe = popen(("nm -D --defined-only '" + library + "' 2>/dev/null").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::set<std::string> names;
    char line[4096];
    while (fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        std::string address, kind, name;
        if (fields >> address >> kind >> name) names.insert(name);
    }
    if (pclose(pipe) != 0) return std::nullopt;
    return names;
}
