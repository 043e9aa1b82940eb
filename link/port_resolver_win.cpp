#include "link/port_resolver.h"

namespace velmora {

PortResolver defaultPortResolver()
{
    return [](int n) -> QString {
        if (n < 1)
            return {};
        return QStringLiteral("\\\\.\\COM%1").arg(n);
    };
}

} // namespace velmora
