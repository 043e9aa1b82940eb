#pragma once

// The tool's one serial port (the window's 端口1). While the link is open, a
// reader thread owns the port and performs every read and write; received
// bytes reach the thread that owns the link as one byteReceived per byte.

#include "link/port_resolver.h"

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

class QThread;
class QTimer;

namespace velmora {

class SerialLink : public QObject {
    Q_OBJECT
public:
    explicit SerialLink(PortResolver resolver = defaultPortResolver(), QObject *parent = nullptr);
    ~SerialLink() override; // closes the link

    // Stored for the next start; an open port is not touched.
    void setPortNumber(int n); // below 1 is stored as 1
    int portNumber() const { return m_portNumber; }
    void setBaudRate(int rate); // negative is stored as 0
    int baudRate() const { return m_baudRate; }
    int dataBits() const { return 8; }
    int stopBits() const { return 1; } // code: 1 = one, 2 = one and a half, 3 = two
    bool parityCheck() const { return false; }

    // True while the port is open and its device is still there.
    bool isOpen() const;

    // Closes the link, then opens port portNumber exclusively at baudRate, 8N1,
    // RTS asserted, DTR as the driver has it, no flow control, both directions
    // discarded. False leaves the link closed; a rate of 0 is refused without
    // touching the device.
    bool start();

    // Stops the reader, releases the port and drops received bytes not yet
    // raised. Nothing happens when the link is closed.
    void close();

    // Discards unread input and queued output, writes the bytes and blocks the
    // caller, without dispatching its events, until written or failed. False on
    // a closed link, a write error or the write time-out; true for no bytes on
    // an open link (nothing is written).
    bool send(const std::vector<std::uint8_t> &bytes);

    // A write of n bytes fails when not finished within perByte × n + constant
    // milliseconds (1000 and 1000 unless changed).
    void setWriteTimeout(int perByteMs, int constantMs);

signals:
    // One per received byte (0..255), in arrival order, on the link's thread.
    void byteReceived(int value);

private:
    class Reader;

    // Reader thread: queue received bytes and wake the link's thread once per batch.
    void enqueue(const char *data, std::size_t size);
    // Link's thread: raise the queued bytes in order, one time slice per
    // turn of the event loop.
    void deliver();

    PortResolver m_resolver;
    int m_portNumber = 1;
    int m_baudRate = 9600;
    int m_timeoutPerByteMs = 1000;
    int m_timeoutConstantMs = 1000;

    QThread *m_thread = nullptr;
    Reader *m_reader = nullptr;

    // Shared with the reader: the system's only lock guards these two.
    std::mutex m_queueMutex;
    std::vector<std::uint8_t> m_queue;
    bool m_wakePending = false;

    // Link's thread only: bytes taken from the queue and not yet raised. A
    // handler that dispatches events may deliver a later batch nested inside
    // this one; appending here keeps the order.
    std::vector<std::uint8_t> m_delivering;
    std::size_t m_deliverPos = 0;
    // Resumes a delivery that used up its slice; a timer, so that the
    // other timers (the quiet timer among them) are due in the same turn.
    QTimer *m_resume = nullptr;
};

} // namespace velmora
