#include "cli/Measures.hpp"

#include "host/LoadedModule.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <stdexcept>

namespace drova::cli::measures {

namespace md = matlab::data;

std::vector<double> parseTimes(const std::string& text) {
    static const std::regex number(R"(([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?)");
    const std::string rule = " (give times of at least 0 as decimal numbers, such as 1000, 2.5 or 1e4, "
                             "separated by commas)";
    if (text.empty()) throw std::invalid_argument("--times is empty" + rule);
    std::vector<double> times;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, end - start);
        double value = 0;
        const char* first = item.data();
        const char* last = item.data() + item.size();
        if (!item.empty() && item.front() == '-' && std::regex_match(item.substr(1), number))
            throw std::invalid_argument("--times: the time " + item + " is negative" + rule);
        if (!std::regex_match(item, number))
            throw std::invalid_argument("--times: \"" + item + "\" is not a time" + rule);
        const auto [stop, error] = std::from_chars(first, last, value);
        if (error != std::errc() || stop != last || !std::isfinite(value))
            throw std::invalid_argument("--times: the time " + item + " is out of range" + rule);
        times.push_back(value);
        if (end == text.size()) return times;
        start = end + 1;
    }
}

std::vector<md::Array> callDrovarel(std::size_t nargout, const std::string& model, const std::vector<double>& times,
                                    const std::string& measure, const std::optional<std::string>& from) {
    const md::ArrayFactory factory;
    std::vector<md::Array> inputs{factory.createScalar(model),
                                  factory.createArray<double>({1, times.size()}, times),
                                  factory.createScalar(measure)};
    if (from) inputs.push_back(factory.createScalar(*from));
    LoadedModule rel(LoadedModule::defaultPath("Drovarel"));
    return rel.call(nargout, std::move(inputs));
}

std::vector<double> defaultTimes(double scale, double lowestFraction) {
    if (!(scale > 0) || !std::isfinite(scale)) return {0.0};
    const double lowest = scale * lowestFraction;
    const double highest = 4 * scale;
    std::vector<double> times;
    // From a decade below the lowest value up to the first value at least the highest; each
    // value is read from its text, so that 2e-05 and 20000 are the doubles nearest those decimals.
    for (int decade = static_cast<int>(std::floor(std::log10(lowest))) - 1; times.empty() || times.back() < highest;
         ++decade)
        for (const char* step : {"1", "2", "5"}) {
            if (!times.empty() && times.back() >= highest) break;
            char text[32];
            std::snprintf(text, sizeof text, "%se%d", step, decade);
            times.push_back(std::strtod(text, nullptr));
        }
    // Keep the largest value at most `lowest` and everything after it.
    std::size_t first = 0;
    while (first + 1 < times.size() && times[first + 1] <= lowest) ++first;
    return std::vector<double>(times.begin() + static_cast<std::ptrdiff_t>(first), times.end());
}

std::optional<std::vector<double>> defaultTimesOf(const std::string& model, double lowestFraction,
                                                  const std::optional<std::string>& from) {
    try {
        const std::vector<md::Array> outputs = callDrovarel(5, model, {}, "reliability", from);
        const double mttf = doubles(outputs.at(1)).at(0);
        const double givenFailure = doubles(outputs.at(4)).at(0);
        return defaultTimes(std::isfinite(mttf) ? mttf : givenFailure, lowestFraction);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string jsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char text[40];
    const int length = std::snprintf(text, sizeof text, "%.17g", value);
    return std::string(text, static_cast<std::size_t>(length));
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string jsonArray(const std::vector<double>& values) {
    std::string out = "[";
    for (std::size_t k = 0; k < values.size(); ++k) out += (k ? ", " : "") + jsonNumber(values[k]);
    return out + "]";
}

std::string shortText(double value) {
    char text[400];
    const bool plain = value == 0 || (std::abs(value) >= 1e-4 && std::abs(value) < 1e15);
    const auto [end, error] = plain ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
                                    : std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string();
}

std::string tableNumber(double value) {
    char text[40];
    const int length = std::snprintf(text, sizeof text, "%.12g", value);
    return std::string(text, static_cast<std::size_t>(length));
}

std::vector<double> doubles(const md::Array& array) {
    const md::TypedArray<double> values(array);
    return std::vector<double>(values.begin(), values.end());
}

}  // namespace drova::cli::measures
