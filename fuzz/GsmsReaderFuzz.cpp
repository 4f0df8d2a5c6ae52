// Fuzz target: the GSMS file reader on arbitrary bytes. Every input either reads as a model or
// fails with one of the reader's exceptions; a crash, a hang or a leak is a fault.

#include "gsms/ReadGsms.hpp"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        const drova::Gsms model = drova::readGsms(in);
        (void)model.stateCount();
    } catch (const std::exception&) {
        // A file that breaks a rule: the message is the user's answer.
    }
    return 0;
}
