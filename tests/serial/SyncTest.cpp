#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "serial/Sync.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

TEST(ManualResetEvent, StaysSignalledUntilResetAndCopiesShareIt) {
    ManualResetEvent event = ManualResetEvent::create();
    const ManualResetEvent copy = event;
    EXPECT_EQ(event.wait(10), WAIT_TIMEOUT);
    event.set();
    EXPECT_EQ(event.wait(INFINITE), WAIT_OBJECT_0); // manual reset: still set
    event.close();                                  // the copy keeps the event alive
    EXPECT_TRUE(copy.isSet());
    copy.reset();
    EXPECT_EQ(copy.wait(10), WAIT_TIMEOUT);

    const ManualResetEvent none; // a null handle: set does nothing, waits fail
    none.set();
    EXPECT_EQ(none.wait(INFINITE), WAIT_FAILED);
    EXPECT_EQ(waitForEither(copy, none, 0), WAIT_FAILED);
}

TEST(WaitForEither, ServesTheFirstEventFirstAndTakesNothingAway) {
    for (const int set : {0, 1, 2, 3}) { // bit 0: first, bit 1: second
        const ManualResetEvent first = ManualResetEvent::create(set & 1);
        const ManualResetEvent second = ManualResetEvent::create(set & 2);
        const std::uint32_t expected = set == 0   ? WAIT_TIMEOUT
                                       : set == 2 ? WAIT_OBJECT_0 + 1
                                                  : WAIT_OBJECT_0;
        EXPECT_EQ(waitForEither(first, second, 15), expected) << set;
        EXPECT_EQ(first.isSet() + 2 * second.isSet(), set);
    }
}

TEST(WaitForEither, EveryWaiterWakesWhenAnotherThreadSetsEitherEvent) {
    // Waiters register and leave while the events are set: nothing is left dangling.
    for (int round = 0; round < 50; ++round) {
        const ManualResetEvent events[2] = {ManualResetEvent::create(), ManualResetEvent::create()};
        std::uint32_t results[4] = {99, 99, 99, 99};
        std::thread waiters[4];
        const int which = round % 2;
        for (int i = 0; i < 4; ++i) { // bounded waits: a lost wake-up fails, never hangs
            waiters[i] = std::thread([&, i] {
                results[i] = i == 0 ? events[which].wait(10000) + which
                                    : waitForEither(events[0], events[1], 10000);
            });
        }
        if (round < 2) {
            std::this_thread::sleep_for(20ms); // these rounds the waiters are surely waiting
        }
        events[which].set();
        for (int i = 0; i < 4; ++i) {
            waiters[i].join();
            EXPECT_EQ(results[i], WAIT_OBJECT_0 + which) << round;
        }
    }
}

} // namespace
} // namespace velmar
