#include "formats/JsonLimits.hpp"

#include "algebra/MessageText.hpp"

#include <cstdint>
#include <vector>

namespace drova {

namespace {

using nlohmann::json;

// The key path of the value being parsed, kept up to date from the parser's events.
class PathTracker {
public:
    explicit PathTracker(const JsonPathStyle& style) : style_(style) {}

    bool onEvent(int, json::parse_event_t event, const json& parsed) {
        switch (event) {
        case json::parse_event_t::object_start:
        case json::parse_event_t::array_start:
            beginValue();
            if (levels_.size() >= MaxJsonDepth)
                throw JsonLimitError(path(false) + ": arrays and objects nested more than " +
                                     std::to_string(MaxJsonDepth) + " levels deep");
            levels_.push_back({event == json::parse_event_t::array_start, -1, {}});
            break;
        case json::parse_event_t::key:
            if (!levels_.empty()) levels_.back().key = parsed.get<std::string>();
            break;
        case json::parse_event_t::value:
            beginValue();
            break;
        case json::parse_event_t::object_end:
        case json::parse_event_t::array_end:
            if (!levels_.empty()) levels_.pop_back();
            break;
        }
        return true;
    }

    // The path of the latest value begun, or with `next` of the one the parser reads now.
    std::string path(bool next) const {
        // A path of a hundred levels says no more than its first few.
        constexpr std::size_t shownLevels = 12;
        std::string text = style_.root;
        for (std::size_t i = 0; i < levels_.size(); ++i) {
            if (i == shownLevels) return text + "...";
            const Level& level = levels_[i];
            const bool last = i + 1 == levels_.size();
            if (level.array) {
                const std::int64_t index = level.index + (last && next ? 1 : 0) + (style_.oneBased ? 1 : 0);
                text += (style_.oneBased ? "(" : "[") + std::to_string(index) + (style_.oneBased ? ")" : "]");
            } else {
                text += (text.empty() ? "" : ".") + messageText(level.key, 60);
            }
        }
        return text.empty() ? style_.documentName : text;
    }

private:
    void beginValue() {
        if (!levels_.empty() && levels_.back().array) ++levels_.back().index;
    }

    struct Level {
        bool array;
        std::int64_t index;  // of the latest element begun, -1 before the first
        std::string key;     // of the latest member
    };
    const JsonPathStyle& style_;
    std::vector<Level> levels_;
};

// The number in "number overflow parsing '1111...'", shortened.
std::string overflowingNumber(const std::string& message) {
    const std::string marker = "parsing '";
    const std::size_t start = message.find(marker);
    if (start == std::string::npos || message.size() < start + marker.size() + 1) return "";
    const std::string number = message.substr(start + marker.size(), message.size() - start - marker.size() - 1);
    return " " + messageText(number, 20) + " (" + std::to_string(number.size()) + " characters)";
}

}  // namespace

nlohmann::json parseJsonWithinLimits(std::string_view text, const JsonPathStyle& style) {
    PathTracker tracker(style);
    try {
        return json::parse(text, [&tracker](int depth, json::parse_event_t event, json& parsed) {
            return tracker.onEvent(depth, event, parsed);
        });
    } catch (const json::out_of_range& e) {
        // 406: a number that overflows the double range, which the parser reports with all of
        // its digits.
        if (e.id != 406) throw;
        std::string message = tracker.path(true) + ": the number" + overflowingNumber(e.what()) +
                              " is beyond the range of JSON numbers";
        if (!style.numberAdvice.empty()) message += "; " + style.numberAdvice;
        throw JsonLimitError(message);
    }
}

}  // namespace drova
