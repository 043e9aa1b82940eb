#pragma once

// What the link needs of an open port beyond QSerialPort, one file per system.

#include <QDeadlineTimer>
#include <QtGlobal>

namespace velmora {

// Takes the device for this open file alone. False when another holder has it.
// Where the system open is exclusive already this only says true.
bool claimDevice(qintptr handle);

// True when the device behind the handle has hung up (adapter unplugged,
// pseudo-terminal master closed).
bool deviceHungUp(qintptr handle);

// Waits until the bytes written to the device have left it, so that a later
// discard of queued output cannot cut them off. False when the device fails
// or the deadline passes first.
bool waitUntilTransmitted(qintptr handle, const QDeadlineTimer &deadline);

} // namespace velmora
