// Pages that come and go while a receiver thread posts to them.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "page_poster.h"

namespace kestrel::client {
namespace {

class CountingPage : public PageWindow {
public:
    void Post(uint32_t, intptr_t, intptr_t) override {
        ++posts;
        if (gone) {
            ++late;
        }
    }
    std::atomic<int> posts{0};
    std::atomic<int> late{0};
    std::atomic<bool> gone{false};
};

TEST(PagePoster, NoPostReachesAPageOnceItsUnregisterReturned) {
    PagePoster poster;
    std::atomic<bool> stop{false};
    std::atomic<long> dropped{0};
    std::thread receiver([&] {
        while (!stop) {
            if (!poster.Post(PageId::kLiveView, UM_DISK_SPACE_LOW, 3, 0)) {
                ++dropped;
            }
        }
    });
    int late = 0;
    int reached = 0;
    for (int i = 0; i < 10000; ++i) {
        auto page = std::make_unique<CountingPage>();
        poster.Register(PageId::kLiveView, page.get());
        for (int spin = 0; spin < 200 && page->posts == 0; ++spin) {
            std::this_thread::yield();
        }
        poster.Unregister(PageId::kLiveView, page.get());
        page->gone = true;
        for (int spin = 0; spin < 20; ++spin) {
            std::this_thread::yield();
        }
        late += page->late;
        reached += page->posts > 0 ? 1 : 0;
        page.reset();  // a post after this is a use after free
    }
    stop = true;
    receiver.join();
    EXPECT_EQ(late, 0);
    EXPECT_GT(reached, 0) << "the receiver never met a registered page";
    EXPECT_GT(dropped, 0) << "posts to a missing page are dropped";

    // A late unregister of a replaced page leaves its successor alone.
    CountingPage first;
    CountingPage second;
    poster.Register(PageId::kMainWindow, &first);
    poster.Register(PageId::kMainWindow, &second);
    poster.Unregister(PageId::kMainWindow, &first);
    EXPECT_TRUE(poster.Post(PageId::kMainWindow, UM_LOGIN, kLoginDone, 1));
    EXPECT_EQ(first.posts, 0);
    EXPECT_EQ(second.posts, 1);
}

}  // namespace
}  // namespace kestrel::client
