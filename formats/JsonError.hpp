#pragma once
// The messages of the JSON parser, for users.

#include <nlohmann/json.hpp>

#include <string>

namespace drova {

// The parser's message without the library's tag in brackets ("[json.exception...] "), and cut
// with "..." after 300 characters.
std::string jsonErrorText(const nlohmann::json::exception& error);

}  // namespace drova
