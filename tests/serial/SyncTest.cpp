#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "serial/Sync.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

TEST(ManualResetEvent, StaysSignalledUntilReset) {
    const ManualResetEvent event = ManualResetEvent::create();
    ASSERT_TRUE(event);
    EXPECT_FALSE(event.isSet());
    EXPECT_EQ(event.wait(0), WAIT_TIMEOUT);
    event.set();
    EXPECT_EQ(event.wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(event.wait(INFINITE), WAIT_OBJECT_0); // manual reset: still set
    event.reset();
    EXPECT_EQ(event.wait(10), WAIT_TIMEOUT);
    EXPECT_TRUE(ManualResetEvent::create(true).isSet());
}

TEST(ManualResetEvent, CopiesShareOneEventThatOutlivesTheOriginal) {
    ManualResetEvent original = ManualResetEvent::create();
    const ManualResetEvent copy = original;
    EXPECT_TRUE(copy.sameEvent(original));
    original.set();
    EXPECT_TRUE(copy.isSet());
    original.close();
    EXPECT_FALSE(original);
    EXPECT_TRUE(copy.isSet());
    EXPECT_FALSE(copy.sameEvent(ManualResetEvent::create()));
}

TEST(ManualResetEvent, WithoutAnEventSetDoesNothingAndWaitsFail) {
    const ManualResetEvent none;
    EXPECT_FALSE(none);
    none.set();
    none.reset();
    EXPECT_FALSE(none.isSet());
    EXPECT_EQ(none.wait(INFINITE), WAIT_FAILED);
    EXPECT_EQ(waitForEither(none, ManualResetEvent::create(true), 0), WAIT_FAILED);
    EXPECT_EQ(waitForEither(ManualResetEvent::create(true), none, 0), WAIT_FAILED);
}

TEST(ManualResetEvent, WakesEveryWaitingThread) {
    const ManualResetEvent event = ManualResetEvent::create();
    std::uint32_t results[3] = {99, 99, 99};
    std::thread waiters[3];
    for (int i = 0; i < 3; ++i) {
        waiters[i] = std::thread([&, i] { results[i] = event.wait(INFINITE); });
    }
    std::this_thread::sleep_for(20ms);
    event.set();
    for (auto& waiter : waiters) {
        waiter.join();
    }
    for (const std::uint32_t result : results) {
        EXPECT_EQ(result, WAIT_OBJECT_0);
    }
}

struct EitherCase {
    bool firstSet;
    bool secondSet;
    std::uint32_t expected;
};

class WaitForEitherTable : public ::testing::TestWithParam<EitherCase> {};

TEST_P(WaitForEitherTable, ServesTheFirstEventFirst) {
    const EitherCase& c = GetParam();
    const ManualResetEvent first = ManualResetEvent::create(c.firstSet);
    const ManualResetEvent second = ManualResetEvent::create(c.secondSet);
    EXPECT_EQ(waitForEither(first, second, 0), c.expected);
    EXPECT_EQ(waitForEither(first, second, 15), c.expected);
    // Waiting takes nothing away: both stay as they were.
    EXPECT_EQ(first.isSet(), c.firstSet);
    EXPECT_EQ(second.isSet(), c.secondSet);
}

INSTANTIATE_TEST_SUITE_P(Sync, WaitForEitherTable,
                         ::testing::Values(EitherCase{false, false, WAIT_TIMEOUT},
                                           EitherCase{true, false, WAIT_OBJECT_0},
                                           EitherCase{false, true, WAIT_OBJECT_0 + 1},
                                           EitherCase{true, true, WAIT_OBJECT_0}),
                         [](const ::testing::TestParamInfo<EitherCase>& info) {
                             return std::string(info.param.firstSet ? "FirstSet" : "FirstClear") +
                                    (info.param.secondSet ? "SecondSet" : "SecondClear");
                         });

TEST(WaitForEither, WakesWhenTheOtherThreadSetsEitherEvent) {
    for (int which = 0; which < 2; ++which) {
        const ManualResetEvent first = ManualResetEvent::create();
        const ManualResetEvent second = ManualResetEvent::create();
        std::thread setter([&] {
            std::this_thread::sleep_for(20ms);
            (which == 0 ? first : second).set();
        });
        EXPECT_EQ(waitForEither(first, second, INFINITE), WAIT_OBJECT_0 + which);
        setter.join();
    }
}

TEST(WaitForEither, TimesOutAfterRoughlyTheTimeOut) {
    const ManualResetEvent first = ManualResetEvent::create();
    const ManualResetEvent second = ManualResetEvent::create();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(waitForEither(first, second, 50), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST(WaitForEither, TheSameEventTwiceIsOneWait) {
    const ManualResetEvent event = ManualResetEvent::create();
    EXPECT_EQ(waitForEither(event, event, 0), WAIT_TIMEOUT);
    event.set();
    EXPECT_EQ(waitForEither(event, event, 0), WAIT_OBJECT_0);
}

TEST(WaitForEither, ManyWaitersOnSharedEventsAllWake) {
    // Waiters register and leave while the events are set: nothing is left dangling.
    const ManualResetEvent stop = ManualResetEvent::create();
    for (int round = 0; round < 50; ++round) {
        const ManualResetEvent data = ManualResetEvent::create();
        std::thread waiters[4];
        std::uint32_t results[4] = {};
        for (int i = 0; i < 4; ++i) {
            waiters[i] = std::thread([&, i] { results[i] = waitForEither(data, stop, 10000); });
        }
        data.set();
        for (auto& waiter : waiters) {
            waiter.join();
        }
        for (const std::uint32_t result : results) {
            ASSERT_EQ(result, WAIT_OBJECT_0);
        }
    }
}

} // namespace
} // namespace velmar
