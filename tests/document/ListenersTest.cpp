// Callbacks kept under ids: called in the order added, removed by id (unknown
// ids ignored), and a callback that removes itself or adds another while the
// list is walked changes only the next walk.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "document/Listeners.h"

using namespace hx;

TEST(ListenersTest, CallsInOrderAndChangesDuringAWalkApplyToTheNext) {
    Listeners<std::function<void()>> listeners;
    std::string calls;
    const int a = listeners.add([&] { calls += 'a'; });
    int b = 0;
    b = listeners.add([&] {
        calls += 'b';
        listeners.remove(b);
        listeners.add([&] { calls += 'c'; });
    });
    EXPECT_NE(a, 0);
    EXPECT_NE(a, b);
    listeners.remove(12345);

    listeners.each([](const auto &callback) { callback(); });
    EXPECT_EQ(calls, "ab");
    calls.clear();
    listeners.each([](const auto &callback) { callback(); });
    EXPECT_EQ(calls, "ac");
    calls.clear();
    listeners.remove(a);
    listeners.each([](const auto &callback) { callback(); });
    EXPECT_EQ(calls, "c");
}
