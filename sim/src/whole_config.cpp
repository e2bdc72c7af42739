#include "whole_config.h"

#include <utility>

namespace kestrel::sim {

WholeConfig::WholeConfig() : data_(DefaultContent()) {}

std::vector<uint8_t> WholeConfig::Read() const {
    std::lock_guard lock(mutex_);
    return data_;
}

void WholeConfig::Replace(std::vector<uint8_t> data) {
    std::lock_guard lock(mutex_);
    data_ = std::move(data);
}

std::vector<uint8_t> WholeConfig::DefaultContent() {
    std::vector<uint8_t> content(kDefaultSize);
    for (size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<uint8_t>(7 * i + 3);
    }
    return content;
}

}  // namespace kestrel::sim
