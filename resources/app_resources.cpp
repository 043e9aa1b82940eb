#include "app_resources.h"

#include "png_image.h"

#include <QFile>
#include <QString>
#include <QStringEncoder>

namespace velmora {

namespace {

QByteArray resourceBytes(const char *name)
{
    QFile file(QStringLiteral(":/velmora/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly)) // binary: the CR LF line ends stay as stored
        return {};
    return file.readAll();
}

} // namespace

QByteArray instructionsTextGbk()
{
    static const QByteArray text = [] {
        QStringEncoder toGbk("GBK");
        if (!toGbk.isValid())
            return QByteArray();
        QByteArray gbk = toGbk.encode(QString::fromUtf8(resourceBytes("instructions.txt")));
        // A text that GBK cannot hold exactly is a broken build, not something to show.
        return toGbk.hasError() ? QByteArray() : gbk;
    }();
    return text;
}

// Each picture is decoded once; the copies handed out share its pixels.
QImage serialSwitchPicture()
{
    static const QImage picture = decodePng(resourceBytes("dip_serial.png"));
    return picture;
}

QImage typeCSwitchPicture()
{
    static const QImage picture = decodePng(resourceBytes("dip_typec.png"));
    return picture;
}

QImage windowIconImage()
{
    static const QImage picture = decodePng(resourceBytes("icon.png"));
    return picture;
}

} // namespace velmora
