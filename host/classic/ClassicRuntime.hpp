#pragma once
// The call-level run time of a classic extension module: the root context and
// its stack, the clean-up stack of working memory, the host's call site that
// ends a call on error, memory, the at-exit hook, interrupt polling, and the
// special values +Inf and NaN.
//
// A module creates its root context at the start of each call and destroys it
// at the end. The host keeps every live root context: when an error ends the
// call, the call site (classicCall) frees what is still registered on their
// clean-up stacks and destroys them, because the module's own tear-down never
// runs in that case.

#include "host/classic/ClassicError.hpp"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace drova {

// A piece of working memory and the function that frees it.
struct ClassicCleanupEntry {
    void* data;
    void (*release)(void*);
};

struct ClassicRootContext {
    std::string functionName;  // the module's entry-point name, used in messages
    std::uint32_t releaseCode = 0;
    bool firstTime = true;  // cleared by classicFirstTime
    int stackDepth = 0;     // classicEnterStack minus classicLeaveStack
    std::vector<ClassicCleanupEntry> cleanup;  // registered working memory, newest last
};

// Creates a root context owned by the host; it stays valid until destroyed.
ClassicRootContext* classicCreateRootContext(std::string functionName, std::uint32_t releaseCode, bool firstTime);
// Frees the memory still registered on the context (newest first) and destroys it.
void classicDestroyRootContext(ClassicRootContext* context);
// Number of root contexts alive.
std::size_t classicLiveRootContexts();

void classicEnterStack(ClassicRootContext& context);
// Leaving a stack that was not entered is an error (ClassicStackErrorId).
void classicLeaveStack(ClassicRootContext& context);
// The host's first-time hook: marks the context's first call as done.
void classicFirstTime(ClassicRootContext& context);

// Registers working memory, so that an error ending the call frees it.
void classicPushCleanup(ClassicRootContext& context, void* data, void (*release)(void*));
// Unregisters memory freed on a normal path (the newest matching entry).
void classicPopCleanup(ClassicRootContext& context, const void* data);

// The host's side of a call that may end in an error: frees the registered
// memory of every live root context and destroys them.
void classicAbortCall();

// Runs one call of a module as the host does: if the call ends with an error
// (or any other exception), the call's contexts and registered memory are
// released before the exception continues to the caller.
template <class Body>
void classicCall(Body&& body) {
    try {
        body();
    } catch (...) {
        classicAbortCall();
        throw;
    }
}

// Zero-filled memory for count elements of the given size; raises the
// out-of-memory error when it cannot be had. Counted by the host.
void* classicCalloc(std::size_t count, std::size_t size);
void classicFree(void* data);
std::int64_t classicAllocationCount();
void classicClearAllocationCount();
// Product of two non-negative list sizes; a product beyond the signed 32-bit
// range raises the out-of-memory error.
std::int32_t classicMultiplySizes(std::int32_t a, std::int32_t b);

// The module's unload hook: one per module, replaced by each registration.
void classicAtExit(void (*hook)());
// Run by the host when it unloads the module: calls the hook once and forgets it.
void classicRunAtExit();

double classicInf();
double classicNaN();

// The host's interrupt request flag. The host (or its signal handler) sets it;
// a module polls it at its own pace with classicPollInterrupt, a plain load.
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<bool>* classicInterruptFlag();
void classicRequestInterrupt() noexcept;  // async-signal-safe
// Called when the flag is found set: clears it and ends the call with the
// interrupt error.
[[noreturn]] void classicBreak();

inline void classicPollInterrupt(const std::atomic<bool>& flag) {
    if (flag.load(std::memory_order_relaxed)) [[unlikely]]
        classicBreak();
}

}  // namespace drova
