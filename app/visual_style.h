#pragma once

#include <QColor>

namespace velmora {

// Frame colour of colour scheme 1, 2 or 3; an invalid colour for any other
// number (the flat style is then off).
QColor flatFrameColor(int scheme);

// Switches the flat look on for every widget of the application, present and
// future (message boxes and file dialogs included): one-pixel frames in the
// scheme's colour instead of three-dimensional edges. Any number other than
// 1 to 3 switches it off again.
void applyVisualStyle(int scheme);

} // namespace velmora
