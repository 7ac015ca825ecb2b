#include "frontend/OperatorWait.h"

#include <atomic>
#include <cstdint>

namespace operatorwait {

namespace {
std::atomic<int64_t> g_totalMs{0};
} // namespace

std::chrono::milliseconds Total() {
    return std::chrono::milliseconds(g_totalMs.load());
}

Scope::Scope() : m_start(std::chrono::steady_clock::now()) {}

Scope::~Scope() {
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_start);
    g_totalMs.fetch_add(waited.count());
}

} // namespace operatorwait
