// Fuzz target: the net reader and the builder of its GSMS on arbitrary bytes, with a small limit
// on the markings. Every input either builds a model or fails with a message; a crash, a hang or
// a leak is a fault.

#include "convert/net/NetToGsms.hpp"
#include "convert/net/ReadNet.hpp"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const drova::net::PetriNet net =
            drova::net::readNet(std::string(reinterpret_cast<const char*>(data), size), "fuzz");
        const drova::net::BuiltNet built = drova::net::buildGsms(net, 2000);
        (void)built.model.stateCount();
    } catch (const std::exception&) {
        // A net that breaks a rule: the message is the user's answer.
    }
    return 0;
}
