// The fixed network destinations of the library and their environment
// overrides, read in this one place so that tests and demos can keep every
// packet on loopback:
//   KESTREL_BROADCAST_ADDR  discovery broadcast destination (255.255.255.255)
//   KESTREL_DISCOVERY_PORT  discovery port (5555)
//   KESTREL_UID_SERVER      identifier resolution server, host[:port] (port
//                           8888); none configured by default
// The environment is read at every call, so a setting made before a search
// or lookup starts applies to it.
//
// Threading: any thread, but not while another thread changes the
// environment.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel::net {

constexpr char kDefaultBroadcastAddress[] = "255.255.255.255";
constexpr uint16_t kDefaultDiscoveryPort = 5555;
constexpr uint16_t kDefaultUidServerPort = 8888;

struct Endpoint {
    std::string host;  // dotted IPv4 for discovery; host text for the UID server
    uint16_t port = 0;
};

// Where the search request goes. false when an override is set but unusable
// (not a dotted IPv4 address, not a port 1..65535): a mistyped test setting
// must not fall back to the real broadcast address.
bool DiscoveryDestination(Endpoint* out);

// The configured UID server, its host text not yet resolved. false when none
// is configured or the setting is malformed.
bool UidServer(Endpoint* out);

// "host" or "host:port" (port 1..65535, decimal); an empty host is refused.
bool ParseHostPort(const std::string& text, uint16_t default_port, Endpoint* out);

}  // namespace kestrel::net
