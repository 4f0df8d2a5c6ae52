#include "gsms/ReadGsms.hpp"

#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/ExpolyDensity.hpp"
#include "distributions/ExpolynomialLaw.hpp"
#include "distributions/PhaseTypeLaws.hpp"
#include "distributions/SampledLaws.hpp"
#include "distributions/Uniform.hpp"
#include "algebra/MessageText.hpp"
#include "algebra/Rational.hpp"

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace drova {

GsmsReadError::GsmsReadError(const std::string& message) : std::ios_base::failure(message), message_(message) {}

namespace {

bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool isDigit(int c) { return c >= '0' && c <= '9'; }

// The position of the first character at or after `at` that is not whitespace.
std::size_t skipSpaces(std::string_view text, std::size_t at) {
    while (at < text.size() && isSpace(text[at])) ++at;
    return at;
}

// The value of a run of decimal digits; none when it does not fit in 64 bits.
std::optional<std::uint64_t> decimalIndex(std::string_view digits) {
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

std::string ofState(std::uint64_t i) { return " of state " + std::to_string(i); }
std::string ofTimer(std::uint64_t i) { return " of timer " + std::to_string(i); }
std::string ofTransition(std::uint64_t i) { return " of transition " + std::to_string(i); }
std::string ofDestination(std::uint64_t j, std::uint64_t i) {
    return " of destination " + std::to_string(j) + ofTransition(i);
}

// The parse error, with what was wrong and where.
[[noreturn]] void throwParseError(const std::string& detail) {
    throw std::invalid_argument("Error during parsing of GSMS file: " + detail);
}

// Reads the lexical items of the format from a stream buffer, keeping count of lines so
// that a failure can say where it happened. `item` names what is being read, as in
// "the flag of state 2".
class ItemReader {
public:
    explicit ItemReader(std::istream& in) : buf_(in.rdbuf()) {}

    // The line the next item starts on, once whitespace is skipped.
    std::uint64_t line() const { return line_; }

    // Longest run of non-whitespace after any whitespace.
    std::string word(const std::string& item) {
        skipAll();
        if (peek() == EOF) failAtEnd(item);
        std::string text;
        while (peek() != EOF && !isSpace(peek())) text.push_back(static_cast<char>(take()));
        return text;
    }

    // Unsigned decimal digits after any whitespace. A sign is not accepted: "-1" must not
    // wrap around to a huge count.
    std::uint64_t count(const std::string& item) {
        skipAll();
        const std::uint64_t line = line_;
        if (peek() == EOF) failAtEnd(item);
        std::string digits;
        while (isDigit(peek())) digits.push_back(static_cast<char>(take()));
        auto value = decimalIndex(digits);
        if (!value) fail(item, line);
        return *value;
    }

    bool boolean(const std::string& item) {
        skipAll();
        const std::uint64_t line = line_;
        std::uint64_t value = count(item);
        if (value > 1) fail(item, line);
        return value == 1;
    }

    // The rest of the current line read as indices, up to the first token that is not
    // one; the rest of the line is ignored. A signed or oversized number is a failure.
    std::vector<std::uint64_t> indexList(const std::string& item) {
        const std::uint64_t line = line_;
        const std::string text = lineItem(item);
        std::vector<std::uint64_t> list;
        std::size_t at = 0;
        while ((at = skipSpaces(text, at)) < text.size()) {
            if ((text[at] == '-' || text[at] == '+') && at + 1 < text.size() && isDigit(text[at + 1]))
                fail(item, line);
            std::size_t end = at;
            while (end < text.size() && isDigit(text[end])) ++end;
            if (end == at) break;
            auto value = decimalIndex(std::string_view(text).substr(at, end - at));
            if (!value) fail(item, line);
            list.push_back(*value);
            at = end;
        }
        return list;
    }

    // The rest of the current line as it stands.
    std::string rawLine(const std::string& item) { return lineItem(item); }

    // The rest of the current line read as words taken in pairs, numerator and
    // denominator; a single trailing word is ignored.
    std::vector<Rational> rationalList(const std::string& item) {
        const std::string text = lineItem(item);
        std::vector<std::string_view> words;
        std::size_t at = 0;
        while ((at = skipSpaces(text, at)) < text.size()) {
            std::size_t end = at;
            while (end < text.size() && !isSpace(text[end])) ++end;
            words.push_back(std::string_view(text).substr(at, end - at));
            at = end;
        }
        std::vector<Rational> list;
        for (std::size_t i = 0; i + 1 < words.size(); i += 2) list.push_back(fromTexts(words[i], words[i + 1]));
        return list;
    }

    // Skips whitespace up to and including the first line feed.
    void skipToLine() {
        while (isSpace(peek()))
            if (take() == '\n') return;
    }

    // Skips all whitespace, line ends included.
    void skipAll() {
        while (isSpace(peek())) take();
    }

private:
    int peek() { return buf_ ? buf_->sgetc() : EOF; }

    int take() {
        int c = buf_ ? buf_->sbumpc() : EOF;
        if (c == EOF) return c;
        afterLineFeed_ = c == '\n';
        if (afterLineFeed_) ++line_;
        return c;
    }

    // The rest of the current line, its line feed consumed. Fails only at the end of the file.
    std::string lineItem(const std::string& item) {
        if (peek() == EOF) failAtEnd(item);
        std::string text;
        for (int c = take(); c != EOF && c != '\n'; c = take()) text.push_back(static_cast<char>(c));
        return text;
    }

    [[noreturn]] void fail(const std::string& item, std::uint64_t line) {
        throw GsmsReadError("Could not read " + item + " at line " + std::to_string(line));
    }

    // The file ended: name its last line, which a final line feed closes.
    [[noreturn]] void failAtEnd(const std::string& item) {
        const std::uint64_t last = afterLineFeed_ && line_ > 1 ? line_ - 1 : line_;
        throw GsmsReadError("Could not read " + item + " at line " + std::to_string(last) + " (end of file)");
    }

    std::streambuf* buf_;
    std::uint64_t line_ = 1;
    bool afterLineFeed_ = false;
};

// The kinds of timer, and how many parameters each takes: exactly `least` when `most` is equal to
// it, otherwise at least `least`, at most `most` and a multiple of `step`.
struct TimerKind {
    std::string_view name;
    std::size_t least;
    std::size_t most;
    std::size_t step;
    std::string_view what;  // the parameters, for a message about their count
};

constexpr std::size_t MostParameters = 2000;

constexpr TimerKind TimerKinds[] = {
    {"Exp", 1, 1, 1, "a rate"},
    {"Deg", 1, 1, 1, "a delay"},
    {"Uni", 2, 2, 1, "a lower and an upper bound"},
    {"Erl", 2, 2, 1, "the number of phases and a rate"},
    {"HypoExp", 1, MostParameters / 2, 1, "one rate per stage"},
    {"HyperExp", 2, MostParameters, 2, "a probability and a rate per branch"},
    {"Weibull", 2, 2, 1, "a shape and a scale"},
    {"Lognormal", 2, 2, 1, "mu and sigma"},
    {"Gamma", 2, 2, 1, "a shape and a rate"},
    {"Normal", 2, 2, 1, "a mean and a standard deviation"},
};

const TimerKind* timerKind(std::string_view kind) {
    for (const TimerKind& k : TimerKinds)
        if (k.name == kind) return &k;
    return nullptr;
}

std::unique_ptr<Distribution> makeTimer(const std::string& kind, const std::vector<Rational>& parameters) {
    if (kind == "Deg") return std::make_unique<Degenerate>(parameters[0]);
    if (kind == "Uni") return std::make_unique<Uniform>(parameters[0], parameters[1]);
    if (kind == "Erl") return std::make_unique<Erlang>(parameters[0], parameters[1]);
    if (kind == "HypoExp") return std::make_unique<HypoExponential>(parameters);
    if (kind == "HyperExp") return std::make_unique<HyperExponential>(parameters);
    if (kind == "Weibull") return std::make_unique<Weibull>(parameters[0], parameters[1]);
    if (kind == "Lognormal") return std::make_unique<Lognormal>(parameters[0], parameters[1]);
    if (kind == "Gamma") return std::make_unique<GammaLaw>(parameters[0], parameters[1]);
    if (kind == "Normal") return std::make_unique<TruncatedNormal>(parameters[0], parameters[1]);
    return std::make_unique<Exponential>(parameters[0]);
}

std::vector<std::string_view> wordsOf(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while ((at = skipSpaces(text, at)) < text.size()) {
        std::size_t end = at;
        while (end < text.size() && !isSpace(text[end])) ++end;
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

std::string atLine(std::uint64_t line) { return " at line " + std::to_string(line); }

// Per state, the line of its ages on entry, for the messages about them once the timers are known.
void readStates(ItemReader& reader, Gsms& model, GsmsNameLines* lines, std::vector<std::uint64_t>& ageLines) {
    // No room is reserved from the count: a file may claim far more states than it holds.
    const std::uint64_t count = reader.count("the number of states");
    for (std::uint64_t i = 0; i < count; ++i) {
        std::string name = reader.word("the name" + ofState(i));
        if (lines) lines->states.push_back(reader.line());
        const bool flag = reader.boolean("the flag" + ofState(i));
        reader.skipToLine();
        std::vector<std::uint64_t> activeTimers = reader.indexList("the active timers" + ofState(i));
        ageLines.push_back(reader.line());
        std::vector<std::optional<Rational>> delays;
        // A negative age means the timer's age on entry is unknown.
        for (Rational& value : reader.rationalList("the delays" + ofState(i)))
            delays.push_back(value < 0 ? std::nullopt : std::optional<Rational>(std::move(value)));
        model.addState(std::move(name), flag, std::move(activeTimers), std::move(delays));
    }
}

// An Expoly timer's line: the lower end as a pair, the upper end as a pair or "inf", then the
// density in double quotes.
std::unique_ptr<Distribution> readExpoly(ItemReader& reader, std::uint64_t i) {
    const std::uint64_t line = reader.line();
    const std::string text = reader.rawLine("the parameters" + ofTimer(i));
    const std::size_t open = text.find('"');
    const std::size_t close = open == std::string::npos ? open : text.find('"', open + 1);
    const std::string form = " must be the lower end (a numerator and a denominator), the upper end (the same, or "
                             "inf) and the density in double quotes, such as 0 1 inf \"x*exp(-x)\"";
    if (close == std::string::npos) throwParseError("Expoly timer " + std::to_string(i) + atLine(line) + form);
    const std::vector<std::string_view> ends = wordsOf(std::string_view(text).substr(0, open));
    if ((ends.size() != 3 && ends.size() != 4) || (ends.size() == 3 && ends[2] != "inf") ||
        skipSpaces(text, close + 1) != text.size())
        throwParseError("Expoly timer " + std::to_string(i) + atLine(line) + form);
    std::optional<Rational> high;
    if (ends.size() == 4) high = fromTexts(ends[2], ends[3]);
    return std::make_unique<ExpolyDensity>(fromTexts(ends[0], ends[1]), high,
                                           std::string_view(text).substr(open + 1, close - open - 1));
}

void readTimers(ItemReader& reader, Gsms& model) {
    const std::uint64_t count = reader.count("the number of timers");
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::string kind = reader.word("the kind" + ofTimer(i));
        const std::uint64_t kindLine = reader.line();
        // The kind is judged before its parameters are read: after a wrong count the reader is
        // out of step, and the line it stands on says more than a parameter that fails to parse.
        const TimerKind* expected = timerKind(kind);
        if (!expected && kind != "Expoly")
            throwParseError("the kind" + ofTimer(i) + atLine(kindLine) + " is \"" + messageText(kind, 40) +
                            "\"; it must be Exp, Deg, Uni, Erl, HypoExp, HyperExp, Expoly, Weibull, Lognormal, Gamma "
                            "or Normal");
        reader.skipAll();
        if (!expected) {
            model.addTimer(*readExpoly(reader, i));
            continue;
        }
        const std::uint64_t parametersLine = reader.line();
        const std::vector<Rational> parameters = reader.rationalList("the parameters" + ofTimer(i));
        const std::size_t given = parameters.size();
        if (given < expected->least || given > expected->most || given % expected->step != 0) {
            std::string needs;
            if (expected->least == expected->most)
                needs = std::to_string(expected->least) + (expected->least == 1 ? " parameter" : " parameters");
            else
                needs = expected->what;
            throwParseError(kind + " timer " + std::to_string(i) + atLine(parametersLine) + " needs " + needs +
                            " (a numerator and a denominator each), but " + std::to_string(given) +
                            (given == 1 ? " was" : " were") + " given");
        }
        model.addTimer(*makeTimer(kind, parameters));
    }
}

// The states come before the timers in a file, so their active timers are checked once the
// timers are known.
void checkActiveTimers(const Gsms& model) {
    for (std::uint64_t i = 0; i < model.stateCount(); ++i)
        for (std::uint64_t timer : model.state(i).activeTimers)
            if (timer >= model.timerCount())
                throw std::invalid_argument("Active timer " + std::to_string(timer) + ofState(i) + " does not exist");
}

// A timer cannot be running at an age its delay cannot reach: a uniform timer, or an Expoly one of
// bounded support, has fired by its upper end, a deterministic one at its delay (which it may just have reached: it fires at once).
// Such an age would make the timer fire at the instant of entry with certainty, next to whatever
// else fires then, and the kernel would count that instant twice.
void checkAgesWithinSupport(const Gsms& model, const std::vector<std::uint64_t>& ageLines) {
    for (std::uint64_t i = 0; i < model.stateCount(); ++i) {
        const GsmsState& state = model.state(i);
        for (std::size_t k = 0; k < state.activeTimers.size(); ++k) {
            if (!state.delays[k]) continue;
            const Rational& age = *state.delays[k];
            const Distribution& timer = model.timer(state.activeTimers[k]);
            std::string reach;
            if (const auto* uniform = dynamic_cast<const Uniform*>(&timer); uniform && age >= uniform->upper())
                reach = "a uniform timer has fired by its upper bound " + toText(uniform->upper());
            else if (const auto* law = dynamic_cast<const ExpolynomialLaw*>(&timer); law && law->high() && age >= *law->high())
                reach = "a timer of bounded support has fired by its upper end " + toText(*law->high());
            else if (const std::optional<Rational> delay = timer.fixedDelay(); delay && age > *delay)
                reach = "a deterministic timer fires at its delay " + toText(*delay);
            if (reach.empty()) continue;
            throw std::invalid_argument("The age " + toText(age) + " of timer " + std::to_string(state.activeTimers[k]) +
                                        " (" + timer.toText() + ") on entering state " + std::to_string(i) + " (" +
                                        messageText(state.name, 40) + ") at line " + std::to_string(ageLines.at(i)) +
                                        " cannot be: " + reach +
                                        "; give an age the timer can have while it runs, or -1 1 if it is unknown");
        }
    }
}

void readTransitions(ItemReader& reader, Gsms& model) {
    const std::uint64_t count = reader.count("the number of transitions");
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t source = reader.count("the source" + ofTransition(i));
        reader.skipAll();
        const std::uint64_t transition =
            model.addTransition(source, reader.indexList("the triggering timers" + ofTransition(i)));
        const std::uint64_t destinations = reader.count("the number of destinations" + ofTransition(i));
        for (std::uint64_t j = 0; j < destinations; ++j) {
            const std::uint64_t target = reader.count("the target" + ofDestination(j, i));
            reader.skipAll();
            const std::uint64_t probabilityLine = reader.line();
            std::vector<Rational> probability = reader.rationalList("the probability" + ofDestination(j, i));
            if (probability.size() != 1)
                throwParseError("the probability" + ofDestination(j, i) + atLine(probabilityLine) +
                                " must be one value (a numerator and a denominator), but " +
                                std::to_string(probability.size()) + (probability.size() == 1 ? " was" : " were") +
                                " given");
            model.addDestination(transition, target, std::move(probability[0]),
                                 reader.indexList("the restarted timers" + ofDestination(j, i)));
        }
    }
}

}  // namespace

Gsms readGsms(std::istream& in, GsmsNameLines* lines) {
    ItemReader reader(in);
    Gsms model;
    model.setName(reader.word("the model name"));
    if (lines) *lines = {reader.line(), {}};
    std::vector<std::uint64_t> ageLines;
    readStates(reader, model, lines, ageLines);
    model.setInitialState(reader.count("the initial state"));
    readTimers(reader, model);
    checkActiveTimers(model);
    checkAgesWithinSupport(model, ageLines);
    readTransitions(reader, model);
    model.orderOutgoing();
    return model;
}

}  // namespace drova
