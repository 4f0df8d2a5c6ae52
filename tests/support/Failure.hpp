#pragma once
// The message of the exception that a test's action throws.

#include <exception>
#include <string>

// The message of the exception of type E that `run` throws; "no error" when it returns. An
// exception of any other type passes on and fails the test.
template <typename E = std::exception, typename Run>
std::string failure(Run&& run) {
    try {
        run();
    } catch (const E& e) {
        return e.what();
    }
    return "no error";
}
