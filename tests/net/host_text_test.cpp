// Host texts that must not reach the name lookup, or must.
#include <gtest/gtest.h>

#include "host_address.h"

namespace kestrel::net {
namespace {

TEST(HostText, ClassifiesAddressesNamesAndBadTexts) {
    const struct {
        const char* text;
        HostTextKind kind;
        const char* normalised;
    } cases[] = {
        {"10.0.0.1", HostTextKind::kAddress, "10.0.0.1"},
        {"010.000.000.001", HostTextKind::kAddress, "10.0.0.1"},
        {"0.0.1.1", HostTextKind::kAddress, "0.0.1.1"},  // two zero parts are allowed
        {"0.0.0.1", HostTextKind::kBad, nullptr},
        {"256.1.1.1", HostTextKind::kHostName, "256.1.1.1"},
        {"1.2.3.4.5", HostTextKind::kHostName, "1.2.3.4.5"},
        {"1..2.3", HostTextKind::kHostName, "1..2.3"},
        {"rtsp://recorder.example", HostTextKind::kHostName, "recorder.example"},
        {"a//b//c.d.e", HostTextKind::kHostName, "b//c.d.e"},  // only the first "//" is a scheme
        {"abcd", HostTextKind::kBad, nullptr},
        {"x://abcd", HostTextKind::kBad, nullptr},
        {"a234567890123456789012345678901234567890123456789012345678901234",
         HostTextKind::kHostName, nullptr},
        {"a2345678901234567890123456789012345678901234567890123456789012345", HostTextKind::kBad,
         nullptr},
    };
    for (const auto& c : cases) {
        std::string normalised;
        EXPECT_EQ(ClassifyHostText(c.text, &normalised), c.kind) << c.text;
        if (c.normalised != nullptr) {
            EXPECT_EQ(normalised, c.normalised) << c.text;
        }
    }
}

}  // namespace
}  // namespace kestrel::net
