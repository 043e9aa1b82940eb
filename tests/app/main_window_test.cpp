#include "app/main_window.h"
#include "app/tab_control.h"
#include "config/configuration.h"
#include "config/file_commands.h"
#include "config/profile.h"
#include "link/serial_link.h"
#include "model/slot_table.h"
#include "protocol/feedback_box.h"
#include "support/gbk.h"
#include "support/modal.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace velmora;
using velmora::test::gbk;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    MainWindow &open(PortResolver resolver = [](int) { return QString(); })
    {
        m_window = std::make_unique<MainWindow>(MainWindowOptions { m_dir.path(), std::move(resolver) });
        return *m_window;
    }
    void close() { m_window.reset(); }

    QString automaticFile() const { return automaticConfigPath(QDir::toNativeSeparators(m_dir.path())); }
    QString path(const char *name) const
    {
        return QDir::toNativeSeparators(m_dir.filePath(QString::fromUtf8(name)));
    }
    QLineEdit *edit(const char *name) const { return m_window->control<QLineEdit>(QString::fromUtf8(name)); }

    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> m_window;
};

TEST_F(MainWindowTest, StateAfterFirstStart)
{
    MainWindow &window = open();
    EXPECT_EQ(window.tabControl()->currentIndex(), 2);
    EXPECT_EQ(window.statusText(), QStringLiteral("状态：串口未打开..."));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Velmora_V1.02") + automaticFile());
    EXPECT_EQ(window.fileCommands().configPath(), automaticFile());
    EXPECT_TRUE(window.control<FeedbackBox>(QStringLiteral("编辑框4"))->text().isEmpty());
    for (const char *name : { "按钮001", "按钮002", "按钮009", "按钮011" })
        EXPECT_FALSE(window.control(QString::fromUtf8(name))->isEnabled()) << name;
    EXPECT_TRUE(window.control(QStringLiteral("按钮003"))->isEnabled());
    EXPECT_EQ(window.control<QPushButton>(QStringLiteral("按钮1"))->text(), QStringLiteral("启动"));
    EXPECT_FALSE(window.link().isOpen());
    // No file yet: every saved control is empty, port and rate included.
    EXPECT_TRUE(edit("编辑框1")->text().isEmpty());
    EXPECT_TRUE(edit("编辑框2")->text().isEmpty());
    for (const CommandSlot &slot : SlotTable::all())
        EXPECT_TRUE(window.commandText(slot).isEmpty()) << slot.number;
    EXPECT_FALSE(QFile::exists(automaticFile()));

    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_FALSE(window.control(QStringLiteral("编辑框3"))->isVisible());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());

    close();
    // The close writes the automatic file with all 81 entries.
    ASSERT_TRUE(QFile::exists(automaticFile()));
    const QByteArray content = readFile(automaticFile());
    EXPECT_EQ(content.count("\r\n["), 5);
    EXPECT_EQ(content.count("="), 81);
}

TEST_F(MainWindowTest, CommandBoxesTurnLettersIntoCapitals)
{
    MainWindow &window = open();
    window.show();
    window.tabControl()->setCurrentIndex(0);
    QLineEdit *box = window.commandBox(*slotByNumber(1));
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("ad66 x1"));
    EXPECT_EQ(box->text(), QStringLiteral("AD66 X1"));
    QApplication::clipboard()->setText(QStringLiteral(" bd"));
    box->paste();
    EXPECT_EQ(box->text(), QStringLiteral("AD66 X1 BD"));
    EXPECT_EQ(box->font().pixelSize(), 10);
    // Other boxes take text as typed.
    QLineEdit *port = edit("编辑框1");
    QTest::keyClicks(port, QStringLiteral("com"));
    EXPECT_EQ(port->text(), QStringLiteral("com"));
}

TEST_F(MainWindowTest, LoadsAndSavesTheAutomaticFile)
{
    ConfigurationValues values;
    values[0] = "3";
    values[1] = "19200";
    values[2] = "AD 66"; // slot 1
    values[2 + 53] = gbk("0A0B"); // slot 54, 功放 HDMI1
    values[80] = "abc"; // the handshake slot, loaded as found
    ASSERT_TRUE(saveConfiguration(fsPath(automaticFile()), values));

    MainWindow &window = open();
    EXPECT_EQ(edit("编辑框1")->text(), QStringLiteral("3"));
    EXPECT_EQ(edit("编辑框2")->text(), QStringLiteral("19200"));
    EXPECT_EQ(window.commandText(*slotByNumber(1)), QByteArray("AD 66"));
    EXPECT_EQ(window.commandText(*slotByNumber(54)), QByteArray("0A0B"));
    EXPECT_EQ(window.commandText(*slotByNumber(98)), QByteArray("abc"));
    EXPECT_FALSE(window.link().isOpen());

    window.commandBox(*slotByNumber(2))->setText(QStringLiteral("FF"));
    close();
    const ConfigurationValues saved = loadConfiguration(fsPath(automaticFile()));
    EXPECT_EQ(saved[3], "FF");
    EXPECT_EQ(saved[2], "AD 66");
    EXPECT_EQ(saved[1], "19200");
}

TEST_F(MainWindowTest, OpenEditCloseLeavesTheOpenedFileAlone)
{
    const QString other = path("client.mbqdx");
    ConfigurationValues values;
    values[0] = "2";
    values[1] = "9600";
    values[10] = "0102";
    ASSERT_TRUE(saveConfiguration(fsPath(other), values));
    const QByteArray before = readFile(other);

    MainWindow &window = open();
    test::onNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), QStringLiteral("通用对话框1"));
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        dialog->selectFile(other);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QTest::mouseClick(window.control<QPushButton>(QStringLiteral("按钮003")), Qt::LeftButton);
    EXPECT_EQ(window.fileCommands().configPath(), other);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Velmora_V1.02") + other);
    EXPECT_EQ(window.commandText(*slotByNumber(9)), QByteArray("0102"));
    EXPECT_EQ(edit("编辑框1")->text(), QStringLiteral("2"));

    window.commandBox(*slotByNumber(9))->setText(QStringLiteral("0103"));
    close();
    EXPECT_EQ(readFile(other), before);
    const ConfigurationValues saved = loadConfiguration(fsPath(automaticFile()));
    EXPECT_EQ(saved[10], "0103");
    EXPECT_EQ(saved[0], "2");
}

TEST_F(MainWindowTest, CancelledOpenChangesNothing)
{
    MainWindow &window = open();
    const QString caption = window.windowTitle();
    test::onNextModal([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
    QTest::mouseClick(window.control<QPushButton>(QStringLiteral("按钮003")), Qt::LeftButton);
    EXPECT_EQ(window.windowTitle(), caption);
    EXPECT_EQ(window.fileCommands().configPath(), automaticFile());
}

TEST_F(MainWindowTest, SaveAsAppendsTheExtensionAndKeepsTheName)
{
    MainWindow &window = open();
    window.commandBox(*slotByNumber(5))->setText(QStringLiteral("AB CD"));
    const QString typed = path("cinema");
    test::onNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        dialog->selectFile(typed);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QTest::mouseClick(window.control<QPushButton>(QStringLiteral("按钮004")), Qt::LeftButton);
    const QString saved = typed + QStringLiteral(".mbqdx");
    EXPECT_EQ(window.fileCommands().configPath(), saved);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Velmora_V1.02") + saved);
    ASSERT_TRUE(QFile::exists(saved));
    EXPECT_EQ(loadConfiguration(fsPath(saved))[6], "AB CD");

    // The next open starts with the file just saved.
    QString prefilled;
    test::onNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        prefilled = dialog->selectedFiles().value(0);
        dialog->reject();
    });
    QTest::mouseClick(window.control<QPushButton>(QStringLiteral("按钮003")), Qt::LeftButton);
    EXPECT_EQ(QDir::toNativeSeparators(prefilled), saved);
}

TEST_F(MainWindowTest, AlwaysOnTopFollowsTheCheckBox)
{
    MainWindow &window = open();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPoint place = window.pos();
    auto *check = window.control<QCheckBox>(QStringLiteral("选择框3"));
    EXPECT_FALSE(check->isChecked());
    QTest::mouseClick(check, Qt::LeftButton);
    ASSERT_TRUE(check->isChecked());
    EXPECT_TRUE(window.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window.pos(), place);
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_FALSE(window.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
}

TEST_F(MainWindowTest, MissingPortGivesTheClosedDisplay)
{
    MainWindow &window = open([](int) { return QStringLiteral("/nonexistent/velmora-tty"); });
    edit("编辑框1")->setText(QStringLiteral("1"));
    edit("编辑框2")->setText(QStringLiteral("9600"));
    QTest::mouseClick(window.control<QPushButton>(QStringLiteral("按钮1")), Qt::LeftButton);
    EXPECT_EQ(window.statusText(), QStringLiteral("状态：串口未打开..."));
    EXPECT_EQ(window.control<QPushButton>(QStringLiteral("按钮1"))->text(), QStringLiteral("启动"));
    EXPECT_FALSE(window.control(QStringLiteral("按钮001"))->isEnabled());
}

} // namespace
