#include "protocol/transmission.h"

#include "link/serial_link.h"
#include "model/command_text.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace velmora {

void pauseWithEvents(int ms)
{
    if (ms <= 0)
        return;
    QElapsedTimer clock;
    clock.start();
    const qint64 endNs = qint64(ms) * 1000000;
    // The timer only wakes the wait at the end time; events that arrive
    // earlier are handled as they come.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const qint64 remainingNs = endNs - clock.nsecsElapsed();
        if (remainingNs < 0)
            return;
        if (!wake.isActive())
            wake.start(int(remainingNs / 1000000) + 1);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

std::vector<std::uint8_t> sendHexFrame(SerialLink &link, std::string_view frameText)
{
    std::vector<std::uint8_t> bytes = hexTextToBytes(frameText);
    if (link.send(bytes))
        pauseWithEvents(int(frameText.size()));
    return bytes;
}

} // namespace velmora
