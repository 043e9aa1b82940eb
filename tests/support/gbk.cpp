#include "gbk.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <stdexcept>

namespace velmora::test {

std::string gbk(const char *utf8)
{
    QStringEncoder encoder("GBK");
    if (!encoder.isValid())
        throw std::runtime_error("this Qt build has no GBK codec");
    const QByteArray bytes = encoder.encode(QString::fromUtf8(utf8));
    return bytes.toStdString();
}

std::string gbk(const std::string &utf8)
{
    return gbk(utf8.c_str());
}

std::string utf8FromGbk(const std::string &gbkBytes)
{
    QStringDecoder decoder("GBK");
    const QString text = decoder.decode(QByteArray::fromStdString(gbkBytes));
    return text.toStdString();
}

} // namespace velmora::test
