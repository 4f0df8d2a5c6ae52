#pragma once
// Text from the caller's input, made safe to show inside a message: bytes that are not printable
// ASCII are written as \xNN (a NUL would end the message where C strings carry it), and text
// beyond `limit` characters is cut with "..." so that an oversized input does not become an
// oversized message.

#include <cstddef>
#include <string>
#include <string_view>

namespace drova {

std::string messageText(std::string_view text, std::size_t limit = 200);

}  // namespace drova
