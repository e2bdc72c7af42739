// Diagnostic trace hook of the MCTP modules.
//
// The codec and the transport report what they do as (tag, level, text); the
// library itself writes nothing. Tests and tools may install a hook that
// receives the formatted text. Without a hook nothing is formatted.
//
// Threading: the hook may be called from any thread that uses the codec or
// the transport, so it must be thread-safe and must not call back into them.
// Installing or removing a hook while other threads trace is safe; a trace
// that already read the old hook may still call it once.
#ifndef KESTREL_QW_VSCP_TRACE_H
#define KESTREL_QW_VSCP_TRACE_H

#include <cstdint>

#if defined(__GNUC__) || defined(__clang__)
#define QW_VSCP_PRINTF_LIKE(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define QW_VSCP_PRINTF_LIKE(fmt, first)
#endif

// Tags used by the MCTP modules.
inline constexpr const char* kQwTraceTagDproc = "DPROC";
inline constexpr const char* kQwTraceTagDataProc = "VSCP_DataProc";
inline constexpr const char* kQwTraceTagSplitField = "Dataproc_SplitHeaderField";
inline constexpr const char* kQwTraceTagTransfer = "TRANS";

// Levels, most severe first.
enum QwTraceLevel : int32_t {
    QW_TRACE_ERROR = 1,
    QW_TRACE_WARNING = 2,
    QW_TRACE_INFO = 3,
    QW_TRACE_DEBUG = 4,
};

// Receives one formatted trace text; the text is valid only during the call.
using QwTraceHook = void (*)(const char* tag, int32_t level, const char* text);

// Installs a hook (nullptr restores the default that writes nothing).
void QW_VSCP_Trace_SetHook(QwTraceHook hook);

// Hands a printf-style text to the installed hook, if any.
void QW_VSCP_Trace(const char* tag, int32_t level, const char* format, ...)
    QW_VSCP_PRINTF_LIKE(3, 4);

#endif  // KESTREL_QW_VSCP_TRACE_H
