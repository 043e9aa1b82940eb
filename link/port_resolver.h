#pragma once

// Which device a port number names. The link is given a resolver, so the
// program and its tests can point port n at different devices.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace velmora {

// Device name for QSerialPort::setPortName for port n (n >= 1); empty when none.
using PortResolver = std::function<QString(int portNumber)>;

// Windows: "\\.\COMn" (this form also reaches ports above 9).
// Linux/macOS: ports/COM<n> in the program's directory
// (QCoreApplication::applicationDirPath()) if it exists (a symlink to any
// serial device, resolved), else the n-th port of
// QSerialPortInfo::availablePorts(), USB adapters (vendor id present; CH340 =
// 1A86) first, then the others, each group in natural name order.
PortResolver defaultPortResolver();

// A serial port as the system lists it.
struct ListedPort {
    QString device; // system location, e.g. /dev/ttyUSB0
    bool usb = false; // has a USB vendor id
};

// True when a comes before b in natural order: digit runs compare by value,
// so ttyS2 comes before ttyS10.
bool naturalLess(const QString &a, const QString &b);

// The devices of the fallback numbering, port 1 first: USB adapters, then the
// others, each group in natural order of the device name.
QStringList numberListedPorts(QList<ListedPort> ports);

// The resolver used outside Windows, built from its two sources: the program's
// directory (looked up at every call) and the system's list of serial ports.
PortResolver pinnedOrListedResolver(
    std::function<QString()> programDirectory, std::function<QList<ListedPort>()> listPorts);

} // namespace velmora
