#include "qw_vscp_trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <new>
#include <vector>

namespace {

std::atomic<QwTraceHook> g_hook{nullptr};

}  // namespace

void QW_VSCP_Trace_SetHook(QwTraceHook hook) {
    g_hook.store(hook, std::memory_order_release);
}

void QW_VSCP_Trace(const char* tag, int32_t level, const char* format, ...) {
    QwTraceHook hook = g_hook.load(std::memory_order_acquire);
    if (hook == nullptr || format == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed >= 0) {
        // Tracing must never take the caller down: without memory the text
        // is simply dropped.
        try {
            std::vector<char> text(static_cast<size_t>(needed) + 1, '\0');
            std::vsnprintf(text.data(), text.size(), format, args);
            hook(tag != nullptr ? tag : "", level, text.data());
        } catch (const std::bad_alloc&) {
        }
    }
    va_end(args);
}
