#include "host/classic/InterruptForwarding.hpp"

#include "host/classic/ClassicRuntime.hpp"

namespace drova {

InterruptForwarding::InterruptForwarding() {
    struct sigaction action {};
    action.sa_handler = [](int) { classicRequestInterrupt(); };
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
}

InterruptForwarding::~InterruptForwarding() { sigaction(SIGINT, &previous_, nullptr); }

}  // namespace drova
