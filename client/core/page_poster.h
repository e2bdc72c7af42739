// The one way worker and library threads reach the pages: a table of the
// pages that are alive, by name, and a post that finds the page under a short
// lock or drops the message when the page is gone.
//
// Ownership: the poster belongs to the ClientContext and outlives every page
// and every thread that posts (the context closes the device, and with it
// every device thread, before the poster goes). Pages are borrowed: a page
// registers itself when it is initialised and unregisters before it is
// destroyed.
//
// Threading: Register and Unregister on the GUI thread; Post from any thread.
// Post holds the lock while it calls PageWindow::Post, so once Unregister has
// returned no post reaches that page. PageWindow::Post therefore must not
// block and must not call back into the poster.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "page_messages.h"

namespace kestrel::client {

// The pages that others notify.
enum class PageId : uint8_t {
    kFileListPane,
    kCalendarPane,
    kPlaybackPage,
    kPlaybackController,
    kChannelPanel,
    kMainWindow,
    kRemoteSettingPage,
    kLocalSettingsPage,
    kLiveView,
    kLoginPage,
};
constexpr size_t kPageIdCount = static_cast<size_t>(PageId::kLoginPage) + 1;

class PagePoster {
public:
    PagePoster() = default;
    PagePoster(const PagePoster&) = delete;
    PagePoster& operator=(const PagePoster&) = delete;

    // page answers for id from now on, in place of any page before it.
    void Register(PageId id, PageWindow* page);
    // Forgets page; a page registered for id since then stays.
    void Unregister(PageId id, const PageWindow* page);
    bool Registered(PageId id) const;

    // Hands the message to the page registered for id: true, or false when
    // none is (the message is dropped).
    bool Post(PageId id, uint32_t message, intptr_t first, intptr_t second) const;

private:
    mutable std::mutex mutex_;
    std::array<PageWindow*, kPageIdCount> pages_{};  // guarded by mutex_
};

}  // namespace kestrel::client
