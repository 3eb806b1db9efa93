#include "fuzz/harness/FuzzCheck.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace vorn::fuzz {

namespace {

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

FailureHandler& Handler() {
    static FailureHandler handler;
    return handler;
}

void Fail(const std::string& what) {
    FailureHandler handler;
    {
        std::lock_guard lock(HandlerMutex());
        handler = Handler();
    }
    if (handler) return handler(what);
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace

FailureHandler SetFailureHandler(FailureHandler handler) {
    std::lock_guard lock(HandlerMutex());
    FailureHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}

void Check(bool ok, const char* what) {
    if (!ok) Fail(what);
}

void Check(bool ok, const std::string& what) {
    if (!ok) Fail(what);
}

}  // namespace vorn::fuzz
