#include <gtest/gtest.h>

#include <chrono>

#include "platform/Platform.h"

namespace hx {
namespace {

void DrainQueue() {
    while (PollEvent()) {
    }
}

TEST(EventQueue, KeepsPostingOrder) {
    DrainQueue();
    for (int i = 0; i < 5; ++i)
        PostControlEvent(0, i, -3);
    ASSERT_EQ(PendingEventCount(), 5u);
    for (int i = 0; i < 5; ++i) {
        const Event event = WaitEvent();
        EXPECT_EQ(event.kind, EventControl);
        EXPECT_EQ(event.control, i);
        EXPECT_EQ(event.type, -3);
    }
    EXPECT_EQ(PendingEventCount(), 0u);
}

TEST(EventQueue, PollWithNothingPendingReturnsAtOnce) {
    DrainQueue();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(PollEvent().has_value());
    // Generous bound: a blocking poll would wait forever, not 2 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace hx
