// Fuzzes the reply display: the input is a script of received bytes, ends
// of replies (the quiet timer's tick), clicks of the clear button,
// selections the user makes in the sequencer's rate list and turns of the
// event loop. A model kept
// beside the real widgets says what the feedback box must hold and which
// rate must be selected; checked are:
// - the feedback box never holds more than 20000 characters;
// - the rate list always has a valid selection, and a reply of exactly four
//   bytes with 77 88 in the middle selects the rate of its key mode;
// - the box's text equals the model's: byte texts, line breaks and the
//   decoded report, cut off where the box is full.

#include "link/quiet_timer.h"
#include "protocol/feedback_box.h"
#include "protocol/reply_display.h"

#include <QApplication>
#include <QComboBox>
#include <QString>

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace velmora;

constexpr int kFeedbackLimit = 20000;
// Every byte text appended lays out the reply's whole line again, which is
// slow under the sanitizers: the received bytes of one input are capped,
// and the text of earlier replies can be put in at once, so that a run
// still reaches a full box quickly.
constexpr std::size_t kMaxBytesPerInput = 256;

void require(bool holds, const char *property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

struct Widgets {
    FeedbackBox feedback { kFeedbackLimit };
    QComboBox rates;
    QuietTimer timer;

    Widgets()
    {
        rates.addItems({ QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
            QStringLiteral("115200") });
    }
};

Widgets *widgets = nullptr;

// What the box must show: its text with CR LF line breaks, filled the way
// the box fills, a line break costing two characters and never split.
class FeedbackModel {
public:
    void append(const QString &piece)
    {
        for (qsizetype i = 0; i < piece.size(); ++i) {
            const bool lineBreak = piece[i] == QLatin1Char('\r');
            const qsizetype width = lineBreak ? 2 : 1;
            if (m_text.size() + width > kFeedbackLimit) {
                return;
            }
            m_text += piece.mid(i, width);
            i += width - 1;
        }
    }
    void clear() { m_text.clear(); }
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

// The mode lines and the selection each known key-mode code leads to; the
// list has four items, so an index past the last selects the last.
struct ModeOracle {
    const char16_t *text;
    int index;
};
constexpr std::array<ModeOracle, 6> kModes { {
    { u"面板按键模式为：自定义A码", 0 },
    { u"面板按键模式为：自定义AB码", 1 },
    { u"面板按键模式为：固定A码", 2 },
    { u"面板按键模式为：固定AB码", 3 },
    { u"面板按键模式为：Modbus模式", 3 },
    { u"面板按键模式为：单双击模式", 3 },
} };

QString byteText(std::uint8_t value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const char text[] = { kDigits[value >> 4], kDigits[value & 0xF], ' ' };
    return QString::fromLatin1(text, 3);
}

} // namespace

// The font library loses a little memory once, when Qt first reads its
// configuration; that is no finding of ours.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the name the leak checker calls
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// NOLINTNEXTLINE(readability-non-const-parameter): the signature libFuzzer calls
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication app(*argc, *argv);
    widgets = new Widgets;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    Widgets &w = *widgets;
    w.feedback.clearText();
    w.timer.setPeriod(0);
    w.rates.setCurrentIndex(input.ConsumeIntegralInRange(0, 3));
    ReplyDisplay display(&w.feedback, &w.rates, &w.timer);

    FeedbackModel model;
    int expectedRate = w.rates.currentIndex();
    std::vector<std::uint8_t> reply; // the bytes since the last end of a reply
    std::size_t fed = 0;

    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange(0, 9)) {
        case 0: {
            display.endReply();
            model.append(QStringLiteral("\r\n"));
            if (reply.size() == 4 && reply[1] == 0x77 && reply[2] == 0x88) {
                QString modeText;
                if (reply[3] < kModes.size()) {
                    modeText = QString::fromUtf16(kModes[reply[3]].text);
                    expectedRate = kModes[reply[3]].index;
                }
                model.append(QStringLiteral("面板地址为：") + byteText(reply[0]).left(2)
                    + QStringLiteral("\r\n") + modeText + QStringLiteral("\r\n"));
            }
            reply.clear();
            require(w.timer.period() == 0, "the quiet timer runs after the end of a reply");
            break;
        }
        case 1:
            display.clearFeedback();
            model.clear();
            break;
        case 2:
            // The user picks a rate between replies.
            expectedRate = input.ConsumeIntegralInRange(0, 3);
            w.rates.setCurrentIndex(expectedRate);
            break;
        case 3: {
            // Text already in the box, as earlier replies leave it: lines of
            // byte texts, up to and past the box's limit.
            const auto lineBytes = input.ConsumeIntegralInRange(1, 40);
            const auto target = input.ConsumeIntegralInRange(0, kFeedbackLimit + 2);
            QString earlier;
            for (int b = 0; earlier.size() < target; b = (b + 1) % lineBytes)
                earlier += b + 1 == lineBytes ? QStringLiteral("00 \r\n") : QStringLiteral("00 ");
            w.feedback.appendText(earlier);
            model.append(earlier);
            break;
        }
        case 4:
            // The event loop gets a turn between two bytes, as it does
            // between two batches from the link.
            QCoreApplication::sendPostedEvents();
            break;
        default: {
            // A run of bytes, repeated so that long replies come from small inputs.
            const std::vector<std::uint8_t> run
                = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange(1, 8));
            const auto times = input.ConsumeBool() ? input.ConsumeIntegralInRange<std::size_t>(1, 200) : 1;
            for (std::size_t t = 0; t < times && fed < kMaxBytesPerInput; ++t) {
                for (std::uint8_t b : run) {
                    display.showReceivedByte(b);
                    model.append(byteText(b));
                    reply.push_back(b);
                    ++fed;
                    require(
                        w.timer.period() == kQuietPeriodMs, "a received byte did not start the quiet timer");
                }
            }
            break;
        }
        }
        require(w.feedback.length() <= kFeedbackLimit, "the feedback box holds more than 20000 characters");
        require(
            w.feedback.length() == model.text().size(), "the feedback box's length differs from the model's");
        const int rate = w.rates.currentIndex();
        require(rate >= 0 && rate < w.rates.count(), "the rate list has no valid selection");
        require(rate == expectedRate, "the rate list shows another rate than the replies chose");
    }
    require(w.feedback.text() == model.text(), "the feedback box's text differs from the model's");
    // The widgets post events as a shown window would get them; without an
    // event loop they would pile up from run to run.
    QCoreApplication::sendPostedEvents();
    return 0;
}
