#include "host/classic/ClassicRuntime.hpp"

#include "host/classic/ClassicChecks.hpp"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>

namespace drova {

namespace {

std::vector<std::unique_ptr<ClassicRootContext>>& liveContexts() {
    static std::vector<std::unique_ptr<ClassicRootContext>> contexts;
    return contexts;
}

std::atomic<bool> interruptRequested{false};
std::int64_t allocationCount = 0;
void (*atExitHook)() = nullptr;

void releaseEntries(ClassicRootContext& context) {
    while (!context.cleanup.empty()) {
        ClassicCleanupEntry entry = context.cleanup.back();
        context.cleanup.pop_back();
        entry.release(entry.data);
    }
}

}  // namespace

ClassicRootContext* classicCreateRootContext(std::string functionName, std::uint32_t releaseCode, bool firstTime) {
    auto context = std::make_unique<ClassicRootContext>();
    context->functionName = std::move(functionName);
    context->releaseCode = releaseCode;
    context->firstTime = firstTime;
    liveContexts().push_back(std::move(context));
    return liveContexts().back().get();
}

void classicDestroyRootContext(ClassicRootContext* context) {
    auto& contexts = liveContexts();
    auto found = std::find_if(contexts.begin(), contexts.end(), [&](const auto& c) { return c.get() == context; });
    if (found == contexts.end()) return;
    std::unique_ptr<ClassicRootContext> owned = std::move(*found);
    contexts.erase(found);
    releaseEntries(*owned);
}

std::size_t classicLiveRootContexts() { return liveContexts().size(); }

void classicEnterStack(ClassicRootContext& context) { ++context.stackDepth; }

void classicLeaveStack(ClassicRootContext& context) {
    if (context.stackDepth == 0) classicRaise(ClassicStackErrorId, {context.functionName});
    --context.stackDepth;
}

void classicFirstTime(ClassicRootContext& context) { context.firstTime = false; }

void classicPushCleanup(ClassicRootContext& context, void* data, void (*release)(void*)) {
    context.cleanup.push_back({data, release});
}

void classicPopCleanup(ClassicRootContext& context, const void* data) {
    auto& entries = context.cleanup;
    auto found = std::find_if(entries.rbegin(), entries.rend(), [&](const auto& e) { return e.data == data; });
    if (found != entries.rend()) entries.erase(std::next(found).base());
}

void classicAbortCall() {
    // Newest context first, as the calls nest.
    while (!liveContexts().empty()) classicDestroyRootContext(liveContexts().back().get());
}

void* classicCalloc(std::size_t count, std::size_t size) {
    void* data = count == 0 || size == 0 ? std::malloc(1) : std::calloc(count, size);
    if (data == nullptr) classicOutOfMemory();
    ++allocationCount;
    return data;
}

void classicFree(void* data) {
    if (data == nullptr) return;
    std::free(data);
    --allocationCount;
}

std::int64_t classicAllocationCount() { return allocationCount; }
void classicClearAllocationCount() { allocationCount = 0; }

std::int32_t classicMultiplySizes(std::int32_t a, std::int32_t b) {
    std::int64_t product = std::int64_t{a} * std::int64_t{b};
    if (product > std::numeric_limits<std::int32_t>::max()) classicOutOfMemory();
    return static_cast<std::int32_t>(product);
}

void classicAtExit(void (*hook)()) { atExitHook = hook; }

void classicRunAtExit() {
    void (*hook)() = atExitHook;
    atExitHook = nullptr;
    if (hook != nullptr) hook();
}

double classicInf() { return std::numeric_limits<double>::infinity(); }
double classicNaN() { return std::numeric_limits<double>::quiet_NaN(); }

std::atomic<bool>* classicInterruptFlag() { return &interruptRequested; }

void classicRequestInterrupt() noexcept { interruptRequested.store(true, std::memory_order_relaxed); }

void classicBreak() {
    interruptRequested.store(false, std::memory_order_relaxed);
    classicRaise(ClassicInterruptErrorId);
}

}  // namespace drova
