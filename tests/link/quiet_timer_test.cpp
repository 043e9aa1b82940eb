#include "link/quiet_timer.h"

#include "event_loop.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace velmora;
using namespace velmora::test;
using namespace std::chrono_literals;

namespace {

// The times of a timer's ticks, in milliseconds since the clock started.
struct Ticks {
    QElapsedTimer clock;
    std::vector<double> at;

    explicit Ticks(QuietTimer &timer)
    {
        clock.start();
        QObject::connect(
            &timer, &QuietTimer::tick, &timer, [this] { at.push_back(double(clock.nsecsElapsed()) / 1e6); });
    }
    double now() const { return double(clock.nsecsElapsed()) / 1e6; }
};

TEST(QuietTimer, StoppedAtStartAndAfterANegativePeriod)
{
    QuietTimer timer;
    Ticks ticks(timer);
    EXPECT_EQ(timer.period(), 0);
    timer.setPeriod(-5);
    EXPECT_EQ(timer.period(), 0);
    dispatchEventsFor(50ms);
    EXPECT_TRUE(ticks.at.empty());
}

TEST(QuietTimer, FirstTickComesOnePeriodAfterStarting)
{
    QuietTimer timer;
    Ticks ticks(timer);
    const double startedAt = ticks.now();
    timer.setPeriod(11);
    EXPECT_EQ(timer.period(), 11);
    ASSERT_TRUE(waitUntil([&] { return !ticks.at.empty(); }, 2s));
    const double first = ticks.at.front() - startedAt;
    EXPECT_GE(first, 10.0);
    EXPECT_LT(first, 40.0);
}

TEST(QuietTimer, ElevenMillisecondsStayElevenMilliseconds)
{
    QuietTimer timer;
    Ticks ticks(timer);
    timer.setPeriod(11);
    ASSERT_TRUE(waitUntil([&] { return ticks.at.size() >= 21; }, 5s));
    const double mean = (ticks.at[20] - ticks.at[0]) / 20.0;
    // A coarse timer would make it 15 or 20 ms, or bunch the ticks.
    EXPECT_GE(mean, 10.5);
    EXPECT_LE(mean, 14.0);
}

// Halfway through a 400 ms period the period is set again: the same value
// must leave the tick at 400 ms, another value restarts from there.
struct ResetCase {
    const char *name;
    int secondPeriod;
    double earliest; // first tick, ms after the timer started
    double latest;
};

class QuietTimerResetTest : public ::testing::TestWithParam<ResetCase> { };

TEST_P(QuietTimerResetTest, FirstTick)
{
    const ResetCase &c = GetParam();
    QuietTimer timer;
    Ticks ticks(timer);
    const double startedAt = ticks.now();
    timer.setPeriod(400);
    dispatchEventsFor(200ms);
    ASSERT_TRUE(ticks.at.empty()) << "ticked before its period";
    timer.setPeriod(c.secondPeriod);
    EXPECT_EQ(timer.period(), c.secondPeriod);
    ASSERT_TRUE(waitUntil([&] { return !ticks.at.empty(); }, 3s));
    const double first = ticks.at.front() - startedAt;
    EXPECT_GE(first, c.earliest);
    EXPECT_LT(first, c.latest);
}

INSTANTIATE_TEST_SUITE_P(Periods, QuietTimerResetTest,
    ::testing::Values(ResetCase { "same_value_keeps_the_tick", 400, 395.0, 560.0 },
        ResetCase { "other_value_restarts", 300, 495.0, 700.0 }),
    [](const auto &info) { return std::string(info.param.name); });

struct StopCase {
    const char *name;
    int value;
};

class QuietTimerStopTest : public ::testing::TestWithParam<StopCase> { };

TEST_P(QuietTimerStopTest, NoMoreTicks)
{
    QuietTimer timer;
    Ticks ticks(timer);
    timer.setPeriod(10);
    ASSERT_TRUE(waitUntil([&] { return ticks.at.size() >= 2; }, 2s));
    timer.setPeriod(GetParam().value);
    EXPECT_EQ(timer.period(), 0);
    const std::size_t count = ticks.at.size();
    dispatchEventsFor(100ms);
    EXPECT_EQ(ticks.at.size(), count);
}

INSTANTIATE_TEST_SUITE_P(Values, QuietTimerStopTest,
    ::testing::Values(StopCase { "zero", 0 }, StopCase { "negative", -7 }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
