#include "command_block.h"

#include <algorithm>

#include "byte_order.h"

namespace kestrel::sim {

uint32_t Request::BodyBE32(size_t offset) const {
    return GetBE32(*block, offset);
}

uint32_t Request::BodyLE32(size_t offset) const {
    return GetLE32(*block, offset);
}

std::string Request::TextField(size_t offset, size_t size) const {
    const auto begin = block->begin() + static_cast<std::ptrdiff_t>(offset);
    const auto end = begin + static_cast<std::ptrdiff_t>(size);
    return std::string(begin, std::find(begin, end, uint8_t{0}));
}

std::optional<Request> ParseRequest(const RequestBlock& block) {
    if (GetBE32(block, 0) != 1) {
        return std::nullopt;
    }
    Request request;
    request.command = static_cast<uint8_t>(GetBE32(block, 4) & 0xFF);
    request.sequence = GetLE32(block, 8);
    request.request_length = GetBE32(block, 16);
    request.block = &block;
    if (request.request_length < kCommandHeaderSize || request.request_length > kRequestBlockSize) {
        return std::nullopt;
    }
    return request;
}

std::vector<uint8_t> BuildStandardResponse(int32_t result, std::span<const uint8_t> payload,
                                           size_t total_size) {
    total_size = std::max(total_size, kStandardResponseHeaderSize + payload.size());
    std::vector<uint8_t> response(total_size, 0);
    PutLE32(response, 0, static_cast<uint32_t>(total_size));
    PutLE32(response, 4, static_cast<uint32_t>(result));
    std::copy(payload.begin(), payload.end(), response.begin() + kStandardResponseHeaderSize);
    return response;
}

}  // namespace kestrel::sim
