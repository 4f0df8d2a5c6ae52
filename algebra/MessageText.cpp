#include "algebra/MessageText.hpp"

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

}  // namespace drova
