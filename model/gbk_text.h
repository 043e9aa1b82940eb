#pragma once

// The one place where the window's Unicode texts and the core's GBK bytes
// meet. A character that GBK cannot hold becomes "?", as a code-page 936
// edit box would make it.

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

namespace velmora {

QByteArray toGbk(const QString &text);
std::string toGbkString(const QString &text);
QString fromGbk(std::string_view gbk);
QString fromGbk(const QByteArray &gbk);

} // namespace velmora
