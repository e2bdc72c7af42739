#include "host_address.h"

#include <cstdio>
#include <vector>

#include "kestrel_net_codes.h"
#include "platform/socket.h"

namespace kestrel::net {

namespace {

constexpr size_t kMinHostLength = 5;
constexpr size_t kMaxHostLength = 64;

std::vector<std::string> SplitAtDots(const std::string& text) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '.') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

// A decimal run of 1..3 digits would suffice, but leading zeros make longer
// runs legal ("001"), so the value decides.
bool ParseOctet(const std::string& part, int* value) {
    if (part.empty() || part.size() > 8) {
        return false;
    }
    int v = 0;
    for (char c : part) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + (c - '0');
    }
    if (v > 255) {
        return false;
    }
    *value = v;
    return true;
}

}  // namespace

HostTextKind ClassifyHostText(const std::string& text, std::string* normalised) {
    std::string host = text;
    size_t scheme_end = host.find("//");
    if (scheme_end != std::string::npos) {
        host = host.substr(scheme_end + 2);
    }
    if (host.size() < kMinHostLength || host.size() > kMaxHostLength) {
        return HostTextKind::kBad;
    }

    std::vector<std::string> parts = SplitAtDots(host);
    int octets[4];
    bool is_address = parts.size() == 4;
    for (size_t i = 0; is_address && i < 4; ++i) {
        is_address = ParseOctet(parts[i], &octets[i]);
    }
    if (!is_address) {
        *normalised = host;
        return HostTextKind::kHostName;
    }
    int zeros = 0;
    for (int v : octets) {
        zeros += v == 0 ? 1 : 0;
    }
    if (zeros > 2) {
        return HostTextKind::kBad;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
    *normalised = buffer;
    return HostTextKind::kAddress;
}

int32_t ResolveHostAddress(const std::string& text, std::string* dotted) {
    std::string normalised;
    switch (ClassifyHostText(text, &normalised)) {
        case HostTextKind::kBad:
            return QW_NET_ERR_BAD_ADDRESS;
        case HostTextKind::kAddress:
            *dotted = normalised;
            return QW_NET_OK;
        case HostTextKind::kHostName:
            break;
    }
    if (!platform::ResolveIPv4(normalised, dotted)) {
        return QW_NET_ERR_RESOLVE;
    }
    return QW_NET_OK;
}

}  // namespace kestrel::net
