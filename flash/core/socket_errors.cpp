#include "socket_errors.h"

#include <cerrno>

namespace kestrel::flash {

namespace {

struct CodeText {
    uint32_t code;
    const char* text;
};

// Trailing spaces and spellings are kept: operators' notes and scripts match
// these texts as they have always been shown.
constexpr CodeText kTexts[] = {
    {7, "Socket out of memory"},
    {380, "Socket invalid property value "},
    {383, "Socket get not supported"},
    {394, "Socket get not supported "},
    {10004, "Socket operation cancel"},
    {10014, "Socket invalid argument"},
    {10035, "Socket would block"},
    {10036, "Socket in progress"},
    {10037, "Socket already complete"},
    {10038, "Socket not socket"},
    {10040, "Socket msg too big"},
    {10043, "Socket port not supported"},
    {10048, "Socket address in use"},
    {10049, "Socket address not available"},
    {10050, "Socket network subsystem failed"},
    {10051, "Socket unreachable"},
    {10052, "Socket net reset"},
    {10053, "Socket connect abort"},
    {10054, "Socket Connection reset"},
    {10055, "Socket no buffer space"},
    {10056, "Socket alread connected"},
    {10057, "Socket not connected"},
    {10058, "Socket shut down"},
    {10060, "Socket timed out"},
    {10061, "Socket connection refused"},
    {10093, "Socket not initialized"},
    {11001, "Socket host not found"},
    {11002, "Socket host not found try again"},
    {11003, "Socket not recoverable error"},
    {11004, "Socket no data"},
    {40006, "Socket bad state"},
    {40014, "Socket invalid argument"},
    {40017, "Success"},
    {40018, "Socket unsupported"},
    {40020, "Socket invalid operation"},
    {40021, "Socket out of range"},
    {40026, "Socket wrong protocol"},
};

constexpr const char* kUnknownText = "Socket unknown error";

}  // namespace

uint32_t SocketErrorCode(int posix_error) {
    switch (posix_error) {
        case 0:
            return 40017;
        case ENOMEM:
            return 7;
        case EINTR:
        case ECANCELED:
            return 10004;
        case EFAULT:
        case EINVAL:
            return 10014;
        case EAGAIN:
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK:
#endif
            return 10035;
        case EINPROGRESS:
            return 10036;
        case EALREADY:
            return 10037;
        case ENOTSOCK:
        case EBADF:
            return 10038;
        case EMSGSIZE:
            return 10040;
        case EPROTONOSUPPORT:
        case ESOCKTNOSUPPORT:
            return 10043;
        case EADDRINUSE:
            return 10048;
        case EADDRNOTAVAIL:
            return 10049;
        case ENETDOWN:
            return 10050;
        case ENETUNREACH:
        case EHOSTUNREACH:
            return 10051;
        case ENETRESET:
            return 10052;
        case ECONNABORTED:
            return 10053;
        case ECONNRESET:
            return 10054;
        case ENOBUFS:
            return 10055;
        case EISCONN:
            return 10056;
        case ENOTCONN:
            return 10057;
        case EPIPE:
        case ESHUTDOWN:
            return 10058;
        case ETIMEDOUT:
            return 10060;
        case ECONNREFUSED:
            return 10061;
        case EOPNOTSUPP:
        case EAFNOSUPPORT:
            return 40018;
        case ERANGE:
            return 40021;
        case EPROTOTYPE:
            return 40026;
        default:
            return kSocketErrorUnknown;
    }
}

const char* SocketErrorText(uint32_t code) {
    for (const CodeText& entry : kTexts) {
        if (entry.code == code) {
            return entry.text;
        }
    }
    return kUnknownText;
}

const char* SocketErrorTextForErrno(int posix_error) {
    return SocketErrorText(SocketErrorCode(posix_error));
}

}  // namespace kestrel::flash
