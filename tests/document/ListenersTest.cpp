// Callbacks kept under ids: called in the order added, removed by id (unknown
// ids ignored); a callback added while the list is walked is first called by
// the next walk, one removed is not called again, not even later in the same
// walk (its owner may have gone with it).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "document/Listeners.h"

using namespace hx;

TEST(ListenersTest, CallsInOrderAndChangesDuringAWalkApplyToTheNext) {
    Listeners<std::function<void()>> listeners;
    std::string calls;
    const int a = listeners.add([&] { calls += 'a'; });
    int b = 0, d = 0;
    b = listeners.add([&] {
        calls += 'b';
        listeners.remove(b);
        listeners.remove(d);
        listeners.add([&] { calls += 'c'; });
    });
    d = listeners.add([&] { calls += 'd'; });
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
