#include "app/visual_style.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace velmora {

namespace {

constexpr QRgb kSchemeFrames[] = {
    qRgb(127, 157, 185), // 1: blue
    qRgb(164, 185, 127), // 2: olive
    qRgb(165, 172, 178), // 3: silver
};

// Draws the standard controls flat: a one-pixel frame in the scheme colour,
// plain fills, and the base style for everything else (arrows, text, focus).
class FlatStyle : public QProxyStyle {
public:
    explicit FlatStyle(QColor frame)
        : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
        , m_frame(frame)
    {
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget) const override
    {
        switch (element) {
        case PE_PanelButtonCommand:
        case PE_PanelButtonBevel:
        case PE_PanelButtonTool: fillFramed(painter, option->rect, buttonFill(option)); return;
        case PE_PanelLineEdit:
            if (const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
                frame && frame->lineWidth > 0)
                fillFramed(painter, option->rect, option->palette.color(QPalette::Base));
            else
                painter->fillRect(option->rect, option->palette.color(QPalette::Base));
            return;
        case PE_FrameLineEdit:
        case PE_Frame:
        case PE_FrameTabWidget:
        case PE_FrameMenu: frameRect(painter, option->rect); return;
        case PE_IndicatorCheckBox: drawCheckBox(option, painter); return;
        default: QProxyStyle::drawPrimitive(element, option, painter, widget);
        }
    }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget) const override
    {
        switch (element) {
        case CE_ProgressBarGroove:
            fillFramed(painter, option->rect, option->palette.color(QPalette::Base));
            return;
        case CE_ProgressBarContents: drawProgress(option, painter); return;
        case CE_TabBarTabShape: drawTab(option, painter); return;
        default: QProxyStyle::drawControl(element, option, painter, widget);
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
        const QWidget *widget) const override
    {
        switch (control) {
        case CC_ComboBox: drawComboBox(option, painter, widget); return;
        case CC_ScrollBar: drawScrollBar(option, painter, widget); return;
        case CC_GroupBox: drawGroupBox(option, painter, widget); return;
        default: QProxyStyle::drawComplexControl(control, option, painter, widget);
        }
    }

    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        switch (metric) {
        case PM_DefaultFrameWidth:
        case PM_ComboBoxFrameWidth: return 1;
        case PM_ButtonShiftHorizontal:
        case PM_ButtonShiftVertical: return 0;
        default: return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

private:
    void frameRect(QPainter *painter, const QRect &rect) const
    {
        painter->save();
        painter->setPen(m_frame);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }

    void fillFramed(QPainter *painter, const QRect &rect, const QColor &fill) const
    {
        painter->fillRect(rect, fill);
        frameRect(painter, rect);
    }

    QColor buttonFill(const QStyleOption *option) const
    {
        const QColor face = option->palette.color(QPalette::Button);
        if (!(option->state & State_Enabled))
            return face;
        if (option->state & (State_Sunken | State_On))
            return face.darker(110);
        if (option->state & State_MouseOver)
            return face.lighter(106);
        return face;
    }

    void drawCheckBox(const QStyleOption *option, QPainter *painter) const
    {
        fillFramed(painter, option->rect, option->palette.color(QPalette::Base));
        if (!(option->state & (State_On | State_NoChange)))
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(option->palette.color(QPalette::Text), 1.6));
        const QRectF r = QRectF(option->rect).adjusted(3, 3, -3, -3);
        const QPointF points[] = { { r.left(), r.center().y() }, { r.left() + r.width() * 0.4, r.bottom() },
            { r.right(), r.top() } };
        painter->drawPolyline(points, 3);
        painter->restore();
    }

    void drawProgress(const QStyleOption *option, QPainter *painter) const
    {
        const auto *bar = qstyleoption_cast<const QStyleOptionProgressBar *>(option);
        if (!bar || bar->maximum <= bar->minimum)
            return;
        const double fraction = double(bar->progress - bar->minimum) / double(bar->maximum - bar->minimum);
        QRect fill = option->rect.adjusted(1, 1, -1, -1);
        fill.setWidth(int(fill.width() * fraction));
        painter->fillRect(fill, m_frame);
    }

    void drawTab(const QStyleOption *option, QPainter *painter) const
    {
        const QColor face = option->palette.color(QPalette::Window);
        QRect rect = option->rect;
        if (!(option->state & State_Selected))
            rect.adjust(0, 2, 0, 0);
        painter->fillRect(rect, (option->state & State_Selected) ? face.lighter(104) : face.darker(103));
        painter->save();
        painter->setPen(m_frame);
        painter->drawLine(rect.topLeft(), rect.topRight());
        painter->drawLine(rect.topLeft(), rect.bottomLeft());
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->restore();
    }

    void drawComboBox(const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const
    {
        const auto *combo = qstyleoption_cast<const QStyleOptionComboBox *>(option);
        if (!combo) {
            QProxyStyle::drawComplexControl(CC_ComboBox, option, painter, widget);
            return;
        }
        fillFramed(painter, option->rect, option->palette.color(QPalette::Base));
        const QRect arrowArea = subControlRect(CC_ComboBox, combo, SC_ComboBoxArrow, widget);
        // Only the plain part: the arrow button is drawn as a primitive.
        QStyleOption button = static_cast<const QStyleOption &>(*option);
        button.rect = arrowArea.adjusted(1, 1, -1, -1);
        fillFramed(painter, button.rect, buttonFill(option));
        QStyleOption arrow = button;
        arrow.rect = button.rect.adjusted(3, 3, -3, -3);
        proxy()->drawPrimitive(PE_IndicatorArrowDown, &arrow, painter, widget);
    }

    void drawScrollBar(const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const
    {
        const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
        if (!bar) {
            QProxyStyle::drawComplexControl(CC_ScrollBar, option, painter, widget);
            return;
        }
        painter->fillRect(option->rect, option->palette.color(QPalette::Window).lighter(103));
        const bool horizontal = bar->orientation == Qt::Horizontal;
        const struct {
            SubControl part;
            PrimitiveElement arrow;
        } parts[] = {
            { SC_ScrollBarSubLine, horizontal ? PE_IndicatorArrowLeft : PE_IndicatorArrowUp },
            { SC_ScrollBarAddLine, horizontal ? PE_IndicatorArrowRight : PE_IndicatorArrowDown },
            { SC_ScrollBarSlider, PE_CustomBase },
        };
        for (const auto &part : parts) {
            const QRect r = subControlRect(CC_ScrollBar, bar, part.part, widget);
            if (r.isEmpty())
                continue;
            // Only the plain part: each piece is drawn as a primitive.
            QStyleOption piece = static_cast<const QStyleOption &>(*option);
            piece.rect = r;
            if (bar->activeSubControls & part.part && bar->state & State_Sunken)
                piece.state |= State_Sunken;
            else
                piece.state &= ~State_Sunken;
            fillFramed(painter, r, buttonFill(&piece));
            if (part.arrow != PE_CustomBase) {
                piece.rect = r.adjusted(3, 3, -3, -3);
                proxy()->drawPrimitive(part.arrow, &piece, painter, widget);
            }
        }
        frameRect(painter, option->rect);
    }

    // A caption on the frame line, as the layout's places expect: the frame
    // runs through the middle of the caption, and children placed a little
    // below the top edge do not cover it.
    void drawGroupBox(const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const
    {
        const auto *box = qstyleoption_cast<const QStyleOptionGroupBox *>(option);
        if (!box) {
            QProxyStyle::drawComplexControl(CC_GroupBox, option, painter, widget);
            return;
        }
        const QFontMetrics &metrics = option->fontMetrics;
        const QRect rect = option->rect;
        const int frameTop = rect.top() + metrics.ascent() / 2;
        QRect caption(
            rect.left() + 7, rect.top() - 1, metrics.horizontalAdvance(box->text) + 4, metrics.height());
        painter->save();
        painter->setClipRegion(QRegion(rect).subtracted(box->text.isEmpty() ? QRegion() : QRegion(caption)));
        const QRect frame(rect.left(), frameTop, rect.width() - 1, rect.bottom() - frameTop);
        painter->setPen(option->palette.color(QPalette::Mid));
        painter->drawRect(frame.adjusted(0, 0, -1, -1));
        painter->setPen(option->palette.color(QPalette::Light));
        painter->drawRect(frame.adjusted(1, 1, 0, 0));
        painter->setClipping(false);
        painter->setPen(
            box->textColor.isValid() ? box->textColor : option->palette.color(QPalette::WindowText));
        painter->drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, box->text);
        painter->restore();
    }

    QColor m_frame;
};

} // namespace

QColor flatFrameColor(int scheme)
{
    if (scheme < 1 || scheme > 3)
        return {};
    return QColor(kSchemeFrames[scheme - 1]);
}

void applyVisualStyle(int scheme)
{
    const QColor frame = flatFrameColor(scheme);
    if (frame.isValid())
        QApplication::setStyle(new FlatStyle(frame));
    else
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

} // namespace velmora
