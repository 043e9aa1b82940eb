// The four controller operations end to end: the real window (offscreen), a
// fake controller on a pseudo-terminal that records every byte with its
// arrival time, and message boxes answered as a user would.

#include "app/main_window.h"
#include "config/configuration.h"
#include "config/file_commands.h"
#include "link/serial_link.h"
#include "model/command_text.h"
#include "model/slot_table.h"
#include "protocol/controller_operations.h"
#include "protocol/feedback_box.h"
#include "protocol/frames.h"
#include "support/fake_controller.h"
#include "support/modal.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace velmora;
using namespace std::chrono_literals;
using test::Bytes;

namespace {

// A frame as it should arrive, and the pause the operation places after it
// (on top of the one millisecond per character of every send).
struct Expected {
    std::string text;
    int pauseAfter;
};

class OperationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = controller.open(); !why.empty())
            GTEST_SKIP() << "no pseudo-terminal: " << why;
        ASSERT_TRUE(dir.isValid());
        const QString device = QString::fromStdString(controller.path());
        window = std::make_unique<MainWindow>(
            MainWindowOptions { dir.path(), [device](int) { return device; } });
        window->control<QLineEdit>(QStringLiteral("编辑框1"))->setText(QStringLiteral("1"));
        window->control<QLineEdit>(QStringLiteral("编辑框2"))->setText(QStringLiteral("9600"));
        QTest::mouseClick(button("按钮1"), Qt::LeftButton);
        ASSERT_TRUE(window->link().isOpen());
        ASSERT_TRUE(button("按钮001")->isEnabled());
    }
    void TearDown() override
    {
        window.reset();
        controller.close();
    }

    QPushButton *button(const char *name) const
    {
        return window->control<QPushButton>(QString::fromUtf8(name));
    }
    QProgressBar *progress() const { return window->control<QProgressBar>(QStringLiteral("进度条1")); }
    void setSlot(int number, const QString &text)
    {
        window->commandBox(*slotByNumber(number))->setText(text);
    }

    bool deviceButtonsEnabled() const
    {
        for (const char *name : { "按钮001", "按钮002", "按钮009", "按钮011" }) {
            if (!button(name)->isEnabled())
                return false;
        }
        return true;
    }
    bool deviceButtonsDisabled() const
    {
        for (const char *name : { "按钮001", "按钮002", "按钮009", "按钮011" }) {
            if (button(name)->isEnabled())
                return false;
        }
        return true;
    }

    // The bytes that arrived are exactly the frames, in order, and every gap
    // between frame starts is at least the pauses the operation owes.
    void expectFrames(const std::vector<Expected> &frames)
    {
        Bytes all;
        for (const Expected &frame : frames) {
            const auto bytes = hexTextToBytes(frame.text);
            all.insert(all.end(), bytes.begin(), bytes.end());
        }
        ASSERT_TRUE(controller.waitForBytes(all.size(), 5s));
        const auto received = controller.received();
        ASSERT_EQ(controller.receivedBytes(), all);
        // The recorder thread may see a frame a few milliseconds late on a
        // busy machine, which shortens the gap before the next one; the sum
        // over the whole operation has no such slack per frame.
        constexpr long kRecorderSlackMs = 5;
        std::size_t offset = 0;
        long owedTotal = 0;
        for (std::size_t i = 0; i + 1 < frames.size(); ++i) {
            const std::size_t next = offset + hexTextToBytes(frames[i].text).size();
            const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(
                received[next].at - received[offset].at);
            const long owed = frames[i].pauseAfter + long(frames[i].text.size());
            owedTotal += owed;
            EXPECT_GE(gap.count(), owed - kRecorderSlackMs) << "after frame " << i << " " << frames[i].text;
            offset = next;
        }
        const auto total = std::chrono::duration_cast<std::chrono::milliseconds>(
            received[offset].at - received.front().at);
        EXPECT_GE(total.count(), owedTotal - kRecorderSlackMs);
    }

    test::FakeController controller;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

TEST_F(OperationsTest, FullWriteSendsEveryFrameInOrder)
{
    std::vector<Expected> frames { { std::string(BEGIN_FRAME), 200 } };
    for (const CommandSlot &slot : SlotTable::numbered()) {
        // Twenty bytes with spaces for some slots, shorter texts for others.
        const QString text = slot.number % 3 == 0
            ? QStringLiteral("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 %1")
                  .arg(QString::fromStdString(toHex2(slot.number)))
            : QString::fromStdString(toHex2(slot.number) + "A5");
        setSlot(slot.number, text);
        frames.push_back({ makeSlotFrame(slot.number, text.toStdString()), 200 });
    }
    frames.back().pauseAfter += 50;
    setSlot(98, QStringLiteral("ABC"));
    frames.push_back({ "ADBD3D62ABC", 200 });
    window->control<QComboBox>(QStringLiteral("组合框6"))->setCurrentIndex(2);
    frames.push_back({ "AD66887788CCDD02BD", 200 });
    frames.push_back({ std::string(COMMIT_FRAME), 200 + 100 });
    frames.push_back({ std::string(END_FRAME), 0 });

    std::vector<int> values;
    bool buttonsDisabledThroughout = true;
    Bytes atFull; // what had arrived when the bar reached 100
    QObject::connect(progress(), &QProgressBar::valueChanged, progress(), [&](int value) {
        values.push_back(value);
        if (value != 0)
            buttonsDisabledThroughout = buttonsDisabledThroughout && deviceButtonsDisabled();
        if (value == 100) {
            controller.waitForBytes(1, 0ms);
            atFull = controller.receivedBytes();
        }
    });
    test::MessageBoxAnswerer boxes;
    QTest::mouseClick(button("按钮001"), Qt::LeftButton);

    expectFrames(frames);
    std::vector<int> expectedValues;
    for (int n = 1; n <= 78; ++n) {
        const int v = int(n * 1.282);
        if (expectedValues.empty() || expectedValues.back() != v)
            expectedValues.push_back(v);
    }
    ASSERT_EQ(expectedValues.back(), 99);
    expectedValues.push_back(100);
    expectedValues.push_back(0);
    EXPECT_EQ(values, expectedValues);
    EXPECT_TRUE(buttonsDisabledThroughout);
    // 100 comes after COMMIT_FRAME, and END_FRAME after it.
    const auto commit = hexTextToBytes(COMMIT_FRAME);
    ASSERT_GE(atFull.size(), commit.size());
    EXPECT_TRUE(std::equal(commit.begin(), commit.end(), atFull.end() - std::ptrdiff_t(commit.size())));
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, QStringLiteral("确认写入"));
    EXPECT_EQ(boxes.seen()[0].caption, QStringLiteral("信息："));
    EXPECT_EQ(boxes.seen()[1].text, QStringLiteral("写入完成"));
    EXPECT_TRUE(boxes.seen()[1].hasCancel);
    EXPECT_TRUE(deviceButtonsEnabled());
    EXPECT_EQ(progress()->value(), 0);
}

TEST_F(OperationsTest, EmptyWriteSendsTheFrameOfEveryStep)
{
    test::MessageBoxAnswerer boxes;
    QTest::mouseClick(button("按钮001"), Qt::LeftButton);
    expectFrames({ { std::string(BEGIN_FRAME), 200 + 50 }, { "AD66887788CCDD00BD", 200 },
        { std::string(COMMIT_FRAME), 300 }, { std::string(END_FRAME), 0 } });
    EXPECT_EQ(boxes.seen().size(), 2u);
}

TEST_F(OperationsTest, SpacesOnlyAndOddTexts)
{
    setSlot(4, QStringLiteral("   "));
    setSlot(10, QStringLiteral("01 02 0A"));
    setSlot(11, QStringLiteral("ABC"));
    test::MessageBoxAnswerer boxes;
    QTest::mouseClick(button("按钮001"), Qt::LeftButton);
    expectFrames({ { std::string(BEGIN_FRAME), 200 }, { "ADBD3D04", 200 }, { "ADBD3D0A01020A", 200 },
        { "ADBD3D0BABC", 200 + 50 }, { "AD66887788CCDD00BD", 200 }, { std::string(COMMIT_FRAME), 300 },
        { std::string(END_FRAME), 0 } });
}

struct ValidationCase {
    const char *name;
    std::vector<std::pair<int, const char *>> slotNumbers;
    const char *message; // followed by the failing slot's text
    const char *failingText;
};

class ValidationTest : public OperationsTest, public ::testing::WithParamInterface<ValidationCase> { };

TEST_P(ValidationTest, StopsBeforeSendingAnything)
{
    for (const auto &[number, text] : GetParam().slotNumbers) {
        setSlot(number, QString::fromUtf8(text));
    }
    test::MessageBoxAnswerer boxes;
    QTest::mouseClick(button("按钮001"), Qt::LeftButton);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text,
        QString::fromUtf8(GetParam().message) + QStringLiteral("\r\n")
            + QString::fromUtf8(GetParam().failingText));
    EXPECT_EQ(boxes.seen()[0].caption, QStringLiteral("信息："));
    EXPECT_TRUE(boxes.seen()[0].hasCancel);
    // Sending is synchronous: had anything been sent, it would be on the line now.
    EXPECT_FALSE(controller.waitForBytes(1, 50ms));
    EXPECT_TRUE(deviceButtonsEnabled());
    EXPECT_EQ(progress()->value(), 0);
}

const std::string k41Digits(41, '1');

INSTANTIATE_TEST_SUITE_P(Cases, ValidationTest,
    ::testing::Values(ValidationCase { "too_long_first", { { 3, k41Digits.c_str() }, { 5, "G" } },
                          "请检查数据长度，不要超过20个字节", k41Digits.c_str() },
        ValidationCase { "not_hex_first", { { 3, "AD G1" }, { 5, k41Digits.c_str() } },
            "请检查输入的数据是否为十六进制", "AD G1" },
        ValidationCase { "lower_case", { { 70, "ad" } }, "请检查输入的数据是否为十六进制", "ad" },
        ValidationCase { "too_long_with_spaces_kept",
            { { 1, "0102030405060708090A0B0C0D0E0F1011121314 15" } }, "请检查数据长度，不要超过20个字节",
            "0102030405060708090A0B0C0D0E0F1011121314 15" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(OperationsTest, CancelAtTheConfirmationSendsNothing)
{
    setSlot(1, QStringLiteral("01"));
    test::MessageBoxAnswerer boxes([](const test::SeenBox &) { return false; });
    QTest::mouseClick(button("按钮001"), Qt::LeftButton);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, QStringLiteral("确认写入"));
    EXPECT_FALSE(controller.waitForBytes(1, 50ms));
    EXPECT_TRUE(deviceButtonsEnabled());
    EXPECT_EQ(progress()->value(), 0);
}

TEST_F(OperationsTest, EraseShowsBothBoxesBeforeTheBarReturns)
{
    std::vector<int> barAtBox;
    test::MessageBoxAnswerer boxes([&](const test::SeenBox &) {
        barAtBox.push_back(progress()->value());
        return true;
    });
    QTest::mouseClick(button("按钮002"), Qt::LeftButton);
    expectFrames({ { std::string(BEGIN_FRAME), 20 }, { std::string(ERASE_FRAME), 100 },
        { std::string(END_FRAME), 0 } });
    ASSERT_EQ(boxes.seen().size(), 3u);
    EXPECT_EQ(boxes.seen()[0].text, QStringLiteral("确认擦除"));
    EXPECT_EQ(boxes.seen()[0].caption, QStringLiteral("确认擦除"));
    EXPECT_EQ(boxes.seen()[1].text, QStringLiteral("完成设置"));
    EXPECT_EQ(boxes.seen()[1].caption, QStringLiteral("完成设置"));
    EXPECT_FALSE(boxes.seen()[1].hasCancel);
    EXPECT_EQ(boxes.seen()[2].text, QStringLiteral("完成擦除"));
    EXPECT_EQ(boxes.seen()[2].caption, QStringLiteral("完成擦除"));
    EXPECT_EQ(barAtBox, (std::vector<int> { 0, 100, 100 }));
    EXPECT_EQ(progress()->value(), 0);
    EXPECT_TRUE(deviceButtonsEnabled());
}

TEST_F(OperationsTest, DataIntervalSendsTheChosenItem)
{
    test::MessageBoxAnswerer boxes;
    QTest::mouseClick(button("按钮011"), Qt::LeftButton);
    expectFrames({ { std::string(BEGIN_FRAME), 50 }, { "AD66887788DDCC64BD", 100 },
        { std::string(COMMIT_FRAME), 100 }, { std::string(END_FRAME), 0 } });
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, QStringLiteral("端口每条数据之间间隔时长修改；"));
    EXPECT_EQ(boxes.seen()[1].text, QStringLiteral("完成设置"));

    controller.clear();
    window->control<QComboBox>(QStringLiteral("组合框5"))->setCurrentIndex(0xFE);
    QTest::mouseClick(button("按钮011"), Qt::LeftButton);
    ASSERT_TRUE(controller.waitForBytes(18, 5s));
    const Bytes second = controller.receivedBytes();
    EXPECT_EQ(Bytes(second.begin() + 9, second.begin() + 18), hexTextToBytes("AD66887788DDCCFEBD"));
}

TEST_F(OperationsTest, BaudRatesSendFourFramesAndNeverPort3)
{
    test::MessageBoxAnswerer boxes;
    QTest::mouseClick(button("按钮009"), Qt::LeftButton);
    expectFrames({ { std::string(BEGIN_FRAME), 50 }, { "AD66778866960001BD", 100 },
        { "AD66778866960002BD", 100 }, { "AD66778866960004BD", 100 }, { "AD66778866960005BD", 100 },
        { std::string(COMMIT_FRAME), 100 }, { std::string(END_FRAME), 0 } });
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, QStringLiteral("即将对总线上_所有_进入配置状态的面板进行波特率设置；"));

    controller.clear();
    window->control<QComboBox>(QStringLiteral("组合框3"))->setCurrentIndex(3);
    window->control<QComboBox>(QStringLiteral("组合框2"))->setCurrentIndex(-1); // nothing chosen
    QTest::mouseClick(button("按钮009"), Qt::LeftButton);
    expectFrames({ { std::string(BEGIN_FRAME), 50 }, { "AD66778866960001BD", 100 + 100 },
        { "AD66778866115204BD", 100 }, { "AD66778866960005BD", 100 }, { std::string(COMMIT_FRAME), 100 },
        { std::string(END_FRAME), 0 } });
}

TEST_F(OperationsTest, RepliesAreShownWhileAnOperationRuns)
{
    test::MessageBoxAnswerer boxes([&](const test::SeenBox &box) {
        if (box.text == QStringLiteral("端口每条数据之间间隔时长修改；"))
            return true;
        // At the closing box the controller's answer is on screen.
        return true;
    });
    bool replied = false;
    QObject::connect(progress(), &QProgressBar::valueChanged, progress(), [] {});
    QTimer::singleShot(20, [&] { replied = controller.reply({ 0x01, 0x77, 0x88, 0x02 }); });
    QTest::mouseClick(button("按钮011"), Qt::LeftButton);
    EXPECT_TRUE(replied);
    auto *feedback = window->control<FeedbackBox>(QStringLiteral("编辑框4"));
    ASSERT_TRUE(test::waitFor([&] { return feedback->text().contains(QStringLiteral("固定A码")); }));
    EXPECT_TRUE(feedback->text().startsWith(QStringLiteral("01 77 88 02 \r\n面板地址为：01\r\n")));
    EXPECT_EQ(window->control<QComboBox>(QStringLiteral("组合框1"))->currentText(), QStringLiteral("38400"));
}

TEST_F(OperationsTest, WriteAgainstAClosedLinkStillEnds)
{
    controller.hangUp();
    setSlot(1, QStringLiteral("01"));
    test::MessageBoxAnswerer boxes;
    window->operations().writeLearnedData();
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1].text, QStringLiteral("写入完成"));
    EXPECT_TRUE(deviceButtonsEnabled());
    EXPECT_EQ(progress()->value(), 0);
    EXPECT_FALSE(window->link().send({ 0x01 }));
}

TEST_F(OperationsTest, ClosingTheWindowDuringAWriteEndsItCleanly)
{
    for (const CommandSlot &slot : SlotTable::numbered())
        setSlot(slot.number, QStringLiteral("0102"));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QObject::connect(progress(), &QProgressBar::valueChanged, progress(), [this](int value) {
        if (value == 5)
            window->close();
    });
    test::MessageBoxAnswerer boxes;
    QTest::mouseClick(button("按钮001"), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    // Only the confirmation: no closing box after the window went away.
    ASSERT_EQ(boxes.seen().size(), 1u);
    // Slots 1 to 4 went out, then END_FRAME without a commit.
    std::vector<Expected> frames { { std::string(BEGIN_FRAME), 200 } };
    for (int n = 1; n <= 4; ++n)
        frames.push_back({ makeSlotFrame(n, "0102"), 200 });
    frames.push_back({ std::string(END_FRAME), 0 });
    expectFrames(frames);

    const QString automatic = automaticConfigPath(QDir::toNativeSeparators(dir.path()));
    window.reset();
    ASSERT_TRUE(QFile::exists(automatic));
    EXPECT_EQ(loadConfiguration(std::filesystem::path(automatic.toStdU16String()))[2], "0102");
}

} // namespace
