#pragma once

// Shows every received byte in the feedback box as two hex digits and a
// space, one line per reply. A reply is what arrives within one quiet-timer
// period after its first byte. A four-byte panel report (address, 77, 88,
// key mode) is also decoded into words, and its key mode selects the
// sequencer port's baud rate.

#include <QByteArray>
#include <QString>

#include <span>

class QComboBox;

namespace velmora {

class FeedbackBox;
class QuietTimer;

inline constexpr int kQuietPeriodMs = 11;

struct PanelMode {
    const char *code; // the key-mode code as received, two hex digits
    QString text; // the line appended to the feedback box
    int selectionIndex; // written to the sequencer's baud-rate list
};

std::span<const PanelMode> panelModeTable();

class ReplyDisplay {
public:
    ReplyDisplay(FeedbackBox *feedback, QComboBox *sequencerRate, QuietTimer *timer);

    void showReceivedByte(int value);
    void endReply();
    void clearFeedback();

    // The reply being received, three characters per byte.
    const QByteArray &replyBuffer() const { return m_reply; }

private:
    FeedbackBox *m_feedback;
    QComboBox *m_sequencerRate;
    QuietTimer *m_timer;
    QByteArray m_reply;
};

} // namespace velmora
