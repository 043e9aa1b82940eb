#include "link/port_resolver.h"

#include <QCoreApplication>
#include <QSerialPortInfo>

namespace velmora {

PortResolver defaultPortResolver()
{
    return pinnedOrListedResolver([] { return QCoreApplication::applicationDirPath(); },
        [] {
            QList<ListedPort> ports;
            for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
                ports.append({ info.systemLocation(), info.hasVendorIdentifier() });
            return ports;
        });
}

} // namespace velmora
