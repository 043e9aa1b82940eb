#include "resources/app_resources.h"
#include "resources/png_image.h"
#include "support/gbk.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

using namespace velmora;
using velmora::test::gbk;

namespace {

// ---------------------------------------------------------------------------
// The instructions text

std::vector<std::string> crlfLines(const QByteArray &text)
{
    std::vector<std::string> lines;
    qsizetype start = 0;
    for (qsizetype end = 0; (end = text.indexOf("\r\n", start)) >= 0; start = end + 2)
        lines.push_back(text.mid(start, end - start).toStdString());
    if (start != text.size())
        lines.push_back(text.mid(start).toStdString() + "<no CR LF at the end>");
    return lines;
}

TEST(InstructionsText, Is756GbkBytesIn17CrLfLines)
{
    const QByteArray text = instructionsTextGbk();
    EXPECT_EQ(text.size(), 756);
    ASSERT_TRUE(text.endsWith("\r\n"));

    const std::vector<std::string> lines = crlfLines(text);
    ASSERT_EQ(lines.size(), 17u);
    for (size_t i = 0; i < lines.size(); ++i) {
        // No stray CR or LF inside a line: every line end is exactly CR LF.
        EXPECT_EQ(lines[i].find_first_of("\r\n"), std::string::npos) << "line " << i + 1;
        // Line 1 and the line after each paragraph are empty.
        const bool paragraphLine = (i % 2) == 1;
        EXPECT_EQ(lines[i].empty(), !paragraphLine) << "line " << i + 1;
    }
}

struct ParagraphCase {
    int number;
    const char *utf8;
};

class InstructionsParagraph : public ::testing::TestWithParam<ParagraphCase> { };

TEST_P(InstructionsParagraph, IsExact)
{
    const std::vector<std::string> lines = crlfLines(instructionsTextGbk());
    const auto line = static_cast<size_t>(2 * GetParam().number - 1); // lines 2, 4, ..., 16
    ASSERT_GT(lines.size(), line);
    EXPECT_EQ(lines[line], gbk(GetParam().utf8)) << velmora::test::utf8FromGbk(lines[line]);
}

INSTANTIATE_TEST_SUITE_P(Paragraphs, InstructionsParagraph,
    ::testing::Values(
        ParagraphCase { 1,
            "1、设备右下角拨码开关“上上下下”为COM1通讯模式，拨码开关“下下上上”为Type-c数据线调试模式；"
            "调试完拨成“上上下下”" },
        ParagraphCase { 2,
            "2、端口号：右键点击“我的电脑”-“管理”-“设备管理器”-“端口”，根据实际端口号进行填写，"
            "波特率默认9600；" },
        ParagraphCase {
            3, "3、填写正确的“端口号”后，点击“启动”。启动成功后，部分依赖串口通讯的按钮变为可点击状态；" },
        ParagraphCase {
            4, "4、根据影音设备厂家提供的协议，直接在各按键对应的输入框填入需要发送的十六进制数据；" },
        ParagraphCase { 5, "5、每条自定义指令总长不能超过20个字节。" },
        ParagraphCase { 6, "6、建议填写好所有学习指令后，一次性写入设备。；" },
        ParagraphCase { 7,
            "7、“数据间隔”理解为APP操作按键后设备发送数据，等待影院设备反馈数据的时间。默认100ms，"
            "下拉框内为十六进制数据，转为十进制即为实际间隔毫秒数。" },
        ParagraphCase { 8,
            "8、“波特率设置”有特别需求时修改。4个端口选择相应的波特率后，点击按钮进行设置。"
            "设备断电重启后生效。" }),
    [](const auto &info) { return "paragraph_" + std::to_string(info.param.number); });

// ---------------------------------------------------------------------------
// The embedded pictures

struct PictureCase {
    const char *name;
    std::function<QImage()> picture;
    int width;
    int height;
};

class EmbeddedPicture : public ::testing::TestWithParam<PictureCase> { };

TEST_P(EmbeddedPicture, DecodesToItsSizeWithTransparentSurround)
{
    const QImage image = GetParam().picture();
    ASSERT_FALSE(image.isNull()) << "resource missing from the executable or not decodable";
    EXPECT_EQ(image.size(), QSize(GetParam().width, GetParam().height));
    EXPECT_EQ(image.format(), QImage::Format_ARGB32);
    // The device sits on a transparent background: the corners are clear,
    // the middle is solid.
    const int w = image.width();
    const int h = image.height();
    for (const QPoint corner : { QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1) })
        EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << corner.x() << "," << corner.y();
    EXPECT_EQ(qAlpha(image.pixel(w / 2, h / 2)), 255);
}

INSTANTIATE_TEST_SUITE_P(Pictures, EmbeddedPicture,
    ::testing::Values(PictureCase { "serial_switches", serialSwitchPicture, 220, 170 },
        PictureCase { "typec_switches", typeCSwitchPicture, 442, 336 },
        PictureCase { "window_icon", windowIconImage, 256, 256 }),
    [](const auto &info) { return std::string(info.param.name); });

// Both switch pictures show the same device: red switch on the left, blue on
// the right, each with levers 1 and 2 in a slot that the lever fills in its
// upper half (ON) or its lower half. Places are fractions of the picture.
constexpr double kLeverX[2][2] = { { 0.195, 0.359 }, { 0.641, 0.805 } }; // [red, blue][lever 1, 2]
constexpr double kUpperHalfY = 0.435;
constexpr double kLowerHalfY = 0.612;

int lightness(QRgb pixel)
{
    return QColor(pixel).lightness();
}

QRgb at(const QImage &image, double fx, double fy)
{
    return image.pixel(int(fx * image.width()), int(fy * image.height()));
}

struct SettingCase {
    const char *name;
    std::function<QImage()> picture;
    bool redUp;
};

class SwitchSetting : public ::testing::TestWithParam<SettingCase> { };

TEST_P(SwitchSetting, LeversStandAsTheModeNeeds)
{
    const QImage image = GetParam().picture();
    ASSERT_FALSE(image.isNull());
    for (int sw = 0; sw < 2; ++sw) {
        const bool up = (sw == 0) == GetParam().redUp;
        for (int lever = 0; lever < 2; ++lever) {
            SCOPED_TRACE(std::string(sw == 0 ? "red" : "blue") + " lever " + std::to_string(lever + 1));
            // The lever is a light cap; the empty half of its slot is near black.
            const int upper = lightness(at(image, kLeverX[sw][lever], kUpperHalfY));
            const int lower = lightness(at(image, kLeverX[sw][lever], kLowerHalfY));
            EXPECT_GT(up ? upper : lower, 150);
            EXPECT_LT(up ? lower : upper, 70);
        }
    }
}

TEST_P(SwitchSetting, RedSwitchLeftBlueSwitchRight)
{
    const QImage image = GetParam().picture();
    ASSERT_FALSE(image.isNull());
    // The switch bodies beside the first slot of each switch.
    const QColor red = QColor(at(image, 0.11, 0.6)).toHsv();
    const QColor blue = QColor(at(image, 0.555, 0.6)).toHsv();
    EXPECT_TRUE(red.hsvHue() < 20 || red.hsvHue() > 340) << red.hsvHue();
    EXPECT_TRUE(blue.hsvHue() > 200 && blue.hsvHue() < 240) << blue.hsvHue();
    EXPECT_GT(red.hsvSaturation(), 150);
    EXPECT_GT(blue.hsvSaturation(), 150);
}

INSTANTIATE_TEST_SUITE_P(Pictures, SwitchSetting,
    ::testing::Values(SettingCase { "serial_up_up_down_down", serialSwitchPicture, true },
        SettingCase { "typec_down_down_up_up", typeCSwitchPicture, false }),
    [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// decodePng on well-formed files of every colour type

QByteArray encodePng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A 4 x 2 source with opaque primaries, a clear pixel and a half-clear one.
QImage sampleImage()
{
    QImage image(4, 2, QImage::Format_ARGB32);
    const QRgb pixels[8] = { qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 255), qRgba(0, 0, 255, 255),
        qRgba(0, 0, 0, 0), qRgba(200, 100, 50, 128), qRgba(255, 255, 255, 255), qRgba(10, 20, 30, 255),
        qRgba(90, 180, 240, 1) };
    for (int i = 0; i < 8; ++i)
        image.setPixel(i % 4, i / 4, pixels[i]);
    return image;
}

struct FormatCase {
    const char *name;
    QImage::Format format;
    int tolerance; // 16-bit samples are rounded to 8 bits
};

class DecodeFormat : public ::testing::TestWithParam<FormatCase> { };

TEST_P(DecodeFormat, PixelsReadBackStraight)
{
    // What the file holds after Qt wrote it in this format, as straight ARGB.
    QImage source = sampleImage().convertToFormat(GetParam().format);
    const QImage expected = source.convertToFormat(QImage::Format_ARGB32);

    const QImage decoded = decodePng(encodePng(source));
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.format(), QImage::Format_ARGB32);
    ASSERT_EQ(decoded.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb want = expected.pixel(x, y);
            const QRgb got = decoded.pixel(x, y);
            SCOPED_TRACE(::testing::Message()
                << "pixel " << x << "," << y << std::hex << " want " << want << " got " << got);
            EXPECT_EQ(qAlpha(got), qAlpha(want));
            if (qAlpha(want) == 0)
                continue; // a clear pixel has no colour worth comparing
            EXPECT_NEAR(qRed(got), qRed(want), GetParam().tolerance);
            EXPECT_NEAR(qGreen(got), qGreen(want), GetParam().tolerance);
            EXPECT_NEAR(qBlue(got), qBlue(want), GetParam().tolerance);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ColourTypes, DecodeFormat,
    ::testing::Values(FormatCase { "rgba_8bit", QImage::Format_ARGB32, 0 },
        FormatCase { "rgb_8bit_opaque", QImage::Format_RGB32, 0 },
        FormatCase { "grey_8bit", QImage::Format_Grayscale8, 0 },
        FormatCase { "palette_with_alpha", QImage::Format_Indexed8, 0 },
        FormatCase { "rgba_16bit", QImage::Format_RGBA64, 1 }),
    [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// decodePng on damaged data: a null image, never a crash

// Rewrites one chunk of a PNG and mends its CRC, so that the damage reaches
// the decoder instead of being caught by the checksum.
QByteArray withChunk(QByteArray png, const char *type, const std::function<void(char *data, int size)> &edit)
{
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const auto length = static_cast<int>(qFromBigEndian<quint32>(png.constData() + at));
        if (png.mid(at + 4, 4) == type) {
            char *data = png.data() + at + 8;
            edit(data, length);
            const uLong crc
                = crc32(0, reinterpret_cast<const Bytef *>(png.constData() + at + 4), uInt(length + 4));
            qToBigEndian<quint32>(quint32(crc), png.data() + at + 8 + length);
            return png;
        }
        at += 12 + length;
    }
    ADD_FAILURE() << "no " << type << " chunk";
    return png;
}

QByteArray validPng()
{
    return encodePng(sampleImage().scaled(64, 64));
}

struct DamageCase {
    const char *name;
    std::function<QByteArray()> bytes;
};

class DamagedPng : public ::testing::TestWithParam<DamageCase> { };

TEST_P(DamagedPng, GivesNullImage)
{
    EXPECT_TRUE(decodePng(GetParam().bytes()).isNull());
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedPng,
    ::testing::Values(DamageCase { "empty", [] { return QByteArray(); } },
        DamageCase { "plain_text", [] { return QByteArray("this is not a picture\r\n"); } },
        DamageCase { "other_format", [] { return QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14); } },
        DamageCase { "signature_only", [] { return validPng().left(8); } },
        DamageCase { "cut_after_header", [] { return validPng().left(33); } },
        DamageCase { "cut_in_half", [] { return validPng().left(validPng().size() / 2); } },
        DamageCase { "cut_inside_last_data_chunk", [] { return validPng().chopped(20); } },
        DamageCase { "header_checksum_wrong",
            [] {
                QByteArray png = validPng();
                png[19] = char(png[19] ^ 0x01); // width changed, CRC left as it was
                return png;
            } },
        DamageCase { "data_checksum_wrong",
            [] {
                QByteArray png = validPng();
                png[png.size() - 20] = char(png[png.size() - 20] ^ 0x40);
                return png;
            } },
        DamageCase { "compressed_stream_broken",
            [] {
                return withChunk(validPng(), "IDAT", [](char *data, int) {
                    data[0] = char(0xFF); // not a zlib header
                    data[1] = char(0xFF);
                });
            } },
        DamageCase { "zero_width",
            [] {
                return withChunk(validPng(), "IHDR", [](char *data, int) { qToBigEndian<quint32>(0, data); });
            } },
        DamageCase { "bad_colour_type",
            [] { return withChunk(validPng(), "IHDR", [](char *data, int) { data[9] = 5; }); } },
        // A header that claims a huge picture over a few bytes of data must be
        // refused, not met with a giant allocation.
        DamageCase { "huge_claimed_size",
            [] {
                return withChunk(validPng(), "IHDR", [](char *data, int) {
                    qToBigEndian<quint32>(100000, data);
                    qToBigEndian<quint32>(100000, data + 4);
                });
            } }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
