#pragma once

// The window's controls as data: one row per control with its kind, layout
// name, parent, place, size and text. The window is built from these rows in
// one loop; the rows of the 79 command boxes and their labels come from the
// slot table.

#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

namespace velmora {

enum class ControlKind {
    GroupBox,
    Label,
    TransparentLabel,
    PushButton,
    CheckBox,
    LineEdit, // single line, text centred (port number, baud rate)
    CommandBox, // single line, upper-case input, small CJK font
    FeedbackBox, // multi-line, vertical scroll bar, limited length
    HiddenLineEdit, // never shown
    ComboBox, // drop-down list without text field
    TabControl,
    ProgressBar,
    PictureBox,
    RichText,
};

struct ControlSpec {
    ControlKind kind {};
    QString name;
    QString parent; // empty: the window's client area
    int page = -1; // page of the tab control when parent is the tab control
    QRect geometry; // relative to the parent's outer top left corner
    QString text;
    QStringList items; // drop-down lists only
    int selected = -1; // drop-down lists only
};

inline constexpr int kFeedbackMaxChars = 20000;
inline constexpr int kStatusPartWidth = 354;

QString tabControlName();
QStringList tabPageTitles();

// Every control of the window in creation order (parents before children).
const std::vector<ControlSpec> &controlCatalogue();

} // namespace velmora
