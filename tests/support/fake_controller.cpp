#include "fake_controller.h"

namespace velmora::test {

FakeController::~FakeController()
{
    close();
}

std::string FakeController::open()
{
    if (std::string why = m_pty.open(); !why.empty())
        return why;
    m_stop = false;
    m_reader = std::thread([this] {
        while (!m_stop) {
            const Bytes chunk = m_pty.readSome(std::chrono::milliseconds(20));
            const auto now = Clock::now();
            std::lock_guard lock(m_mutex);
            for (std::uint8_t b : chunk)
                m_received.push_back({ b, now });
        }
    });
    return {};
}

void FakeController::close()
{
    m_stop = true;
    if (m_reader.joinable())
        m_reader.join();
    m_pty.close();
}

void FakeController::hangUp()
{
    m_stop = true;
    if (m_reader.joinable())
        m_reader.join();
    m_pty.closeMaster();
}

std::vector<ReceivedByte> FakeController::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

Bytes FakeController::receivedBytes() const
{
    Bytes out;
    for (const ReceivedByte &r : received())
        out.push_back(r.value);
    return out;
}

bool FakeController::waitForBytes(std::size_t count, std::chrono::milliseconds timeout) const
{
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        {
            std::lock_guard lock(m_mutex);
            if (m_received.size() >= count)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::lock_guard lock(m_mutex);
    return m_received.size() >= count;
}

void FakeController::clear()
{
    std::lock_guard lock(m_mutex);
    m_received.clear();
}

} // namespace velmora::test
