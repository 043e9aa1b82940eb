#pragma once

// A controller stand-in on a pseudo-terminal: records every byte the tool
// sends with its arrival time, and sends replies.

#include "pty.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace velmora::test {

using Clock = std::chrono::steady_clock;

struct ReceivedByte {
    std::uint8_t value = 0;
    Clock::time_point at;
};

class FakeController {
public:
    FakeController() = default;
    ~FakeController();
    FakeController(const FakeController &) = delete;
    FakeController &operator=(const FakeController &) = delete;

    // Empty on success, else why no pseudo-terminal could be had.
    std::string open();
    void close();
    const std::string &path() const { return m_pty.slavePath(); }

    std::vector<ReceivedByte> received() const;
    Bytes receivedBytes() const;
    // Waits until at least `count` bytes have arrived.
    bool waitForBytes(std::size_t count, std::chrono::milliseconds timeout) const;
    bool reply(const Bytes &bytes) { return m_pty.write(bytes); }
    // Closes the master side, as an unplugged adapter would; recording stops.
    void hangUp();
    void clear();

private:
    PtyPair m_pty;
    std::thread m_reader;
    std::atomic<bool> m_stop { false };
    mutable std::mutex m_mutex;
    std::vector<ReceivedByte> m_received;
};

} // namespace velmora::test
