// Fuzz target: the rational parser on arbitrary text. A text either fails with the parser's
// exceptions or gives a number that its own text reads back as; the text is split at the first
// "|" into numerator and denominator texts for fromTexts as well.

#include "algebra/Rational.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const drova::Rational value = drova::parseRational(text);
        if (drova::parseRational(drova::toText(value)) != value) std::abort();
    } catch (const std::exception&) {
    }
    const std::size_t bar = text.find('|');
    if (bar != std::string_view::npos) {
        try {
            (void)drova::fromTexts(text.substr(0, bar), text.substr(bar + 1));
        } catch (const std::exception&) {
        }
    }
    return 0;
}
