#include "algebra/MessageText.hpp"

#include <algorithm>

namespace drova {

std::string messageText(std::string_view text, std::size_t limit) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    const bool cut = text.size() > limit;
    if (cut) text = text.substr(0, limit);
    std::string shown;
    shown.reserve(text.size() + 3);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            shown += "\\x";
            shown += Hex[byte >> 4];
            shown += Hex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    if (cut) shown += "...";
    return shown;
}

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

}  // namespace drova
