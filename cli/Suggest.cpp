#include "cli/Suggest.hpp"

#include "algebra/MessageText.hpp"

#include <algorithm>

namespace drova::cli {

namespace {

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
