#pragma once
// Reads a GSMS text file into a Gsms, validating every element as it is added.

#include "gsms/Gsms.hpp"

#include <cstdint>
#include <ios>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace drova {

// An item of the file that could not be read: the end of the file came first, or its text
// is not what the item requires. The message names the item and the 1-based line, e.g.
// "Could not read the flag of state 2 at line 7", with " (end of file)" appended when the
// file ended (the line is then the file's last line).
class GsmsReadError : public std::ios_base::failure {
public:
    explicit GsmsReadError(const std::string& message);
    // The message alone, without the suffix the library adds to stream failures.
    const char* what() const noexcept override { return message_.what(); }

private:
    std::runtime_error message_;  // holds the text; copying it cannot throw
};

// Where the reader found the names of the model, for messages about them that come later.
struct GsmsNameLines {
    std::uint64_t model = 0;               // the model's name
    std::vector<std::uint64_t> states;     // per state, the line of its name
};

// Reads the model from the stream, which is read up to the end of the last destination
// block; with `lines`, also records where each name stood. Throws GsmsReadError for an unreadable item, std::invalid_argument for a model
// that breaks a rule (with the model's and the distributions' own messages), and the
// errors of parseRational for a malformed or zero-denominator number.
Gsms readGsms(std::istream& in, GsmsNameLines* lines = nullptr);

}  // namespace drova
