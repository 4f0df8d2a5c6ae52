#pragma once
// The names a built module exports, as the dynamic linker sees them.

#include <cstdio>
#include <optional>
#include <set>
#include <sstream>
#include <string>

// The defined dynamic symbols of the library at `path`; none when nm is missing or fails.
inline std::optional<std::set<std::string>> exportedNames(const std::string& path) {
    FILE* pipe = popen(("nm -D --defined-only '" + path + "' 2>/dev/null").c_str(), "r");
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

// The three entries of the object-based extension interface.
inline const std::set<std::string> ObjectInterfaceEntries{"mexCreateMexFunction", "mexDestroyMexFunction",
                                                          "mexFunctionAdapter"};
