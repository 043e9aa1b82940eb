#include "link/quiet_timer.h"
#include "protocol/feedback_box.h"
#include "protocol/reply_display.h"
#include "support/modal.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include <vector>

using namespace velmora;

namespace {

class ReplyDisplayTest : public ::testing::Test {
protected:
    ReplyDisplayTest()
        : feedback(20000)
        , display(&feedback, &rates, &timer)
    {
        rates.addItems({ QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
            QStringLiteral("115200") });
        QObject::connect(&timer, &QuietTimer::tick, &timer, [this] { display.endReply(); });
    }

    void receive(const std::vector<int> &bytes)
    {
        for (int b : bytes)
            display.showReceivedByte(b);
    }
    // Waits for the quiet timer to end the reply.
    bool replyEnded()
    {
        return test::waitFor([this] { return timer.period() == 0; }, 2000);
    }

    FeedbackBox feedback;
    QComboBox rates;
    QuietTimer timer;
    ReplyDisplay display;
};

struct ReplyCase {
    const char *name;
    std::vector<int> bytes;
    int rateBefore;
    const char *expected; // UTF-8, CR LF line ends
    int rateAfter;
};

class ReplyCaseTest : public ReplyDisplayTest, public ::testing::WithParamInterface<ReplyCase> { };

TEST_P(ReplyCaseTest, ShownAndDecoded)
{
    const ReplyCase &c = GetParam();
    rates.setCurrentIndex(c.rateBefore);
    receive(c.bytes);
    EXPECT_EQ(timer.period(), kQuietPeriodMs);
    ASSERT_TRUE(replyEnded());
    EXPECT_EQ(feedback.text(), QString::fromUtf8(c.expected));
    EXPECT_EQ(rates.currentIndex(), c.rateAfter);
    EXPECT_TRUE(display.replyBuffer().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyCaseTest,
    ::testing::Values(ReplyCase { "fixed_a", { 0x01, 0x77, 0x88, 0x02 }, 0,
                          "01 77 88 02 \r\n面板地址为：01\r\n面板按键模式为：固定A码\r\n", 2 },
        ReplyCase { "custom_a", { 0x01, 0x77, 0x88, 0x00 }, 3,
            "01 77 88 00 \r\n面板地址为：01\r\n面板按键模式为：自定义A码\r\n", 0 },
        ReplyCase { "custom_ab", { 0x02, 0x77, 0x88, 0x01 }, 0,
            "02 77 88 01 \r\n面板地址为：02\r\n面板按键模式为：自定义AB码\r\n", 1 },
        ReplyCase { "fixed_ab", { 0x03, 0x77, 0x88, 0x03 }, 0,
            "03 77 88 03 \r\n面板地址为：03\r\n面板按键模式为：固定AB码\r\n", 3 },
        ReplyCase { "modbus", { 0xFF, 0x77, 0x88, 0x04 }, 0,
            "FF 77 88 04 \r\n面板地址为：FF\r\n面板按键模式为：Modbus模式\r\n", 3 },
        ReplyCase { "single_double", { 0x0A, 0x77, 0x88, 0x05 }, 1,
            "0A 77 88 05 \r\n面板地址为：0A\r\n面板按键模式为：单双击模式\r\n", 3 },
        ReplyCase {
            "unknown_code", { 0x01, 0x77, 0x88, 0x09 }, 1, "01 77 88 09 \r\n面板地址为：01\r\n\r\n", 1 },
        ReplyCase { "lower_case_never_matches", { 0x01, 0x77, 0x88, 0x0A }, 1,
            "01 77 88 0A \r\n面板地址为：01\r\n\r\n", 1 },
        ReplyCase { "markers_elsewhere", { 0x77, 0x88, 0x01, 0x02 }, 1, "77 88 01 02 \r\n", 1 },
        ReplyCase { "five_bytes", { 0x01, 0x77, 0x88, 0x02, 0x00 }, 1, "01 77 88 02 00 \r\n", 1 },
        ReplyCase { "three_bytes", { 0x01, 0x77, 0x88 }, 1, "01 77 88 \r\n", 1 },
        ReplyCase { "byte_texts", { 0x00, 0x0A, 0xFF }, 0, "00 0A FF \r\n", 0 }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReplyDisplayTest, RepliesApartGoOnSeparateLines)
{
    receive({ 0x01, 0x77 });
    ASSERT_TRUE(replyEnded());
    receive({ 0x88, 0x02 });
    ASSERT_TRUE(replyEnded());
    EXPECT_EQ(feedback.text(), QStringLiteral("01 77 \r\n88 02 \r\n"));
    EXPECT_EQ(rates.currentIndex(), 0); // a report split across two ticks is not recognised
}

TEST_F(ReplyDisplayTest, ClearingDuringAReplyStillDecodesIt)
{
    receive({ 0x01, 0x77 });
    display.clearFeedback();
    EXPECT_TRUE(feedback.text().isEmpty());
    receive({ 0x88, 0x02 });
    ASSERT_TRUE(replyEnded());
    EXPECT_EQ(feedback.text(), QStringLiteral("88 02 \r\n面板地址为：01\r\n面板按键模式为：固定A码\r\n"));
    EXPECT_EQ(rates.currentIndex(), 2);
}

TEST_F(ReplyDisplayTest, FullBoxShowsNoMore)
{
    for (int i = 0; i < 7000; ++i)
        display.showReceivedByte(i & 0xFF);
    EXPECT_EQ(feedback.length(), 20000);
    display.endReply();
    EXPECT_EQ(feedback.length(), 20000);
    // The reply is still decoded from the buffer, not from the box.
    display.clearFeedback();
    receive({ 0x05, 0x77, 0x88, 0x01 });
    display.endReply();
    EXPECT_EQ(rates.currentIndex(), 1);
    EXPECT_EQ(
        feedback.text(), QStringLiteral("05 77 88 01 \r\n面板地址为：05\r\n面板按键模式为：自定义AB码\r\n"));
}

struct LimitCase {
    const char *name;
    int prefill;
    const char *appended;
    int expectedLength;
};

class FeedbackLimitTest : public ::testing::TestWithParam<LimitCase> { };

TEST_P(FeedbackLimitTest, CutsAtTheLimit)
{
    FeedbackBox box(10);
    box.appendText(QString(GetParam().prefill, QLatin1Char('x')));
    box.appendText(QString::fromUtf8(GetParam().appended));
    EXPECT_EQ(box.length(), GetParam().expectedLength);
    EXPECT_LE(box.length(), 10);
}

INSTANTIATE_TEST_SUITE_P(Cases, FeedbackLimitTest,
    ::testing::Values(LimitCase { "fits", 0, "0102", 4 }, LimitCase { "exactly_full", 6, "0102", 10 },
        LimitCase { "cut", 8, "0102", 10 }, LimitCase { "full_already", 10, "01", 10 },
        LimitCase { "line_break_counts_two", 8, "\r\n", 10 },
        LimitCase { "line_break_does_not_fit", 9, "\r\n", 9 }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
