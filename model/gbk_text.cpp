#include "model/gbk_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace velmora {

QByteArray toGbk(const QString &text)
{
    // The encoder has no replacement option, so unencodable characters are
    // replaced by hand, one character (or surrogate pair) at a time.
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    QByteArray out = encoder.encode(text);
    if (!encoder.hasError())
        return out;
    out.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QStringEncoder single("GBK", QStringConverter::Flag::Stateless);
        const QByteArray bytes = single.encode(QStringView(text).mid(i, length));
        out += single.hasError() || bytes.isEmpty() ? QByteArray("?") : bytes;
        i += length - 1;
    }
    return out;
}

std::string toGbkString(const QString &text)
{
    return toGbk(text).toStdString();
}

QString fromGbk(std::string_view gbk)
{
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    return decoder.decode(QByteArrayView(gbk.data(), qsizetype(gbk.size())));
}

QString fromGbk(const QByteArray &gbk)
{
    return fromGbk(std::string_view(gbk.constData(), std::size_t(gbk.size())));
}

} // namespace velmora
