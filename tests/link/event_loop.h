#pragma once

// The link and the timer raise their events through the event loop of the
// test's main thread; a QCoreApplication exists for the whole test run.

#include <chrono>
#include <functional>

namespace velmora::test {

// Dispatches events until the condition holds or the timeout passes; true
// when it holds. Sleeps between events; checks at least every few ms.
bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout);

// Dispatches events for the given time, for checks that something does not
// happen within a window.
void dispatchEventsFor(std::chrono::milliseconds window);

} // namespace velmora::test
