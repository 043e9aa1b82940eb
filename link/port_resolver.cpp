#include "link/port_resolver.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace velmora {

namespace {

// The value of the digit run starting at i, compared without leading zeros.
QStringView digitRun(const QString &text, qsizetype &i)
{
    const qsizetype start = i;
    while (i < text.size() && text.at(i).isDigit())
        ++i;
    QStringView run = QStringView(text).mid(start, i - start);
    while (run.size() > 1 && run.front() == u'0')
        run = run.mid(1);
    return run;
}

} // namespace

bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            const QStringView x = digitRun(a, i);
            const QStringView y = digitRun(b, j);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int c = x.compare(y); c != 0)
                return c < 0;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j);
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b; // equal in value ("tty01" and "tty1"): keep a total order
}

QStringList numberListedPorts(QList<ListedPort> ports)
{
    std::stable_sort(ports.begin(), ports.end(), [](const ListedPort &x, const ListedPort &y) {
        if (x.usb != y.usb)
            return x.usb;
        return naturalLess(x.device, y.device);
    });
    QStringList devices;
    devices.reserve(ports.size());
    for (const ListedPort &port : ports)
        devices.append(port.device);
    return devices;
}

PortResolver pinnedOrListedResolver(
    std::function<QString()> programDirectory, std::function<QList<ListedPort>()> listPorts)
{
    return
        [programDirectory = std::move(programDirectory), listPorts = std::move(listPorts)](int n) -> QString {
            if (n < 1)
                return {};
            const QFileInfo pinned(QDir(programDirectory()).filePath(QStringLiteral("ports/COM%1").arg(n)));
            // A pinned number stays pinned while its adapter is unplugged (a
            // dangling link): falling back to the list would open some other device.
            if (pinned.isSymLink() || pinned.exists()) {
                // The real device name, so that the lock other programs look for
                // (LCK..ttyUSB0) is the one taken.
                return pinned.canonicalFilePath();
            }
            const QStringList listed = numberListedPorts(listPorts());
            return n <= listed.size() ? listed.at(n - 1) : QString();
        };
}

} // namespace velmora
