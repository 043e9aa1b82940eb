#pragma once

// The resources embedded in the program: the instructions text, the two
// DIP-switch pictures of the instructions page and the window icon. They are
// compiled into velmora_resources, so the program runs from any folder.

#include <QByteArray>
#include <QImage>

namespace velmora {

// The instructions text in GBK: 17 lines, each ending with CR LF. Empty if
// this Qt build cannot encode GBK.
QByteArray instructionsTextGbk();

// The switch setting for serial communication (red levers up, blue down),
// 220 x 170 with alpha.
QImage serialSwitchPicture();

// The switch setting for Type-C debugging (red levers down, blue up),
// 442 x 336 with alpha.
QImage typeCSwitchPicture();

// The window icon, 256 x 256 with alpha.
QImage windowIconImage();

// All pictures are decoded by decodePng, in Format_ARGB32.

} // namespace velmora
