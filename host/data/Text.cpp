#include "host/data/Text.hpp"

#include "host/data/Exception.hpp"

namespace drova {

std::string toAsciiText(std::u16string_view text) {
    std::string ascii;
    ascii.reserve(text.size());
    for (char16_t c : text) {
        if (c > 0x7F) throw matlab::data::NonAsciiCharInInputDataException();
        ascii.push_back(static_cast<char>(c));
    }
    return ascii;
}

std::u16string toUtf16Text(std::string_view ascii) {
    std::u16string text;
    text.reserve(ascii.size());
    for (char c : ascii) {
        if (static_cast<unsigned char>(c) > 0x7F) throw matlab::data::NonAsciiCharInInputDataException();
        text.push_back(static_cast<char16_t>(c));
    }
    return text;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string text;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra && i + k < utf8.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
    }
    return text;
}

}  // namespace drova
