#include "protocol/reply_display.h"

#include "link/quiet_timer.h"
#include "protocol/feedback_box.h"

#include <QComboBox>

#include <array>

namespace velmora {

namespace {

// The byte text of each value, made once: the receive path builds none.
const std::array<QString, 256> &byteTexts()
{
    static const std::array<QString, 256> texts = [] {
        std::array<QString, 256> out;
        for (int v = 0; v < 256; ++v)
            out[std::size_t(v)] = QStringLiteral("%1 ").arg(v, 2, 16, QLatin1Char('0')).toUpper();
        return out;
    }();
    return texts;
}

} // namespace

std::span<const PanelMode> panelModeTable()
{
    static const std::array<PanelMode, 6> table { {
        { "00", QStringLiteral("面板按键模式为：自定义A码"), 0 },
        { "01", QStringLiteral("面板按键模式为：自定义AB码"), 1 },
        { "02", QStringLiteral("面板按键模式为：固定A码"), 2 },
        { "03", QStringLiteral("面板按键模式为：固定AB码"), 3 },
        { "04", QStringLiteral("面板按键模式为：Modbus模式"), 4 },
        { "05", QStringLiteral("面板按键模式为：单双击模式"), 4 },
    } };
    return table;
}

ReplyDisplay::ReplyDisplay(FeedbackBox *feedback, QComboBox *sequencerRate, QuietTimer *timer)
    : m_feedback(feedback)
    , m_sequencerRate(sequencerRate)
    , m_timer(timer)
{
}

void ReplyDisplay::showReceivedByte(int value)
{
    const QString &text = byteTexts()[std::size_t(value & 0xFF)];
    m_feedback->appendText(text);
    m_reply += text.toLatin1();
    m_timer->setPeriod(kQuietPeriodMs);
}

void ReplyDisplay::endReply()
{
    m_feedback->appendText(QStringLiteral("\r\n"));
    // A panel report: "AA 77 88 CC " — exactly four bytes, 77 and 88 in the middle.
    if (m_reply.size() == 12 && m_reply.mid(3, 5) == "77 88") {
        const QByteArray code = m_reply.mid(9, 2);
        QString modeText;
        for (const PanelMode &mode : panelModeTable()) {
            if (code == mode.code) {
                modeText = mode.text;
                // An index past the last item selects the last item.
                m_sequencerRate->setCurrentIndex(std::min(mode.selectionIndex, m_sequencerRate->count() - 1));
                break;
            }
        }
        m_feedback->appendText(QStringLiteral("面板地址为：") + QString::fromLatin1(m_reply.left(2))
            + QStringLiteral("\r\n") + modeText + QStringLiteral("\r\n"));
    }
    m_reply.clear();
    m_timer->setPeriod(0);
}

void ReplyDisplay::clearFeedback()
{
    m_feedback->clearText();
}

} // namespace velmora
