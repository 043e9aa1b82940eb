#include "app/control_catalogue.h"

#include "model/gbk_text.h"
#include "model/slot_table.h"

#include <array>
#include <span>

namespace velmora {

namespace {

using K = ControlKind;

const QString kTab = QStringLiteral("选择夹1");

QStringList rateItems()
{
    return { QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
        QStringLiteral("115200") };
}

QStringList intervalItems()
{
    QStringList items;
    for (int i = 0; i <= 0xFE; ++i)
        items << QStringLiteral("%1").arg(i, 2, 16, QLatin1Char('0')).toUpper();
    return items;
}

// Rows of one group box outside the sequencer: the command boxes' tops, the
// labels' tops and the number of the first label, top to bottom.
struct GroupRows {
    const char *groupBox;
    int page;
    QRect geometry;
    const char *caption;
    std::vector<int> boxTops;
    std::vector<int> labelTops;
    int firstLabel;
};

std::vector<int> every25(int first, int last)
{
    std::vector<int> tops;
    for (int top = first; top <= last; top += 25)
        tops.push_back(top);
    return tops;
}

std::vector<int> concat(std::vector<int> a, const std::vector<int> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<GroupRows> pageGroups()
{
    return {
        { "分组框6", 0, { 316, 24, 303, 208 }, "投影机", { 24, 49, 74, 99, 124, 149, 174 },
            { 22, 47, 73, 98, 123, 148, 173 }, 29 },
        { "分组框7", 0, { 316, 280, 303, 176 }, "播放器", { 16, 41, 66, 91, 116, 141 },
            { 14, 39, 65, 90, 115, 140 }, 36 },
        { "分组框9", 0, { 627, 24, 303, 432 }, "播放器", every25(24, 399),
            { 22, 47, 73, 98, 123, 148, 173, 197, 222, 248, 273, 298, 323, 348, 372, 397 }, 42 },
        { "分组框8", 1, { 5, 24, 303, 432 }, "功放", concat({ 24, 49, 75 }, every25(101, 401)),
            { 23, 48, 74, 99, 124, 149, 174, 198, 223, 249, 274, 299, 324, 349, 373, 398 }, 58 },
        { "分组框10", 1, { 316, 24, 303, 160 }, "功放", { 24, 49, 74, 99, 124 }, { 22, 47, 73, 98, 123 },
            74 },
        { "分组框11", 1, { 316, 200, 303, 256 }, "扩展", { 24, 49, 75, 101, 126, 151, 176, 201, 226 },
            { 23, 48, 74, 99, 124, 149, 174, 198, 223 }, 79 },
        { "分组框12", 1, { 627, 24, 303, 152 }, "扩展", { 24, 49, 75 }, { 23, 48, 74 }, 176 },
    };
}

ControlSpec row(
    ControlKind kind, QString controlName, QString parent, int page, QRect geometry, QString text = {})
{
    ControlSpec spec;
    spec.kind = kind;
    spec.name = std::move(controlName);
    spec.parent = std::move(parent);
    spec.page = page;
    spec.geometry = geometry;
    spec.text = std::move(text);
    return spec;
}

QString name(const char *prefix, int number)
{
    return QString::fromUtf8(prefix) + QString::number(number);
}

void addSequencer(std::vector<ControlSpec> &rows)
{
    rows.push_back(
        row(K::GroupBox, QStringLiteral("分组框5"), kTab, 0, { 5, 24, 303, 432 }, QStringLiteral("时序器")));
    // Per channel: the channel label and its top, the on label and its top,
    // the off label and its top.
    constexpr std::array<std::array<int, 6>, 8> kChannels { {
        { 5, 35, 6, 21, 7, 46 },
        { 9, 86, 10, 72, 8, 97 },
        { 12, 136, 13, 122, 11, 147 },
        { 15, 186, 16, 172, 14, 197 },
        { 18, 236, 19, 222, 17, 247 },
        { 21, 287, 22, 273, 20, 298 },
        { 24, 336, 25, 322, 23, 347 },
        { 27, 387, 28, 373, 26, 398 },
    } };
    const QString parent = QStringLiteral("分组框5");
    for (std::size_t c = 0; c < kChannels.size(); ++c) {
        const auto &ch = kChannels[c];
        const CommandSlot &on = SlotTable::numbered()[2 * c];
        const CommandSlot &off = SlotTable::numbered()[2 * c + 1];
        rows.push_back(
            row(K::Label, name("标签", ch[0]), parent, -1, { 5, ch[1], 40, 24 }, fromGbk(on.label)));
        rows.push_back(
            row(K::Label, name("标签", ch[2]), parent, -1, { 46, ch[3], 10, 24 }, fromGbk(on.subLabel)));
        rows.push_back(
            row(K::Label, name("标签", ch[4]), parent, -1, { 46, ch[5], 10, 24 }, fromGbk(off.subLabel)));
        const int top = 24 + 50 * int(c);
        rows.push_back(row(K::CommandBox, fromGbk(on.control), parent, -1, { 64, top, 230, 20 }));
        rows.push_back(row(K::CommandBox, fromGbk(off.control), parent, -1, { 64, top + 25, 230, 20 }));
    }
}

void addSlotGroup(std::vector<ControlSpec> &rows, const GroupRows &group)
{
    const QString parent = QString::fromUtf8(group.groupBox);
    rows.push_back(
        row(K::GroupBox, parent, kTab, group.page, group.geometry, QString::fromUtf8(group.caption)));
    std::size_t index = 0;
    for (const CommandSlot &slot : SlotTable::numbered()) {
        if (fromGbk(slot.groupBox) != parent)
            continue;
        const int labelNumber = group.firstLabel + int(index);
        const QString label = fromGbk(slot.label);
        // Two labels are wider than the others and start two pixels further left.
        const bool wide = label == QLatin1String("computer") || label == QStringLiteral("扩展7");
        rows.push_back(row(K::Label, name("标签", labelNumber), parent, -1,
            { wide ? 13 : 15, group.labelTops.at(index), wide ? 47 : 40, 24 }, label));
        rows.push_back(
            row(K::CommandBox, fromGbk(slot.control), parent, -1, { 64, group.boxTops.at(index), 230, 20 }));
        ++index;
    }
}

std::vector<ControlSpec> buildCatalogue()
{
    std::vector<ControlSpec> rows;
    const auto add = [&rows](ControlKind kind, const char *controlName, const char *parent, QRect geometry,
                         const char *text = "") {
        rows.push_back(row(kind, QString::fromUtf8(controlName), QString::fromUtf8(parent), -1, geometry,
            QString::fromUtf8(text)));
    };

    add(K::GroupBox, "分组框2", "", { 0, 0, 184, 152 }, "串口");
    add(K::GroupBox, "分组框1", "", { 184, 0, 512, 152 }, "接收\\反馈");
    add(K::GroupBox, "分组框4", "", { 704, 0, 240, 152 }, "配置");
    add(K::GroupBox, "分组框3", "", { 0, 160, 944, 492 },
        "学习区-APP触发后需要发送的数据                                       调试工具请选用CH340主控芯片");

    add(K::TransparentLabel, "透明标签1", "分组框2", { 14, 33, 43, 16 }, "端口号：");
    add(K::LineEdit, "编辑框1", "分组框2", { 62, 29, 98, 22 }, "1");
    add(K::TransparentLabel, "透明标签2", "分组框2", { 14, 64, 48, 16 }, "波特率：");
    add(K::LineEdit, "编辑框2", "分组框2", { 62, 61, 98, 21 }, "9600");
    add(K::PushButton, "按钮1", "分组框2", { 14, 91, 70, 30 }, "启动");
    add(K::PushButton, "按钮3", "分组框2", { 98, 91, 70, 30 }, "清空→");
    add(K::CheckBox, "选择框3", "分组框2", { 12, 125, 120, 20 }, "在所有窗口最前端");

    add(K::FeedbackBox, "编辑框4", "分组框1", { 8, 13, 488, 129 });

    add(K::PushButton, "按钮003", "分组框4", { 4, 16, 65, 35 }, "打开文件");
    add(K::PushButton, "按钮004", "分组框4", { 74, 16, 65, 35 }, "另存文件");
    add(K::Label, "标签2", "分组框4", { 8, 56, 35, 16 }, "时序器:");
    add(K::ComboBox, "组合框1", "分组框4", { 48, 56, 68, 20 });
    add(K::Label, "标签3", "分组框4", { 122, 56, 35, 16 }, "投影机");
    add(K::ComboBox, "组合框2", "分组框4", { 162, 56, 68, 20 });
    add(K::Label, "标签1", "分组框4", { 8, 80, 35, 16 }, "播放器");
    add(K::ComboBox, "组合框3", "分组框4", { 48, 80, 68, 20 });
    add(K::Label, "标签4", "分组框4", { 122, 80, 32, 16 }, "功放");
    add(K::ComboBox, "组合框4", "分组框4", { 162, 80, 68, 20 });
    add(K::ComboBox, "组合框5", "分组框4", { 7, 103, 68, 20 });
    add(K::PushButton, "按钮011", "分组框4", { 80, 103, 70, 20 }, "数据间隔");
    add(K::PushButton, "按钮009", "分组框4", { 159, 103, 72, 20 }, "波特率设置");
    add(K::PushButton, "按钮002", "分组框4", { 6, 128, 70, 20 }, "擦除数据");
    add(K::PushButton, "按钮001", "分组框4", { 80, 128, 70, 20 }, "写入数据");
    add(K::HiddenLineEdit, "编辑框3", "分组框4", { 0, 64, 24, 32 });

    add(K::TabControl, "选择夹1", "分组框3", { 4, 16, 940, 472 });

    addSequencer(rows);
    for (const GroupRows &group : pageGroups())
        addSlotGroup(rows, group);

    const auto addToPage = [&rows](ControlKind kind, const char *controlName, int page, QRect geometry,
                               const char *text = "") {
        rows.push_back(
            row(kind, QString::fromUtf8(controlName), kTab, page, geometry, QString::fromUtf8(text)));
    };
    add(K::Label, "标签88", "分组框12", { 15, 99, 80, 24 }, "扩展区绑定到");
    add(K::ComboBox, "组合框6", "分组框12", { 98, 100, 68, 20 });
    add(K::Label, "标签89", "分组框12", { 169, 99, 80, 24 }, "端口");
    add(K::Label, "标签92", "分组框12", { 16, 124, 97, 24 }, "K7效果器握手指令");
    add(K::CommandBox, "编辑框198", "分组框12", { 121, 125, 173, 20 });

    addToPage(K::RichText, "超级编辑框1", 2, { 4, 24, 736, 408 });
    addToPage(K::PictureBox, "图片框1", 2, { 44, 304, 128, 88 });
    addToPage(K::Label, "标签90", 2, { 80, 392, 80, 24 }, "串口通讯");
    addToPage(K::PictureBox, "图片框2", 2, { 184, 304, 128, 88 });
    addToPage(K::Label, "标签91", 2, { 216, 392, 80, 24 }, "Type-C调试");

    // Lies over the bottom strip of the tab control, so it comes after it.
    add(K::ProgressBar, "进度条1", "分组框3", { 7, 477, 934, 10 });

    for (ControlSpec &spec : rows) {
        if (spec.kind != K::ComboBox)
            continue;
        if (spec.name == QStringLiteral("组合框5")) {
            spec.items = intervalItems();
            spec.selected = 0x64;
        } else if (spec.name == QStringLiteral("组合框6")) {
            spec.items = { QStringLiteral("时序器"), QStringLiteral("投影机"), QStringLiteral("播放器"),
                QStringLiteral("功放") };
            spec.selected = 0;
        } else {
            spec.items = rateItems();
            spec.selected = 0;
        }
    }
    return rows;
}

} // namespace

QString tabControlName()
{
    return kTab;
}

QStringList tabPageTitles()
{
    return { QStringLiteral("按键学习区1"), QStringLiteral("按键学习区2"), QStringLiteral("使用说明") };
}

const std::vector<ControlSpec> &controlCatalogue()
{
    static const std::vector<ControlSpec> rows = buildCatalogue();
    return rows;
}

} // namespace velmora
