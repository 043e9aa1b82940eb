#pragma once

// Pseudo-terminal pairs for tests of the serial link: the test holds the
// master side, the link opens the slave by its path.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

using Bytes = std::vector<std::uint8_t>;

class PtyPair {
public:
    PtyPair() = default;
    ~PtyPair() { close(); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    // Opens a new pair with the line raw. Empty on success, else the reason.
    std::string open();
    // Closes both ends.
    void close();
    // Hangs the line up for everyone who has the slave side open.
    void closeMaster();

    const std::string &slavePath() const { return m_slavePath; }

    // Writes every byte to the master side; false when a write fails.
    bool write(const Bytes &bytes);
    // Reads from the master side until count bytes came or the timeout passed.
    Bytes read(std::size_t count, std::chrono::milliseconds timeout);
    // Waits up to the timeout for input on the master side and returns what
    // one read gives; empty when nothing came.
    Bytes readSome(std::chrono::milliseconds timeout);
    // Bytes written to the master side that no one has read from the slave
    // side yet; -1 when that cannot be asked.
    long pendingInput() const;

private:
    int m_master = -1;
    int m_slave = -1; // kept open: the line and its unread input outlive every open by a link
    std::string m_slavePath;
};

// Opens one pair before every test, skips the test where none can be had,
// and closes both ends after it.
class PtyFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = pty.open(); !why.empty())
            GTEST_SKIP() << "no pseudo-terminal: " << why;
    }
    void TearDown() override { pty.close(); }

    PtyPair pty;
};

} // namespace velmora::test
