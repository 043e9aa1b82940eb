#include "event_loop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace velmora::test {

namespace {

class CoreApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "link_tests";
        static char *argv[] = { name, nullptr };
        m_app = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QCoreApplication> m_app;
};

[[maybe_unused]] const auto *const environment
    = ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

} // namespace

bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout.count(), Qt::PreciseTimer);
    // Wakes the wait at the deadline, and now and then for conditions that
    // another thread changes without posting an event here.
    QTimer alarm;
    alarm.setTimerType(Qt::PreciseTimer);
    alarm.setSingleShot(true);
    alarm.start(static_cast<int>(timeout.count()));
    QTimer recheck;
    recheck.start(5);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void dispatchEventsFor(std::chrono::milliseconds window)
{
    waitUntil([] { return false; }, window);
}

} // namespace velmora::test
