#include "cli/Suggest.hpp"

#include <algorithm>

namespace drova::cli {

namespace {

// The number of single-letter insertions, deletions, changes and swaps of neighbours that turn
// one text into the other.
std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

std::string suggestion(const std::string& name) { return name.empty() ? name : "Did you mean \"" + name + "\"?"; }

// The long options of a subcommand (and of drova itself), with their dashes.
std::vector<std::string> longOptions(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options())
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    return names;
}

bool isOptionOf(const CLI::App& app, const std::string& name) {
    for (const CLI::Option* option : app.get_options())
        if (option->check_name(name)) return true;
    return false;
}

}  // namespace

std::string closestName(const std::string& word, const std::vector<std::string>& names) {
    std::string best;
    std::size_t bestDistance = 0;
    for (const std::string& name : names) {
        const std::size_t distance = editDistance(word, name);
        if (distance == 0) continue;
        if (best.empty() || distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    // Close enough: at most two edits, and fewer than half of the name.
    if (best.empty() || bestDistance > 2 || 2 * bestDistance >= best.size()) return {};
    return best;
}

std::string didYouMean(const CLI::App& app, const std::vector<std::string>& args) {
    const CLI::App* sub = nullptr;
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (arg.starts_with("-")) {
            const std::string name = arg.substr(0, arg.find('='));
            if (name.starts_with("--") && !isOptionOf(app, name) && !(sub && isOptionOf(*sub, name))) {
                std::vector<std::string> names = longOptions(app);
                if (sub) {
                    const std::vector<std::string> own = longOptions(*sub);
                    names.insert(names.end(), own.begin(), own.end());
                }
                return suggestion(closestName(name, names));
            }
            continue;
        }
        if (sub) continue;  // an argument of the subcommand (or an option's value)
        std::vector<std::string> subcommands;
        for (const CLI::App* candidate : app.get_subcommands({})) {
            if (candidate->get_name() == arg) sub = candidate;
            subcommands.push_back(candidate->get_name());
        }
        if (!sub) return suggestion(closestName(arg, subcommands));
    }
    return {};
}

}  // namespace drova::cli
