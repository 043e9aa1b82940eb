// The start button and the status line against pseudo-terminal ports.

#include "app/main_window.h"
#include "link/serial_link.h"
#include "support/pty.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace velmora;

namespace {

const QString kClosed = QStringLiteral("状态：串口未打开...");

class PortStartTest : public test::PtyFixture {
protected:
    void SetUp() override
    {
        test::PtyFixture::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(m_dir.isValid());
    }

    // The window with port n answered by `resolve`.
    MainWindow &open(PortResolver resolve)
    {
        m_window = std::make_unique<MainWindow>(MainWindowOptions { m_dir.path(), std::move(resolve) });
        return *m_window;
    }
    void click(const QString &port, const QString &rate)
    {
        m_window->control<QLineEdit>(QStringLiteral("编辑框1"))->setText(port);
        m_window->control<QLineEdit>(QStringLiteral("编辑框2"))->setText(rate);
        QTest::mouseClick(m_window->control<QPushButton>(QStringLiteral("按钮1")), Qt::LeftButton);
    }
    QString caption() const { return m_window->control<QPushButton>(QStringLiteral("按钮1"))->text(); }
    bool buttonsEnabled() const
    {
        for (const char *name : { "按钮001", "按钮002", "按钮009", "按钮011" }) {
            if (!m_window->control(QString::fromUtf8(name))->isEnabled())
                return false;
        }
        return true;
    }
    bool buttonsDisabled() const
    {
        for (const char *name : { "按钮001", "按钮002", "按钮009", "按钮011" }) {
            if (m_window->control(QString::fromUtf8(name))->isEnabled())
                return false;
        }
        return true;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> m_window;
};

struct StartCase {
    const char *name;
    const char *portText;
    const char *rateText;
    int resolvedPort;
    const char *status;
};

class StartCaseTest : public PortStartTest, public ::testing::WithParamInterface<StartCase> { };

TEST_P(StartCaseTest, OpenDisplay)
{
    const StartCase &c = GetParam();
    std::vector<int> asked;
    const QString device = QString::fromStdString(pty.slavePath());
    open([&asked, device](int n) {
        asked.push_back(n);
        return device;
    });
    click(QString::fromUtf8(c.portText), QString::fromUtf8(c.rateText));
    ASSERT_TRUE(m_window->link().isOpen());
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), c.resolvedPort);
    EXPECT_EQ(m_window->statusText(), QString::fromUtf8(c.status));
    EXPECT_EQ(caption(), QStringLiteral("关闭"));
    EXPECT_TRUE(buttonsEnabled());
}

INSTANTIATE_TEST_SUITE_P(Cases, StartCaseTest,
    ::testing::Values(
        StartCase { "port1", "1", "9600", 1, "状态：串口号:1,波特率:9600,数据位:8,停止位:1,奇偶效验:假" },
        StartCase { "com3_reads_as_1", "COM3", "9600", 1,
            "状态：串口号:1,波特率:9600,数据位:8,停止位:1,奇偶效验:假" },
        StartCase { "zero", "0", "9600", 1, "状态：串口号:1,波特率:9600,数据位:8,停止位:1,奇偶效验:假" },
        StartCase { "negative", "-4", "9600", 1, "状态：串口号:1,波特率:9600,数据位:8,停止位:1,奇偶效验:假" },
        StartCase { "full_width", "３", "１１５２００", 3,
            "状态：串口号:3,波特率:115200,数据位:8,停止位:1,奇偶效验:假" },
        StartCase { "leading_space", " 12", "38400abc", 12,
            "状态：串口号:12,波特率:38400,数据位:8,停止位:1,奇偶效验:假" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PortStartTest, RestartWithANewRateAndThenAMissingPort)
{
    const QString device = QString::fromStdString(pty.slavePath());
    open([device](int n) { return n == 1 ? device : QString(); });
    click(QStringLiteral("1"), QStringLiteral("9600"));
    ASSERT_EQ(caption(), QStringLiteral("关闭"));
    click(QStringLiteral("1"), QStringLiteral("19200"));
    EXPECT_EQ(
        m_window->statusText(), QStringLiteral("状态：串口号:1,波特率:19200,数据位:8,停止位:1,奇偶效验:假"));
    EXPECT_EQ(caption(), QStringLiteral("关闭"));
    click(QStringLiteral("7"), QStringLiteral("19200"));
    EXPECT_FALSE(m_window->link().isOpen());
    EXPECT_EQ(m_window->statusText(), kClosed);
    EXPECT_EQ(caption(), QStringLiteral("启动"));
    EXPECT_TRUE(buttonsDisabled());
}

TEST_F(PortStartTest, EmptyRateIsRefused)
{
    const QString device = QString::fromStdString(pty.slavePath());
    open([device](int) { return device; });
    click(QStringLiteral("1"), QString());
    EXPECT_FALSE(m_window->link().isOpen());
    EXPECT_EQ(m_window->statusText(), kClosed);
    EXPECT_TRUE(buttonsDisabled());
}

TEST_F(PortStartTest, SecondTryThatSucceedsLeavesTheDisplay)
{
    const QString device = QString::fromStdString(pty.slavePath());
    int calls = 0;
    open([&calls, device](int) { return ++calls == 1 ? QString() : device; });
    click(QStringLiteral("1"), QStringLiteral("9600"));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(m_window->link().isOpen());
    EXPECT_EQ(m_window->statusText(), kClosed);
    EXPECT_EQ(caption(), QStringLiteral("启动"));
    EXPECT_TRUE(buttonsDisabled());
}

} // namespace
