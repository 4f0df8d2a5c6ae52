#pragma once
// Parsing of the JSON documents that drova reads, with the limits that keep hostile documents
// harmless: arrays and objects nest at most MaxJsonDepth levels (the documents of drova int and
// drova sim need a handful), and a number beyond the range of JSON's numbers is reported at its
// key path instead of with the whole number in the library's message.
//
//     const nlohmann::json document = parseJsonWithinLimits(text, IntegralJsonPaths);

#include <nlohmann/json.hpp>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace drova {

inline constexpr std::size_t MaxJsonDepth = 100;

// How a format writes the key path of a value: "proper[0].Vars" or "gsms.States(2).Name".
struct JsonPathStyle {
    std::string root;          // the document's own path; members follow it after a "."
    std::string documentName;  // what to call the document when the root is empty
    bool oneBased = false;     // array indices from 1 in "(i)", else from 0 in "[i]"
    std::string numberAdvice;  // what to do with a number that is too large, after "; "
};

// A document past a limit; the message starts with the key path, e.g.
// "proper[0].A[0][0][0][0][0][0][0][0][0][0]...: arrays and objects nested more than 100 levels deep".
class JsonLimitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses `text`. Throws JsonLimitError past a limit, and nlohmann::json::parse_error for text
// that is not JSON (jsonErrorText writes its message).
nlohmann::json parseJsonWithinLimits(std::string_view text, const JsonPathStyle& style);

}  // namespace drova
