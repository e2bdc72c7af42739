// MD5 message digest (RFC 1321), incremental.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrel::net {

class Md5 {
public:
    Md5();
    void Update(const void* data, size_t length);
    std::array<uint8_t, 16> Finish();  // the object must be reset before reuse
    void Reset();

    // 32 lowercase hexadecimal digits.
    static std::string Hex(const std::array<uint8_t, 16>& digest);

private:
    void Transform(const uint8_t block[64]);

    std::array<uint32_t, 4> state_{};
    uint64_t length_bits_ = 0;
    std::array<uint8_t, 64> buffer_{};
    size_t buffered_ = 0;
};

}  // namespace kestrel::net
