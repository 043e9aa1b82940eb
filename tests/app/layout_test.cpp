#include "app/control_catalogue.h"
#include "app/main_window.h"
#include "app/tab_control.h"
#include "config/file_commands.h"
#include "model/slot_table.h"
#include "protocol/feedback_box.h"
#include "support/gbk.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <memory>

using namespace velmora;

namespace {

enum class Kind {
    GroupBox,
    Label,
    PushButton,
    CheckBox,
    LineEdit,
    FeedbackBox,
    ComboBox,
    TabControl,
    ProgressBar,
    PictureBox,
    RichText
};

const char *className(Kind kind)
{
    switch (kind) {
    case Kind::GroupBox: return "QGroupBox";
    case Kind::Label: return "QLabel";
    case Kind::PushButton: return "QPushButton";
    case Kind::CheckBox: return "QCheckBox";
    case Kind::LineEdit: return "QLineEdit";
    case Kind::FeedbackBox: return "velmora::FeedbackBox";
    case Kind::ComboBox: return "QComboBox";
    case Kind::TabControl: return "velmora::TabControl";
    case Kind::ProgressBar: return "QProgressBar";
    case Kind::PictureBox: return "QLabel";
    case Kind::RichText: return "QTextEdit";
    }
    return "";
}

struct Row {
    const char *name;
    Kind kind;
    const char *parent; // "" the client area, "pageN" a page of the tab control
    QRect geometry;
    const char *text; // nullptr: checked elsewhere
};

// The controls outside the slot rows, as the layout places them.
const Row kRows[] = {
    { "分组框2", Kind::GroupBox, "", { 0, 0, 184, 152 }, "串口" },
    { "分组框1", Kind::GroupBox, "", { 184, 0, 512, 152 }, "接收\\反馈" },
    { "分组框4", Kind::GroupBox, "", { 704, 0, 240, 152 }, "配置" },
    { "分组框3", Kind::GroupBox, "", { 0, 160, 944, 492 }, nullptr },
    { "透明标签1", Kind::Label, "分组框2", { 14, 33, 43, 16 }, "端口号：" },
    { "编辑框1", Kind::LineEdit, "分组框2", { 62, 29, 98, 22 }, "1" },
    { "透明标签2", Kind::Label, "分组框2", { 14, 64, 48, 16 }, "波特率：" },
    { "编辑框2", Kind::LineEdit, "分组框2", { 62, 61, 98, 21 }, "9600" },
    { "按钮1", Kind::PushButton, "分组框2", { 14, 91, 70, 30 }, "启动" },
    { "按钮3", Kind::PushButton, "分组框2", { 98, 91, 70, 30 }, "清空→" },
    { "选择框3", Kind::CheckBox, "分组框2", { 12, 125, 120, 20 }, "在所有窗口最前端" },
    { "编辑框4", Kind::FeedbackBox, "分组框1", { 8, 13, 488, 129 }, "" },
    { "按钮003", Kind::PushButton, "分组框4", { 4, 16, 65, 35 }, "打开文件" },
    { "按钮004", Kind::PushButton, "分组框4", { 74, 16, 65, 35 }, "另存文件" },
    { "标签2", Kind::Label, "分组框4", { 8, 56, 35, 16 }, "时序器:" },
    { "组合框1", Kind::ComboBox, "分组框4", { 48, 56, 68, 20 }, "" },
    { "标签3", Kind::Label, "分组框4", { 122, 56, 35, 16 }, "投影机" },
    { "组合框2", Kind::ComboBox, "分组框4", { 162, 56, 68, 20 }, "" },
    { "标签1", Kind::Label, "分组框4", { 8, 80, 35, 16 }, "播放器" },
    { "组合框3", Kind::ComboBox, "分组框4", { 48, 80, 68, 20 }, "" },
    { "标签4", Kind::Label, "分组框4", { 122, 80, 32, 16 }, "功放" },
    { "组合框4", Kind::ComboBox, "分组框4", { 162, 80, 68, 20 }, "" },
    { "组合框5", Kind::ComboBox, "分组框4", { 7, 103, 68, 20 }, "" },
    { "按钮011", Kind::PushButton, "分组框4", { 80, 103, 70, 20 }, "数据间隔" },
    { "按钮009", Kind::PushButton, "分组框4", { 159, 103, 72, 20 }, "波特率设置" },
    { "按钮002", Kind::PushButton, "分组框4", { 6, 128, 70, 20 }, "擦除数据" },
    { "按钮001", Kind::PushButton, "分组框4", { 80, 128, 70, 20 }, "写入数据" },
    { "编辑框3", Kind::LineEdit, "分组框4", { 0, 64, 24, 32 }, "" },
    { "选择夹1", Kind::TabControl, "分组框3", { 4, 16, 940, 472 }, "" },
    { "进度条1", Kind::ProgressBar, "分组框3", { 7, 477, 934, 10 }, "" },
    { "标签88", Kind::Label, "分组框12", { 15, 99, 80, 24 }, "扩展区绑定到" },
    { "组合框6", Kind::ComboBox, "分组框12", { 98, 100, 68, 20 }, "" },
    { "标签89", Kind::Label, "分组框12", { 169, 99, 80, 24 }, "端口" },
    { "标签92", Kind::Label, "分组框12", { 16, 124, 97, 24 }, "K7效果器握手指令" },
    { "编辑框198", Kind::LineEdit, "分组框12", { 121, 125, 173, 20 }, "" },
    { "超级编辑框1", Kind::RichText, "page2", { 4, 24, 736, 408 }, "" },
    { "图片框1", Kind::PictureBox, "page2", { 44, 304, 128, 88 }, "" },
    { "标签90", Kind::Label, "page2", { 80, 392, 80, 24 }, "串口通讯" },
    { "图片框2", Kind::PictureBox, "page2", { 184, 304, 128, 88 }, "" },
    { "标签91", Kind::Label, "page2", { 216, 392, 80, 24 }, "Type-C调试" },
    { "分组框5", Kind::GroupBox, "page0", { 5, 24, 303, 432 }, "时序器" },
    { "分组框6", Kind::GroupBox, "page0", { 316, 24, 303, 208 }, "投影机" },
    { "分组框7", Kind::GroupBox, "page0", { 316, 280, 303, 176 }, "播放器" },
    { "分组框9", Kind::GroupBox, "page0", { 627, 24, 303, 432 }, "播放器" },
    { "分组框8", Kind::GroupBox, "page1", { 5, 24, 303, 432 }, "功放" },
    { "分组框10", Kind::GroupBox, "page1", { 316, 24, 303, 160 }, "功放" },
    { "分组框11", Kind::GroupBox, "page1", { 316, 200, 303, 256 }, "扩展" },
    { "分组框12", Kind::GroupBox, "page1", { 627, 24, 303, 152 }, "扩展" },
};

// One window for the read-only layout checks.
class LayoutTest : public ::testing::TestWithParam<Row> {
public:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        s_window = new MainWindow(MainWindowOptions { s_dir->path(), [](int) { return QString(); } });
    }
    static void TearDownTestSuite()
    {
        delete s_window;
        delete s_dir;
    }
    static MainWindow *s_window;
    static QTemporaryDir *s_dir;
};

MainWindow *LayoutTest::s_window = nullptr;
QTemporaryDir *LayoutTest::s_dir = nullptr;

QString widgetText(QWidget *widget)
{
    if (auto *w = qobject_cast<QGroupBox *>(widget))
        return w->title();
    if (auto *w = qobject_cast<QLabel *>(widget))
        return w->text();
    if (auto *w = qobject_cast<QAbstractButton *>(widget))
        return w->text();
    if (auto *w = qobject_cast<QLineEdit *>(widget))
        return w->text();
    return {};
}

// The place relative to the layout parent: a page's children are placed from
// the tab control's outer corner.
QRect layoutGeometry(MainWindow *window, QWidget *widget, const QString &parent)
{
    if (parent.startsWith(QLatin1String("page"))) {
        TabControl *tabs = window->tabControl();
        return QRect(widget->mapTo(tabs, QPoint(0, 0)), widget->size());
    }
    return widget->geometry();
}

TEST_P(LayoutTest, ControlInPlace)
{
    const Row row = GetParam();
    const QString name = QString::fromUtf8(row.name);
    const QString parent = QString::fromUtf8(row.parent);
    QWidget *widget = s_window->control(name);
    ASSERT_NE(widget, nullptr) << row.name;
    EXPECT_EQ(widget->objectName(), name);
    EXPECT_TRUE(widget->inherits(className(row.kind)))
        << row.name << " is " << widget->metaObject()->className();
    if (parent.isEmpty()) {
        EXPECT_EQ(widget->parentWidget(), s_window->centralWidget());
    } else if (parent.startsWith(QLatin1String("page"))) {
        EXPECT_EQ(widget->parentWidget(), s_window->tabControl()->page(parent.mid(4).toInt()));
    } else {
        ASSERT_NE(widget->parentWidget(), nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), parent);
    }
    EXPECT_EQ(layoutGeometry(s_window, widget, parent), row.geometry) << row.name;
    if (!row.text)
        return;
    if (row.kind == Kind::LineEdit && *row.text) {
        // Start-up replaces the layout's texts with the file's; the layout
        // itself still holds them.
        const auto &catalogue = controlCatalogue();
        const auto it = std::find_if(
            catalogue.begin(), catalogue.end(), [&](const ControlSpec &spec) { return spec.name == name; });
        ASSERT_NE(it, catalogue.end());
        EXPECT_EQ(it->text, QString::fromUtf8(row.text));
        return;
    }
    EXPECT_EQ(widgetText(widget), QString::fromUtf8(row.text)) << row.name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, LayoutTest, ::testing::ValuesIn(kRows),
    [](const auto &info) { return "row" + std::to_string(info.index); });

// The slot rows of every group box outside the sequencer: slots top to bottom,
// box tops, label tops, first label number.
struct SlotRows {
    const char *groupBox;
    std::vector<int> slotNumbers;
    std::vector<int> boxTops;
    std::vector<int> labelTops;
    int firstLabel;
};

std::vector<int> range(int first, int last, int step = 1)
{
    std::vector<int> out;
    for (int v = first; v <= last; v += step)
        out.push_back(v);
    return out;
}

std::vector<int> join(std::vector<int> a, const std::vector<int> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(LayoutTest, SlotRowsInPlace)
{
    const std::vector<SlotRows> groups = {
        { "分组框6", join({ 17, 18 }, range(23, 27)), { 24, 49, 74, 99, 124, 149, 174 },
            { 22, 47, 73, 98, 123, 148, 173 }, 29 },
        { "分组框7", join({ 19, 20 }, range(28, 31)), { 16, 41, 66, 91, 116, 141 },
            { 14, 39, 65, 90, 115, 140 }, 36 },
        { "分组框9", range(32, 47), range(24, 399, 25),
            { 22, 47, 73, 98, 123, 148, 173, 197, 222, 248, 273, 298, 323, 348, 372, 397 }, 42 },
        { "分组框8", join({ 21, 22 }, range(48, 61)), join({ 24, 49, 75 }, range(101, 401, 25)),
            { 23, 48, 74, 99, 124, 149, 174, 198, 223, 249, 274, 299, 324, 349, 373, 398 }, 58 },
        { "分组框10", range(62, 66), { 24, 49, 74, 99, 124 }, { 22, 47, 73, 98, 123 }, 74 },
        { "分组框11", range(67, 75), { 24, 49, 75, 101, 126, 151, 176, 201, 226 },
            { 23, 48, 74, 99, 124, 149, 174, 198, 223 }, 79 },
        { "分组框12", range(76, 78), { 24, 49, 75 }, { 23, 48, 74 }, 176 },
    };
    int seen = 0;
    for (const SlotRows &group : groups) {
        ASSERT_EQ(group.slotNumbers.size(), group.boxTops.size()) << group.groupBox;
        for (std::size_t row = 0; row < group.slotNumbers.size(); ++row) {
            const CommandSlot *slot = slotByNumber(group.slotNumbers[row]);
            ASSERT_NE(slot, nullptr);
            QLineEdit *box = s_window->commandBox(*slot);
            ASSERT_NE(box, nullptr) << slot->number;
            EXPECT_EQ(box->parentWidget()->objectName(), QString::fromUtf8(group.groupBox)) << slot->number;
            EXPECT_EQ(box->geometry(), QRect(64, group.boxTops[row], 230, 20)) << slot->number;
            const QString labelName = QStringLiteral("标签%1").arg(group.firstLabel + int(row));
            auto *label = s_window->control<QLabel>(labelName);
            ASSERT_NE(label, nullptr) << labelName.toStdString();
            const bool wide = labelName == QStringLiteral("标签64") || labelName == QStringLiteral("标签85");
            EXPECT_EQ(label->geometry(), QRect(wide ? 13 : 15, group.labelTops[row], wide ? 47 : 40, 24))
                << labelName.toStdString();
            EXPECT_EQ(label->parentWidget(), box->parentWidget());
            EXPECT_EQ(test::gbk(label->text().toStdString()), std::string(slot->label))
                << labelName.toStdString();
            ++seen;
        }
    }
    EXPECT_EQ(seen, 78 - 16);
}

TEST_F(LayoutTest, SequencerRowsInPlace)
{
    // Channel label number and top, "开" label and top, "关" label and top.
    const int channels[8][6] = { { 5, 35, 6, 21, 7, 46 }, { 9, 86, 10, 72, 8, 97 },
        { 12, 136, 13, 122, 11, 147 }, { 15, 186, 16, 172, 14, 197 }, { 18, 236, 19, 222, 17, 247 },
        { 21, 287, 22, 273, 20, 298 }, { 24, 336, 25, 322, 23, 347 }, { 27, 387, 28, 373, 26, 398 } };
    for (int c = 0; c < 8; ++c) {
        const auto label
            = [&](int number) { return s_window->control<QLabel>(QStringLiteral("标签%1").arg(number)); };
        ASSERT_NE(label(channels[c][0]), nullptr);
        EXPECT_EQ(label(channels[c][0])->text(), QStringLiteral("通道%1").arg(c + 1));
        EXPECT_EQ(label(channels[c][0])->geometry(), QRect(5, channels[c][1], 40, 24));
        EXPECT_EQ(label(channels[c][2])->text(), QStringLiteral("开"));
        EXPECT_EQ(label(channels[c][2])->geometry(), QRect(46, channels[c][3], 10, 24));
        EXPECT_EQ(label(channels[c][4])->text(), QStringLiteral("关"));
        EXPECT_EQ(label(channels[c][4])->geometry(), QRect(46, channels[c][5], 10, 24));
        for (int half = 0; half < 2; ++half) {
            QLineEdit *box = s_window->commandBox(*slotByNumber(2 * c + 1 + half));
            EXPECT_EQ(box->objectName(), QStringLiteral("编辑框%1").arg(101 + 2 * c + half));
            EXPECT_EQ(box->parentWidget()->objectName(), QStringLiteral("分组框5"));
            EXPECT_EQ(box->geometry(), QRect(64, 24 + 25 * (2 * c + half), 230, 20));
        }
    }
}

TEST_F(LayoutTest, EveryLabelExistsOnce)
{
    QStringList expected;
    for (int n = 1; n <= 92; ++n)
        expected << QStringLiteral("标签%1").arg(n);
    expected << QStringLiteral("标签176") << QStringLiteral("标签177") << QStringLiteral("标签178");
    for (const QString &name : expected) {
        const auto found = s_window->findChildren<QLabel *>(name);
        EXPECT_EQ(found.size(), 1) << name.toStdString();
    }
    EXPECT_EQ(s_window->findChildren<QLineEdit *>(QStringLiteral("编辑框198")).size(), 1);
}

TEST_F(LayoutTest, LearningAreaCaptionIsRed)
{
    auto *area = s_window->control<QGroupBox>(QStringLiteral("分组框3"));
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->title(),
        QStringLiteral("学习区-APP触发后需要发送的数据") + QString(39, QLatin1Char(' '))
            + QStringLiteral("调试工具请选用CH340主控芯片"));
    const QImage image = area->grab(QRect(0, 0, area->width(), 16)).toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            red += image.pixelColor(x, y).red() > 200 && image.pixelColor(x, y).green() < 90
                && image.pixelColor(x, y).blue() < 90;
    EXPECT_GT(red, 20);
}

TEST_F(LayoutTest, Pages)
{
    TabControl *tabs = s_window->tabControl();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabBar()->tabText(0), QStringLiteral("按键学习区1"));
    EXPECT_EQ(tabs->tabBar()->tabText(1), QStringLiteral("按键学习区2"));
    EXPECT_EQ(tabs->tabBar()->tabText(2), QStringLiteral("使用说明"));
    // Boxes on hidden pages keep their texts and stay writable.
    QLineEdit *box = s_window->commandBox(*slotByNumber(60));
    box->setText(QStringLiteral("0102"));
    EXPECT_EQ(s_window->commandText(*slotByNumber(60)), QByteArray("0102"));
    box->clear();
}

TEST_F(LayoutTest, DropDownLists)
{
    const QStringList rates { QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
        QStringLiteral("115200") };
    for (int n = 1; n <= 6; ++n) {
        auto *combo = s_window->control<QComboBox>(QStringLiteral("组合框%1").arg(n));
        ASSERT_NE(combo, nullptr) << n;
        EXPECT_FALSE(combo->isEditable()) << n;
        if (n <= 4) {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            EXPECT_EQ(items, rates);
            EXPECT_EQ(combo->currentText(), QStringLiteral("9600"));
        }
    }
    auto *interval = s_window->control<QComboBox>(QStringLiteral("组合框5"));
    ASSERT_EQ(interval->count(), 255);
    EXPECT_EQ(interval->itemText(0), QStringLiteral("00"));
    EXPECT_EQ(interval->itemText(10), QStringLiteral("0A"));
    EXPECT_EQ(interval->itemText(254), QStringLiteral("FE"));
    EXPECT_EQ(interval->findText(QStringLiteral("FF")), -1);
    EXPECT_EQ(interval->currentText(), QStringLiteral("64"));
    EXPECT_EQ(interval->currentIndex(), 100);
    auto *binding = s_window->control<QComboBox>(QStringLiteral("组合框6"));
    EXPECT_EQ(binding->count(), 4);
    EXPECT_EQ(binding->itemText(2), QStringLiteral("播放器"));
    EXPECT_EQ(binding->currentText(), QStringLiteral("时序器"));
}

TEST_F(LayoutTest, FeedbackAndProgressAndStatus)
{
    auto *feedback = s_window->control<FeedbackBox>(QStringLiteral("编辑框4"));
    ASSERT_NE(feedback, nullptr);
    EXPECT_EQ(feedback->maxLength(), 20000);
    EXPECT_EQ(feedback->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    auto *bar = s_window->control<QProgressBar>(QStringLiteral("进度条1"));
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 0);
    QStatusBar *status = s_window->statusBar();
    EXPECT_EQ(status->objectName(), QStringLiteral("状态条1"));
    EXPECT_FALSE(status->isSizeGripEnabled());
    const auto parts = status->findChildren<QLabel *>();
    ASSERT_EQ(parts.size(), 1);
    EXPECT_EQ(parts.front()->width(), 354);
}

TEST_F(LayoutTest, InstructionsPage)
{
    auto *text = s_window->control<QTextEdit>(QStringLiteral("超级编辑框1"));
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(text->palette().color(QPalette::Base), QColor(236, 236, 236));
    EXPECT_EQ(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("5、每条自定义指令总长不能超过20个字节。")));
    for (const char *name : { "图片框1", "图片框2" }) {
        auto *picture = s_window->control<QLabel>(QString::fromUtf8(name));
        ASSERT_FALSE(picture->pixmap().isNull()) << name;
        EXPECT_EQ(picture->pixmap().height(), 88) << name;
        EXPECT_LE(picture->pixmap().width(), 128) << name;
        EXPECT_TRUE(picture->alignment() & Qt::AlignCenter);
    }
    // The pictures lie above the text box.
    auto *page = s_window->tabControl()->page(2);
    const auto children = page->children();
    EXPECT_GT(children.indexOf(s_window->control(QStringLiteral("图片框1"))), children.indexOf(text));
}

} // namespace
