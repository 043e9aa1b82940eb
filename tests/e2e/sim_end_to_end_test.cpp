// The tool end to end against velmora-sim: the real window (offscreen) finds
// the simulator behind ports/COM1 in its program directory, loads a
// configuration file, starts the port and runs the controller operations;
// the simulator's verdict (--expect) and its printed table say what arrived.

#include "app/main_window.h"
#include "config/configuration.h"
#include "config/file_commands.h"
#include "link/port_resolver.h"
#include "link/serial_link.h"
#include "model/command_text.h"
#include "model/slot_table.h"
#include "support/modal.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

using namespace velmora;

namespace {

constexpr int kStartMs = 10000;
constexpr int kOutputMs = 10000;
// The longest single operation below is the full write, about 17 s; its
// click returns only when the write has ended.

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

// The simulator as a child process; everything it prints is collected.
class Simulator {
public:
    Simulator()
    {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&m_process, &QProcess::readyRead, &m_process,
            [this] { m_output += QString::fromUtf8(m_process.readAll()); });
    }
    ~Simulator() { stop(); }
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    bool start(const QStringList &arguments)
    {
        m_process.start(QStringLiteral(VELMORA_SIM_PROGRAM), arguments);
        return m_process.waitForStarted(kStartMs)
            && test::waitFor(
                [this] { return m_output.contains(QStringLiteral("waiting for the tool")); }, kStartMs);
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate(); // the simulator removes its port link on SIGTERM
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool waitForExit(int timeoutMs)
    {
        return test::waitFor([this] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
    }
    bool waitForOutput(const std::function<bool(const QString &)> &condition, int timeoutMs = kOutputMs)
    {
        return test::waitFor([&] { return condition(m_output); }, timeoutMs);
    }
    int exitCode() const
    {
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    const QString &output() const { return m_output; }

private:
    QProcess m_process;
    QString m_output;
};

// One "controller table:" block of the simulator's output.
struct PrintedTable {
    std::vector<QString> commands; // table order; "no command" when empty
    std::map<QString, QString> settings; // "data interval" -> "2A (42)", ...
};

std::vector<PrintedTable> printedTables(const QString &output)
{
    std::vector<PrintedTable> tables;
    const QStringList lines = output.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] != QStringLiteral("controller table:"))
            continue;
        // 79 slots, the binding, the interval and four port rates.
        constexpr qsizetype kLines = 79 + 2 + 4;
        if (i + kLines >= lines.size())
            break; // still being printed
        PrintedTable table;
        for (qsizetype j = 1; j <= kLines; ++j) {
            const QString &line = lines[i + j];
            const qsizetype colon = line.indexOf(QStringLiteral(": "));
            const QString value = line.mid(colon + 2);
            if (j <= 79)
                table.commands.push_back(value);
            else
                table.settings[line.left(colon).trimmed()] = value;
        }
        tables.push_back(std::move(table));
    }
    return tables;
}

// A legal command text for each numbered slot, varied on purpose: 1 to 20
// bytes, spaces between pairs for some, an odd digit count for others, and
// the frame start AD inside the command.
std::string commandFor(int number)
{
    const int length = 1 + (number * 7) % 20;
    std::string text;
    for (int i = 0; i < length; ++i) {
        const int value = i == 1 ? 0xAD : (number * 37 + i * 11) & 0xFF;
        text += toHex2(value);
        if (number % 4 == 0 && i + 1 < length)
            text += ' ';
    }
    if (number % 5 == 0)
        text.pop_back();
    return text;
}

class SimEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_runDirectory = m_dir.path();
    }
    void TearDown() override
    {
        m_window.reset();
        m_simulator.stop();
    }

    QString path(const QString &name) const { return QDir(m_runDirectory).filePath(name); }

    // Port n is ports/COM<n> in the run directory, as for the program itself;
    // no listed port stands in when the link is missing.
    MainWindow &openWindow()
    {
        const QString dir = m_runDirectory;
        PortResolver resolver
            = pinnedOrListedResolver([dir] { return dir; }, [] { return QList<ListedPort> {}; });
        m_window = std::make_unique<MainWindow>(MainWindowOptions { dir, std::move(resolver) });
        return *m_window;
    }
    QPushButton *button(const char *name) const
    {
        return m_window->control<QPushButton>(QString::fromUtf8(name));
    }
    QComboBox *combo(const char *name) const { return m_window->control<QComboBox>(QString::fromUtf8(name)); }

    void startPort()
    {
        QTest::mouseClick(button("按钮1"), Qt::LeftButton);
        ASSERT_TRUE(m_window->link().isOpen()) << m_window->statusText().toStdString();
        ASSERT_TRUE(button("按钮001")->isEnabled());
    }

    // Clicks a device button with every box answered OK; returns the boxes' texts.
    QStringList run(const char *deviceButton)
    {
        test::MessageBoxAnswerer boxes;
        QTest::mouseClick(button(deviceButton), Qt::LeftButton);
        QStringList texts;
        for (const test::SeenBox &box : boxes.seen())
            texts << box.text;
        return texts;
    }

    // The table the simulator prints after the next END frame.
    PrintedTable nextTable(std::size_t tablesBefore)
    {
        EXPECT_TRUE(m_simulator.waitForOutput([&](const QString &output) {
            return printedTables(output).size() > tablesBefore;
        })) << m_simulator.output().toStdString();
        const auto tables = printedTables(m_simulator.output());
        return tables.size() > tablesBefore ? tables.back() : PrintedTable {};
    }

    QTemporaryDir m_dir;
    QString m_runDirectory;
    Simulator m_simulator;
    std::unique_ptr<MainWindow> m_window;
};

TEST_F(SimEndToEndTest, FullWriteIsConfirmedBySimulator)
{
    ConfigurationValues values;
    values[0] = "1";
    values[1] = "115200";
    for (const CommandSlot &slot : SlotTable::numbered())
        values[std::size_t(slot.number) + 1] = commandFor(slot.number);
    // The handshake is not checked by the tool: longer than 20 bytes is sent as it is.
    values[80] = "AD BD 3D 62 00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 01 02 03 04 05 06 07 08 09 0A";
    const QString file = path(QStringLiteral("影院.mbqdx"));
    ASSERT_TRUE(saveConfiguration(fsPath(file), values));

    ASSERT_TRUE(m_simulator.start({ QStringLiteral("--port"), QStringLiteral("1"),
        QStringLiteral("--program-dir"), m_runDirectory, QStringLiteral("--expect"), file }))
        << m_simulator.output().toStdString();
    ASSERT_TRUE(QFileInfo(path(QStringLiteral("ports/COM1"))).isSymLink());

    // The installer opens the prepared file through the open dialog.
    MainWindow &window = openWindow();
    test::onNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(file);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QTest::mouseClick(button("按钮003"), Qt::LeftButton);
    ASSERT_EQ(window.fileCommands().configPath(), QDir::toNativeSeparators(file));
    ASSERT_EQ(window.commandText(*slotByNumber(78)), QByteArray::fromStdString(values[79]));

    ASSERT_NO_FATAL_FAILURE(startPort());
    EXPECT_EQ(
        window.statusText(), QStringLiteral("状态：串口号:1,波特率:115200,数据位:8,停止位:1,奇偶效验:假"));

    EXPECT_EQ(run("按钮001"), (QStringList { QStringLiteral("确认写入"), QStringLiteral("写入完成") }));

    // --expect compares after END and exits: 0 when every slot matches.
    ASSERT_TRUE(m_simulator.waitForExit(kOutputMs)) << m_simulator.output().toStdString();
    EXPECT_EQ(m_simulator.exitCode(), 0) << m_simulator.output().toStdString();
    EXPECT_TRUE(m_simulator.output().contains(QStringLiteral("expectation met")));
    EXPECT_FALSE(m_simulator.output().contains(QStringLiteral("REJECTED")))
        << m_simulator.output().toStdString();
    const auto tables = printedTables(m_simulator.output());
    ASSERT_EQ(tables.size(), 1u);
    for (std::size_t i = 0; i < tables[0].commands.size(); ++i)
        EXPECT_NE(tables[0].commands[i], QStringLiteral("no command"))
            << "slot " << SlotTable::all()[i].number;
    // The simulator has gone and taken its port link with it.
    EXPECT_FALSE(QFileInfo(path(QStringLiteral("ports/COM1"))).isSymLink());
}

TEST_F(SimEndToEndTest, EraseIntervalAndRatesChangeTheSimulatorAsSent)
{
    // The automatic file beside the program: a few slots, port 1.
    ConfigurationValues values;
    values[0] = "1";
    values[1] = "9600";
    values[2] = "01 02 03"; // slot 1
    values[18] = "AD BD"; // slot 17
    values[68] = "FFEE0"; // slot 67
    values[80] = "5A"; // handshake
    ASSERT_TRUE(
        saveConfiguration(fsPath(automaticConfigPath(QDir::toNativeSeparators(m_runDirectory))), values));

    ASSERT_TRUE(m_simulator.start({ QStringLiteral("--program-dir"), m_runDirectory }))
        << m_simulator.output().toStdString();
    openWindow();
    ASSERT_NO_FATAL_FAILURE(startPort());
    combo("组合框6")->setCurrentIndex(3);

    ASSERT_EQ(run("按钮001").size(), 2);
    const PrintedTable written = nextTable(0);
    ASSERT_EQ(written.commands.size(), 79u);
    for (std::size_t i = 0; i < 79; ++i) {
        const int number = SlotTable::all()[i].number;
        const QString expected = number == 1 ? QStringLiteral("01 02 03")
            : number == 17                   ? QStringLiteral("AD BD")
            : number == 67                   ? QStringLiteral("FF EE 00")
            : number == 98                   ? QStringLiteral("5A")
                                             : QStringLiteral("no command");
        EXPECT_EQ(written.commands[i], expected) << "slot " << number;
    }
    EXPECT_EQ(written.settings.at(QStringLiteral("extension binding")), QStringLiteral("03 (功放)"));

    EXPECT_EQ(run("按钮002"),
        (QStringList { QStringLiteral("确认擦除"), QStringLiteral("完成设置"), QStringLiteral("完成擦除") }));
    const PrintedTable erased = nextTable(1);
    ASSERT_EQ(erased.commands.size(), 79u);
    for (std::size_t i = 0; i < 79; ++i)
        EXPECT_EQ(erased.commands[i], QStringLiteral("no command")) << "slot " << SlotTable::all()[i].number;

    combo("组合框5")->setCurrentText(QStringLiteral("2A"));
    EXPECT_EQ(run("按钮011").size(), 2);
    const PrintedTable interval = nextTable(2);
    EXPECT_EQ(interval.settings.at(QStringLiteral("data interval")), QStringLiteral("2A (42)"));

    // One rate per port, each different, so that a mixed-up port id shows.
    combo("组合框1")->setCurrentIndex(1);
    combo("组合框2")->setCurrentIndex(2);
    combo("组合框3")->setCurrentIndex(3);
    combo("组合框4")->setCurrentIndex(0);
    EXPECT_EQ(run("按钮009").size(), 2);
    const PrintedTable rates = nextTable(3);
    EXPECT_EQ(rates.settings.at(QStringLiteral("sequencer port rate")), QStringLiteral("19200"));
    EXPECT_EQ(rates.settings.at(QStringLiteral("projector port rate")), QStringLiteral("38400"));
    EXPECT_EQ(rates.settings.at(QStringLiteral("player port rate")), QStringLiteral("115200"));
    EXPECT_EQ(rates.settings.at(QStringLiteral("amplifier port rate")), QStringLiteral("9600"));
    // Settings survive each other: the interval is still the one sent before.
    EXPECT_EQ(rates.settings.at(QStringLiteral("data interval")), QStringLiteral("2A (42)"));

    EXPECT_FALSE(m_simulator.output().contains(QStringLiteral("REJECTED")))
        << m_simulator.output().toStdString();
}

} // namespace
