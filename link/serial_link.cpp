#include "link/serial_link.h"

#include "link/device_access.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QSerialPort>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <climits>
#include <memory>

namespace velmora {

namespace {

// How long one turn of the event loop raises received bytes before it lets
// other events in.
constexpr qint64 kDeliverySliceNs = 10'000'000;

QSerialPort::StopBits stopBitsFromCode(int code)
{
    switch (code) {
    case 2: return QSerialPort::OneAndHalfStop;
    case 3: return QSerialPort::TwoStop;
    default: return QSerialPort::OneStop;
    }
}

} // namespace

// Lives in the reader thread and owns the port there; every call below runs
// in that thread.
class SerialLink::Reader : public QObject {
public:
    explicit Reader(SerialLink &link)
        : m_link(link)
    {
    }

    bool alive() const { return m_alive.load(); }

    bool open(const QString &device, int baudRate, int stopBitsCode)
    {
        auto port = std::make_unique<QSerialPort>();
        port->setPortName(device);
        if (!port->setBaudRate(baudRate) || !port->setDataBits(QSerialPort::Data8)
            || !port->setParity(QSerialPort::NoParity) || !port->setStopBits(stopBitsFromCode(stopBitsCode))
            || !port->setFlowControl(QSerialPort::NoFlowControl))
            return false;
        // open() applies the settings above and fails when the port refuses one.
        if (!port->open(QIODevice::ReadWrite))
            return false;
        if (!claimDevice(port->handle()))
            return false;
        // A pseudo-terminal has no modem lines; an RTS it cannot raise is no
        // reason to refuse the port. DTR stays as the driver has it.
        port->setRequestToSend(true);
        port->clear(QSerialPort::AllDirections);
        port->clearError();
        connect(port.get(), &QSerialPort::readyRead, this, &Reader::readAvailable);
        connect(port.get(), &QSerialPort::errorOccurred, this, &Reader::handleError);
        m_port = std::move(port);
        m_alive = true;
        return true;
    }

    bool write(const QByteArray &bytes, qint64 timeoutMs)
    {
        if (!m_alive)
            return false;
        // A reply to an earlier frame that is still unread is lost here.
        m_port->clear(QSerialPort::AllDirections);
        m_port->clearError();
        const QDeadlineTimer deadline(timeoutMs);
        bool written = m_port->write(bytes) == bytes.size();
        while (written && m_port->bytesToWrite() > 0) {
            const qint64 left = deadline.remainingTime();
            if (left <= 0 || !m_port->waitForBytesWritten(static_cast<int>(std::min<qint64>(left, INT_MAX))))
                written = false;
        }
        if (written)
            written = waitUntilTransmitted(m_port->handle(), deadline);
        // A write that failed or timed out ends there: its rest must not
        // trickle out later, in front of the next frame.
        if (!written && m_port->isOpen())
            m_port->clear(QSerialPort::Output);
        return written;
    }

    void shutdown()
    {
        m_alive = false;
        if (m_port)
            m_port->disconnect(this);
        m_port.reset();
    }

private:
    void readAvailable()
    {
        const QByteArray data = m_port->readAll();
        if (!data.isEmpty())
            m_link.enqueue(data.constData(), static_cast<std::size_t>(data.size()));
    }

    void handleError(QSerialPort::SerialPortError error)
    {
        // A hung-up device stays readable with nothing to read: left open, the
        // port would wake this thread without end.
        if (!m_alive)
            return;
        const bool lost = error == QSerialPort::ResourceError
            || (error == QSerialPort::ReadError && deviceHungUp(m_port->handle()));
        if (!lost)
            return;
        m_alive = false;
        // Not inside the port's own signal: closing there would pull its
        // notifier from under it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_port)
                    m_port->close();
            },
            Qt::QueuedConnection);
    }

    SerialLink &m_link;
    std::unique_ptr<QSerialPort> m_port;
    std::atomic<bool> m_alive { false };
};

SerialLink::SerialLink(PortResolver resolver, QObject *parent)
    : QObject(parent)
    , m_resolver(std::move(resolver))
    , m_resume(new QTimer(this))
{
    m_resume->setSingleShot(true);
    m_resume->setInterval(0);
    connect(m_resume, &QTimer::timeout, this, &SerialLink::deliver);
}

SerialLink::~SerialLink()
{
    close();
}

void SerialLink::setPortNumber(int n)
{
    m_portNumber = std::max(n, 1);
}

void SerialLink::setBaudRate(int rate)
{
    m_baudRate = std::max(rate, 0);
}

void SerialLink::setWriteTimeout(int perByteMs, int constantMs)
{
    m_timeoutPerByteMs = std::max(perByteMs, 0);
    m_timeoutConstantMs = std::max(constantMs, 0);
}

bool SerialLink::isOpen() const
{
    return m_reader && m_reader->alive();
}

bool SerialLink::start()
{
    close();
    // Some USB-serial drivers bring the machine down on a rate of 0: it never
    // reaches the driver.
    if (m_baudRate <= 0)
        return false;
    const QString device = m_resolver ? m_resolver(m_portNumber) : QString();
    if (device.isEmpty())
        return false;

    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("serial reader"));
    m_reader = new Reader(*this);
    m_reader->moveToThread(m_thread);
    m_thread->start();

    bool opened = false;
    QMetaObject::invokeMethod(
        m_reader,
        [reader = m_reader, device, rate = m_baudRate, code = stopBits()] {
            return reader->open(device, rate, code);
        },
        Qt::BlockingQueuedConnection, &opened);
    if (!opened)
        close();
    return opened;
}

void SerialLink::close()
{
    if (!m_thread)
        return;
    QMetaObject::invokeMethod(
        m_reader, [reader = m_reader] { reader->shutdown(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    // The thread has ended: nothing runs in it any more.
    delete m_reader;
    m_reader = nullptr;
    delete m_thread;
    m_thread = nullptr;
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.clear();
        m_wakePending = false;
    }
    m_delivering.clear();
    m_deliverPos = 0;
}

bool SerialLink::send(const std::vector<std::uint8_t> &bytes)
{
    if (!isOpen())
        return false;
    if (bytes.empty())
        return true;
    const QByteArray data(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    const qint64 timeoutMs
        = qint64(m_timeoutPerByteMs) * static_cast<qint64>(bytes.size()) + qint64(m_timeoutConstantMs);
    bool written = false;
    QMetaObject::invokeMethod(
        m_reader, [reader = m_reader, data, timeoutMs] { return reader->write(data, timeoutMs); },
        Qt::BlockingQueuedConnection, &written);
    return written;
}

void SerialLink::enqueue(const char *data, std::size_t size)
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(data);
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.insert(m_queue.end(), bytes, bytes + size);
        if (m_wakePending)
            return;
        m_wakePending = true;
    }
    // The link as context: a wake-up still queued when it is destroyed is
    // discarded with it. One that outlives a close finds the queue emptied.
    QMetaObject::invokeMethod(
        this, [this] { deliver(); }, Qt::QueuedConnection);
}

void SerialLink::deliver()
{
    {
        std::lock_guard lock(m_queueMutex);
        if (m_delivering.empty())
            m_delivering.swap(m_queue);
        else
            m_delivering.insert(m_delivering.end(), m_queue.begin(), m_queue.end());
        m_queue.clear();
        m_wakePending = false;
    }
    // A delivery that used up its slice goes on from its timer, after the
    // timers that are due; a wake-up for a newer batch must not jump ahead.
    if (m_resume->isActive())
        return;
    const QPointer<SerialLink> self(this);
    QElapsedTimer slice;
    slice.start();
    while (m_deliverPos < m_delivering.size()) {
        emit byteReceived(m_delivering[m_deliverPos++]);
        // A handler may destroy the link; one that restarts it empties the
        // list through close().
        if (!self)
            return;
        // A flood (megabytes queued while the handlers were busy) must not
        // hold the thread: after one slice the rest waits its turn behind
        // timers, input and repaints, still in order.
        if (m_deliverPos < m_delivering.size() && slice.nsecsElapsed() > kDeliverySliceNs) {
            m_resume->start();
            return;
        }
    }
    m_delivering.clear();
    m_deliverPos = 0;
}

} // namespace velmora
