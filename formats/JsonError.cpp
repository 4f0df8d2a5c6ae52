#include "formats/JsonError.hpp"

namespace drova {

std::string jsonErrorText(const nlohmann::json::exception& error) {
    std::string message = error.what();
    if (auto end = message.find("] "); message.rfind("[json.exception.", 0) == 0 && end != std::string::npos)
        message.erase(0, end + 2);
    // The parser quotes the token it stopped at, which may be a whole oversized input; the
    // position comes first, so the end is what can go.
    constexpr std::size_t shownLength = 300;
    if (message.size() > shownLength) {
        std::size_t cut = shownLength;
        while (cut > 0 && (static_cast<unsigned char>(message[cut]) & 0xC0) == 0x80) --cut;  // inside a UTF-8 character
        message = message.substr(0, cut) + "...";
    }
    return message;
}

}  // namespace drova
