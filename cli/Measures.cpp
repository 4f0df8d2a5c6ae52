#include "cli/Measures.hpp"

#include "host/LoadedModule.hpp"
#include "host/classic/ClassicError.hpp"
#include "host/classic/ClassicRuntime.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <csignal>
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
        // Blanks around an item are allowed ("1000, 8760").
        std::string item = text.substr(start, end - start);
        const std::size_t from = item.find_first_not_of(" \t");
        item = from == std::string::npos ? std::string() : item.substr(from, item.find_last_not_of(" \t") - from + 1);
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

namespace {

// A decimal as mantissa * 10^exponent.
struct Decimal {
    std::int64_t mantissa = 0;
    int exponent = 0;
};

// Digits, optionally with a point, and optionally an exponent; none for any other text, or one of
// more than 18 significant digits.
std::optional<Decimal> decimalOf(const std::string& text) {
    static const std::regex number(R"(([0-9]*)(\.([0-9]*))?([eE]([-+]?[0-9]{1,4}))?)");
    std::smatch parts;
    if (!std::regex_match(text, parts, number) || parts[1].length() + parts[3].length() == 0) return std::nullopt;
    std::string digits = parts[1].str() + parts[3].str();
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.size() > 18) return std::nullopt;
    Decimal d;
    for (const char c : digits) d.mantissa = d.mantissa * 10 + (c - '0');
    d.exponent = (parts[5].matched ? std::stoi(parts[5].str()) : 0) - static_cast<int>(parts[3].length());
    return d;
}

// The mantissa of d on the scale 10^exponent (exponent <= d.exponent); none past 2^62.
std::optional<std::int64_t> scaled(const Decimal& d, int exponent) {
    std::int64_t value = d.mantissa;
    for (int k = exponent; k < d.exponent; ++k) {
        if (value > (std::int64_t{1} << 62) / 10) return std::nullopt;
        value *= 10;
    }
    return value;
}

// The double nearest mantissa * 10^exponent.
double nearest(std::int64_t mantissa, int exponent) {
    char text[48];
    std::snprintf(text, sizeof text, "%llde%d", static_cast<long long>(mantissa), exponent);
    return std::strtod(text, nullptr);
}

}  // namespace

std::vector<double> parseTimeGrid(const std::string& text) {
    const std::string rule = " (give A:B:STEP, the first and last time and the step, decimals such as 0:1000:10 or "
                             "0:2.5:0.1, with 0 <= A <= B and STEP > 0)";
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos || text.find(':', second + 1) != std::string::npos)
        throw std::invalid_argument("--times: \"" + text + "\" is not a grid of times" + rule);
    const std::string items[3] = {text.substr(0, first), text.substr(first + 1, second - first - 1),
                                  text.substr(second + 1)};
    Decimal values[3];
    for (int k = 0; k < 3; ++k) {
        const std::optional<Decimal> d = decimalOf(items[k]);
        if (!d) throw std::invalid_argument("--times: \"" + items[k] + "\" is not a time" + rule);
        values[k] = *d;
    }
    const int exponent = std::min({values[0].exponent, values[1].exponent, values[2].exponent});
    const std::optional<std::int64_t> a = scaled(values[0], exponent), b = scaled(values[1], exponent),
                                      step = scaled(values[2], exponent);
    if (!a || !b || !step) throw std::invalid_argument("--times: the numbers of \"" + text + "\" differ too much in scale" + rule);
    if (*step == 0) throw std::invalid_argument("--times: the step is 0" + rule);
    if (*b < *a) throw std::invalid_argument("--times: the last time is before the first" + rule);
    const std::int64_t count = (*b - *a) / *step + 1;
    if (static_cast<std::uint64_t>(count) > MostGridTimes)
        throw std::invalid_argument("--times: " + text + " gives " + std::to_string(count) + " times; at most " +
                                    std::to_string(MostGridTimes) + " can be drawn");
    std::vector<double> times;
    for (std::int64_t k = 0; k < count; ++k) times.push_back(nearest(*a + k * *step, exponent));
    if (!std::isfinite(times.back())) throw std::invalid_argument("--times: the time " + items[1] + " is out of range" + rule);
    return times;
}

std::vector<double> gridUpTo(double end, int steps) {
    const int decade = static_cast<int>(std::floor(std::log10(end / steps)));
    for (int e = decade;; ++e)
        for (const std::int64_t m : {1, 2, 5}) {
            const double step = nearest(m, e);
            if (step * steps < end * (1 - 1e-12)) continue;
            std::vector<double> times;
            for (std::int64_t k = 0; times.empty() || times.back() < end; ++k) times.push_back(nearest(k * m, e));
            return times;
        }
}

namespace {

// Ctrl-C during a measure's call: the first asks the module's solvers to stop at their next step
// (the call then fails with the interrupt error); the walk before them does not look, so a second
// Ctrl-C while the first is pending, or one that comes after the solve, ends drova as Ctrl-C
// does elsewhere. The handler only swaps an atomic flag and, for the second, restores the
// default action and raises the signal again: all async-signal-safe.
class MeasureInterrupts {
public:
    MeasureInterrupts() {
        struct sigaction action {};
        action.sa_handler = [](int) {
            if (classicInterruptFlag()->exchange(true, std::memory_order_relaxed)) {
                std::signal(SIGINT, SIG_DFL);
                std::raise(SIGINT);
            }
        };
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~MeasureInterrupts() {
        sigaction(SIGINT, &previous_, nullptr);
        // An interrupt the solvers did not take ends drova now.
        if (classicInterruptFlag()->exchange(false, std::memory_order_relaxed)) std::raise(SIGINT);
    }
    MeasureInterrupts(const MeasureInterrupts&) = delete;
    MeasureInterrupts& operator=(const MeasureInterrupts&) = delete;

private:
    struct sigaction previous_ {};
};

}  // namespace

std::vector<md::Array> callDrovarel(std::size_t nargout, const std::string& model, const std::vector<double>& times,
                                    const std::string& measure, const std::optional<std::string>& from) {
    const md::ArrayFactory factory;
    std::vector<md::Array> inputs{factory.createScalar(model),
                                  factory.createArray<double>({1, times.size()}, times),
                                  factory.createScalar(measure)};
    if (from) inputs.push_back(factory.createScalar(*from));
    LoadedModule rel(LoadedModule::defaultPath("Drovarel"));
    const MeasureInterrupts interrupts;
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
    } catch (const HostError& e) {
        if (e.identifier() == ClassicInterruptErrorId) throw;  // Ctrl-C ends the command
        return std::nullopt;
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
