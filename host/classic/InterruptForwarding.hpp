#pragma once
// Ctrl-C during a module's call. While an InterruptForwarding lives, SIGINT asks the classic
// run time to interrupt the call (classicRequestInterrupt), which the module notices when it
// next polls; when it goes, the previous handling of SIGINT comes back.

#include <csignal>

namespace drova {

class InterruptForwarding {
public:
    InterruptForwarding();
    ~InterruptForwarding();
    InterruptForwarding(const InterruptForwarding&) = delete;
    InterruptForwarding& operator=(const InterruptForwarding&) = delete;

private:
    struct sigaction previous_ {};
};

}  // namespace drova
