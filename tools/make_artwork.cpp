// Draws the window icon and the two DIP-switch pictures of the instructions
// page into resources/. A developer tool: the PNGs it writes are committed,
// so the build never runs it.
//
//   velmora-make-artwork [output-folder]     (default: the source tree's resources/)

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Shared helpers

// Three passes of a box blur approximate a Gaussian; used for soft shadows.
void boxBlur(QImage &image, int radius)
{
    if (radius < 1)
        return;
    const int w = image.width();
    const int h = image.height();
    std::vector<int> sums(static_cast<size_t>(std::max(w, h) + 1) * 4);
    auto pass = [&](bool horizontal) {
        const int lines = horizontal ? h : w;
        const int length = horizontal ? w : h;
        std::vector<QRgb> line(static_cast<size_t>(length));
        for (int l = 0; l < lines; ++l) {
            for (int i = 0; i < length; ++i)
                line[i] = horizontal ? reinterpret_cast<const QRgb *>(image.constScanLine(l))[i]
                                     : reinterpret_cast<const QRgb *>(image.constScanLine(i))[l];
            // Prefix sums per channel make each output an O(1) window average.
            for (int c = 0; c < 4; ++c)
                sums[c] = 0;
            for (int i = 0; i < length; ++i) {
                const QRgb p = line[i];
                const int v[4] = { qAlpha(p), qRed(p), qGreen(p), qBlue(p) };
                for (int c = 0; c < 4; ++c)
                    sums[(i + 1) * 4 + c] = sums[i * 4 + c] + v[c];
            }
            for (int i = 0; i < length; ++i) {
                const int lo = std::max(0, i - radius);
                const int hi = std::min(length, i + radius + 1);
                const int n = 2 * radius + 1; // outside the image counts as transparent
                int v[4];
                for (int c = 0; c < 4; ++c)
                    v[c] = (sums[hi * 4 + c] - sums[lo * 4 + c]) / n;
                const QRgb out = qRgba(v[1], v[2], v[3], v[0]);
                if (horizontal)
                    reinterpret_cast<QRgb *>(image.scanLine(l))[i] = out;
                else
                    reinterpret_cast<QRgb *>(image.scanLine(i))[l] = out;
            }
        }
    };
    for (int k = 0; k < 3; ++k) {
        pass(true);
        pass(false);
    }
}

// A soft shadow of a shape, drawn under everything else.
void drawShadow(QImage &target, const QTransform &toPixels, const QPainterPath &shape, QPointF offset,
    double blurRadius, int alpha)
{
    QImage shadow(target.size(), QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter p(&shadow);
        p.setRenderHint(QPainter::Antialiasing);
        p.setTransform(toPixels);
        p.translate(offset);
        p.fillPath(shape, QColor(0, 0, 0, alpha));
    }
    boxBlur(shadow, std::max(1, qRound(blurRadius * toPixels.m11() / 2)));
    QPainter p(&target);
    p.drawImage(0, 0, shadow);
}

QFont pixelFont(double pixelSize, int weight = QFont::Bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, qRound(pixelSize)));
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Text in logical units: the painter is scaled, so the font is sized in device
// pixels and the painter is unscaled around the text to keep glyphs crisp.
void drawText(QPainter &p, const QRectF &logicalRect, const QString &text, double logicalPixelSize,
    const QColor &color, int flags = Qt::AlignCenter)
{
    const QTransform t = p.transform();
    const double s = t.m11();
    p.save();
    p.resetTransform();
    p.setFont(pixelFont(logicalPixelSize * s));
    p.setPen(color);
    p.drawText(t.mapRect(logicalRect), flags, text);
    p.restore();
}

bool save(const QImage &image, const QString &path)
{
    const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    if (!straight.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s  %dx%d\n", qPrintable(path), straight.width(), straight.height());
    return true;
}

// ---------------------------------------------------------------------------
// The DIP switches. Drawn on a 220 x 170 logical canvas and scaled to the
// picture's size, so both pictures show the same device.

constexpr double kCanvasW = 220;
constexpr double kCanvasH = 170;

const QRectF kBoard(6, 6, 208, 158);
constexpr double kBodyTop = 30;
constexpr double kBodyW = 86;
constexpr double kBodyH = 110;
constexpr double kRedLeft = 18;
constexpr double kBlueLeft = 116;
constexpr double kSlotOffset[2] = { 13, 49 }; // from the body's left edge
constexpr double kSlotW = 24;
constexpr double kSlotTop = 58;
constexpr double kSlotH = 62;
constexpr double kLeverH = 28;

struct SwitchColours {
    QColor light, mid, dark;
};

void drawBoard(QPainter &p)
{
    QPainterPath board;
    board.addRoundedRect(kBoard, 9, 9);

    QRadialGradient base(QPointF(80, 50), 210);
    base.setColorAt(0, QColor(0x1d, 0x4a, 0x33));
    base.setColorAt(1, QColor(0x0a, 0x22, 0x16));
    p.fillPath(board, base);

    p.save();
    p.setClipPath(board);

    // Fibre-glass grain: a fixed seed keeps the artwork reproducible.
    std::mt19937 rng(20240611u);
    std::uniform_real_distribution<double> x(kBoard.left(), kBoard.right());
    std::uniform_real_distribution<double> y(kBoard.top(), kBoard.bottom());
    std::uniform_int_distribution<int> a(8, 34);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 1400; ++i) {
        const bool lighter = (i % 3) != 0;
        p.setBrush(lighter ? QColor(120, 200, 150, a(rng)) : QColor(0, 0, 0, a(rng)));
        p.drawEllipse(QPointF(x(rng), y(rng)), 0.55, 0.55);
    }

    // Copper traces under the solder mask, from the pads to the board's edges.
    QPen trace(QColor(0x2e, 0x74, 0x4e), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(trace);
    p.setBrush(Qt::NoBrush);
    for (double bodyLeft : { kRedLeft, kBlueLeft }) {
        for (int i = 0; i < 2; ++i) {
            const double cx = bodyLeft + kSlotOffset[i] + kSlotW / 2;
            const double out = (i == 0) ? -1 : 1;
            QPainterPath up;
            up.moveTo(cx, 18);
            up.lineTo(cx, 12);
            up.lineTo(cx + out * 6, 6);
            p.drawPath(up);
            QPainterPath down;
            down.moveTo(cx, 152);
            down.lineTo(cx, 158);
            down.lineTo(cx + out * 6, 164);
            p.drawPath(down);
        }
    }
    p.drawLine(QPointF(110, 48), QPointF(110, 124));
    // Vias between the two switches.
    for (double vy : { 48.0, 86.0, 124.0 }) {
        p.setPen(QPen(QColor(0xc9, 0xa2, 0x4c), 1.4));
        p.setBrush(QColor(0x10, 0x18, 0x12));
        p.drawEllipse(QPointF(110, vy), 2.2, 2.2);
    }
    p.restore();

    // A thin lit edge sells the board's thickness.
    QLinearGradient edge(kBoard.topLeft(), kBoard.bottomRight());
    edge.setColorAt(0, QColor(150, 220, 180, 110));
    edge.setColorAt(1, QColor(0, 0, 0, 120));
    p.setPen(QPen(QBrush(edge), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(kBoard.adjusted(0.6, 0.6, -0.6, -0.6), 8.5, 8.5);
}

void drawPinsAndPads(QPainter &p, double bodyLeft)
{
    for (const double slotOffset : kSlotOffset) {
        const double cx = bodyLeft + slotOffset + kSlotW / 2;
        for (const double padTop : { 16.0, 145.0 }) {
            QLinearGradient solder(0, padTop, 0, padTop + 9);
            solder.setColorAt(0, QColor(0xee, 0xee, 0xe8));
            solder.setColorAt(0.5, QColor(0xb8, 0xb8, 0xb2));
            solder.setColorAt(1, QColor(0x8a, 0x8a, 0x86));
            p.setPen(QPen(QColor(0x6a, 0x5a, 0x30), 0.6));
            p.setBrush(solder);
            p.drawRoundedRect(QRectF(cx - 6.5, padTop, 13, 9), 2.5, 2.5);
        }
        // The legs between pad and body.
        QLinearGradient leg(cx - 3, 0, cx + 3, 0);
        leg.setColorAt(0, QColor(0x9a, 0x9a, 0x98));
        leg.setColorAt(0.4, QColor(0xf4, 0xf4, 0xf2));
        leg.setColorAt(1, QColor(0x80, 0x80, 0x7e));
        p.setPen(Qt::NoPen);
        p.setBrush(leg);
        p.drawRect(QRectF(cx - 3, 19, 6, kBodyTop - 19));
        p.drawRect(QRectF(cx - 3, kBodyTop + kBodyH, 6, 149 - kBodyTop - kBodyH));
    }
}

void drawSwitch(QPainter &p, double bodyLeft, const SwitchColours &colours, bool leversUp)
{
    const QRectF body(bodyLeft, kBodyTop, kBodyW, kBodyH);

    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, colours.light);
    fill.setColorAt(0.45, colours.mid);
    fill.setColorAt(1, colours.dark);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(body, 5, 5);

    // Soft light from the upper left across the moulded plastic.
    QLinearGradient sheen(body.topLeft(), body.topRight());
    sheen.setColorAt(0, QColor(255, 255, 255, 60));
    sheen.setColorAt(0.35, QColor(255, 255, 255, 14));
    sheen.setColorAt(1, QColor(0, 0, 0, 40));
    p.setBrush(sheen);
    p.drawRoundedRect(body, 5, 5);

    // Bevel: lit top-left rim, shaded bottom-right rim.
    QLinearGradient rim(body.topLeft(), body.bottomRight());
    rim.setColorAt(0, QColor(255, 255, 255, 150));
    rim.setColorAt(0.5, QColor(255, 255, 255, 20));
    rim.setColorAt(1, QColor(0, 0, 0, 140));
    p.setPen(QPen(QBrush(rim), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(0.7, 0.7, -0.7, -0.7), 4.5, 4.5);

    // "ON" above the levers, with a faint emboss shadow.
    const QRectF onRect(bodyLeft, kBodyTop + 4, kBodyW, 24);
    drawText(p, onRect.translated(0.6, 0.8), QStringLiteral("ON"), 19, QColor(0, 0, 0, 90));
    drawText(p, onRect, QStringLiteral("ON"), 19, QColor(0xfb, 0xfb, 0xf6));

    for (int i = 0; i < 2; ++i) {
        const QRectF slot(bodyLeft + kSlotOffset[i], kSlotTop, kSlotW, kSlotH);

        // The recess, darker at the top where the body overhangs it.
        QLinearGradient well(slot.topLeft(), slot.bottomLeft());
        well.setColorAt(0, QColor(0x05, 0x05, 0x06));
        well.setColorAt(1, QColor(0x24, 0x24, 0x26));
        p.setPen(QPen(QColor(0, 0, 0, 160), 1.0));
        p.setBrush(well);
        p.drawRoundedRect(slot, 2.5, 2.5);
        p.setPen(QPen(QColor(255, 255, 255, 70), 0.9));
        p.drawLine(
            QPointF(slot.left() + 2, slot.bottom() + 0.6), QPointF(slot.right() - 2, slot.bottom() + 0.6));

        const double leverTop = leversUp ? slot.top() + 2 : slot.bottom() - 2 - kLeverH;
        const QRectF lever(slot.left() + 2, leverTop, kSlotW - 4, kLeverH);

        // Shadow the lever casts into the recess.
        QPainterPath leverShape;
        leverShape.addRoundedRect(lever, 2, 2);
        p.save();
        p.setClipRect(slot);
        p.setPen(Qt::NoPen);
        for (int k = 3; k >= 1; --k) {
            p.setBrush(QColor(0, 0, 0, 50));
            p.drawRoundedRect(lever.translated(0.5 * k, 1.2 * k), 2, 2);
        }
        p.restore();

        QLinearGradient cap(lever.topLeft(), lever.bottomLeft());
        cap.setColorAt(0, QColor(0xff, 0xfe, 0xf9));
        cap.setColorAt(0.6, QColor(0xec, 0xe8, 0xdf));
        cap.setColorAt(1, QColor(0xc4, 0xbf, 0xb4));
        p.setPen(QPen(QColor(0x8c, 0x86, 0x7a), 0.7));
        p.setBrush(cap);
        p.drawPath(leverShape);

        // Grip ridges across the lever.
        for (int r = 0; r < 3; ++r) {
            const double ry = lever.top() + 9 + r * 5;
            p.setPen(QPen(QColor(0xa4, 0x9e, 0x92), 0.9));
            p.drawLine(QPointF(lever.left() + 3, ry), QPointF(lever.right() - 3, ry));
            p.setPen(QPen(QColor(255, 255, 255, 200), 0.7));
            p.drawLine(QPointF(lever.left() + 3, ry + 0.9), QPointF(lever.right() - 3, ry + 0.9));
        }

        const QRectF numberRect(slot.left() - 4, slot.bottom() + 1, kSlotW + 8, 18);
        drawText(p, numberRect.translated(0.5, 0.7), QString::number(i + 1), 14, QColor(0, 0, 0, 90));
        drawText(p, numberRect, QString::number(i + 1), 14, QColor(0xfb, 0xfb, 0xf6));
    }
}

QImage switchPicture(QSize size, bool redUp)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    // Uniform scale, centred, so the switches keep their proportions.
    const double s = std::min(size.width() / kCanvasW, size.height() / kCanvasH);
    QTransform toPixels;
    toPixels.translate((size.width() - kCanvasW * s) / 2, (size.height() - kCanvasH * s) / 2);
    toPixels.scale(s, s);

    QPainterPath board;
    board.addRoundedRect(kBoard, 9, 9);
    drawShadow(image, toPixels, board, QPointF(1.5, 2.5), 4, 150);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setTransform(toPixels);

    drawBoard(p);
    drawPinsAndPads(p, kRedLeft);
    drawPinsAndPads(p, kBlueLeft);

    // Each switch body throws a small shadow onto the board.
    p.setPen(Qt::NoPen);
    for (double left : { kRedLeft, kBlueLeft }) {
        for (int k = 4; k >= 1; --k) {
            p.setBrush(QColor(0, 0, 0, 28));
            p.drawRoundedRect(QRectF(left, kBodyTop, kBodyW, kBodyH).translated(0.6 * k, 0.9 * k), 5, 5);
        }
    }

    drawSwitch(
        p, kRedLeft, { QColor(0xf0, 0x52, 0x46), QColor(0xc8, 0x22, 0x1c), QColor(0x86, 0x10, 0x0e) }, redUp);
    drawSwitch(p, kBlueLeft, { QColor(0x4a, 0x8c, 0xee), QColor(0x1f, 0x58, 0xc0), QColor(0x10, 0x30, 0x78) },
        !redUp);
    return image;
}

// ---------------------------------------------------------------------------
// The window icon: a projection screen lit by a beam from a small controller
// box, on a rounded tile. Bold shapes so that it still reads at 16 pixels.

QImage icon(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const double s = side / 256.0;
    QTransform toPixels;
    toPixels.scale(s, s);

    const QRectF tileRect(10, 10, 236, 236);
    QPainterPath tile;
    tile.addRoundedRect(tileRect, 54, 54);
    drawShadow(image, toPixels, tile, QPointF(0, 4), 8, 120);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(toPixels);

    QLinearGradient tileFill(0, 10, 0, 246);
    tileFill.setColorAt(0, QColor(0x2b, 0x3f, 0x8f));
    tileFill.setColorAt(1, QColor(0x10, 0x15, 0x38));
    p.fillPath(tile, tileFill);
    p.setPen(QPen(QColor(255, 255, 255, 45), 3));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(tileRect.adjusted(1.5, 1.5, -1.5, -1.5), 52.5, 52.5);

    p.save();
    p.setClipPath(tile);

    // The beam: a warm cone from the lens up to the screen.
    const QPointF lens(128, 190);
    const QRectF screen(40, 42, 176, 104);
    QPainterPath beam;
    beam.moveTo(lens + QPointF(-7, 0));
    beam.lineTo(screen.left() + 6, screen.bottom() - 6);
    beam.lineTo(screen.right() - 6, screen.bottom() - 6);
    beam.lineTo(lens + QPointF(7, 0));
    beam.closeSubpath();
    QLinearGradient beamFill(lens, QPointF(lens.x(), screen.bottom()));
    beamFill.setColorAt(0, QColor(0xff, 0xd5, 0x6b, 230));
    beamFill.setColorAt(1, QColor(0xff, 0xd5, 0x6b, 70));
    p.setPen(Qt::NoPen);
    p.fillPath(beam, beamFill);

    // The screen, with its frame and the picture on it.
    QPainterPath screenShape;
    screenShape.addRoundedRect(screen, 10, 10);
    QLinearGradient screenFill(screen.topLeft(), screen.bottomLeft());
    screenFill.setColorAt(0, QColor(0xff, 0xff, 0xff));
    screenFill.setColorAt(1, QColor(0xd6, 0xde, 0xee));
    p.fillPath(screenShape, screenFill);
    p.setPen(QPen(QColor(0x0b, 0x10, 0x2a, 140), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(screenShape);

    // A play mark in the middle of the screen.
    const QPointF c = screen.center();
    QPainterPath play;
    play.moveTo(c + QPointF(-20, -28));
    play.lineTo(c + QPointF(30, 0));
    play.lineTo(c + QPointF(-20, 28));
    play.closeSubpath();
    QLinearGradient playFill(c + QPointF(0, -28), c + QPointF(0, 28));
    playFill.setColorAt(0, QColor(0xff, 0xa7, 0x26));
    playFill.setColorAt(1, QColor(0xe8, 0x6a, 0x0c));
    p.setPen(QPen(QColor(0xe8, 0x6a, 0x0c), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(playFill);
    p.drawPath(play);

    // The controller box with its lens and a status light.
    const QRectF box(74, 178, 108, 42);
    QLinearGradient boxFill(box.topLeft(), box.bottomLeft());
    boxFill.setColorAt(0, QColor(0xe9, 0xec, 0xf2));
    boxFill.setColorAt(1, QColor(0x9a, 0xa3, 0xb5));
    p.setPen(QPen(QColor(0x0b, 0x10, 0x2a, 160), 2));
    p.setBrush(boxFill);
    p.drawRoundedRect(box, 10, 10);
    QRadialGradient lensFill(lens + QPointF(-3, -3), 14);
    lensFill.setColorAt(0, QColor(0xff, 0xf4, 0xc8));
    lensFill.setColorAt(0.5, QColor(0xff, 0xc2, 0x3d));
    lensFill.setColorAt(1, QColor(0x8a, 0x4a, 0x06));
    p.setPen(QPen(QColor(0x23, 0x29, 0x3d), 3));
    p.setBrush(lensFill);
    p.drawEllipse(QPointF(lens.x(), box.center().y()), 13, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2e, 0xd1, 0x6f));
    p.drawEllipse(QPointF(box.right() - 16, box.center().y()), 4.5, 4.5);
    p.setBrush(QColor(0x23, 0x29, 0x3d));
    p.drawRoundedRect(QRectF(box.left() + 10, box.center().y() - 2.5, 22, 5), 2.5, 2.5);
    p.restore();
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    // Text needs a font database, and the tool needs no display.
    std::vector<char *> args(argv, argv + argc);
    char platformFlag[] = "-platform";
    char offscreen[] = "offscreen";
    args.insert(args.begin() + 1, { platformFlag, offscreen });
    int qtArgc = static_cast<int>(args.size());
    QGuiApplication app(qtArgc, args.data());

    const QStringList rest = QGuiApplication::arguments().mid(1);
    const QDir out(rest.isEmpty() ? QStringLiteral(VELMORA_RESOURCES_DIR) : rest.first());
    if (!out.exists()) {
        std::fprintf(stderr, "no such folder: %s\n", qPrintable(out.path()));
        return 1;
    }

    bool ok = save(switchPicture(QSize(220, 170), true), out.filePath(QStringLiteral("dip_serial.png")));
    ok = save(switchPicture(QSize(442, 336), false), out.filePath(QStringLiteral("dip_typec.png"))) && ok;
    ok = save(icon(256), out.filePath(QStringLiteral("icon.png"))) && ok;
    return ok ? 0 : 1;
}
