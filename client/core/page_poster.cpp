#include "page_poster.h"

namespace kestrel::client {

void PagePoster::Register(PageId id, PageWindow* page) {
    std::lock_guard<std::mutex> lock(mutex_);
    pages_[static_cast<size_t>(id)] = page;
}

void PagePoster::Unregister(PageId id, const PageWindow* page) {
    std::lock_guard<std::mutex> lock(mutex_);
    PageWindow*& slot = pages_[static_cast<size_t>(id)];
    if (slot == page) {
        slot = nullptr;
    }
}

bool PagePoster::Registered(PageId id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pages_[static_cast<size_t>(id)] != nullptr;
}

bool PagePoster::Post(PageId id, uint32_t message, intptr_t first, intptr_t second) const {
    std::lock_guard<std::mutex> lock(mutex_);
    PageWindow* page = pages_[static_cast<size_t>(id)];
    if (page == nullptr) {
        return false;
    }
    page->Post(message, first, second);
    return true;
}

}  // namespace kestrel::client
