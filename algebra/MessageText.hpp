#pragma once
// Text from the caller's input, made safe to show inside a message: bytes that are not printable
// ASCII are written as \xNN (a NUL would end the message where C strings carry it), and text
// beyond `limit` characters is cut with "..." so that an oversized input does not become an
// oversized message.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace drova {

std::string messageText(std::string_view text, std::size_t limit = 200);

// The closest name among `names` to the misspelt `word`, when one is close enough to be what was
// meant (a few letters left out, added, changed or swapped); empty otherwise.
std::string closestName(const std::string& word, const std::vector<std::string>& names);

}  // namespace drova
