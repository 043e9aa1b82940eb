#include "app/main_window.h"

#include "app/control_catalogue.h"
#include "app/tab_control.h"
#include "app/text_to_int.h"
#include "app/visual_style.h"
#include "config/file_commands.h"
#include "link/quiet_timer.h"
#include "link/serial_link.h"
#include "model/gbk_text.h"
#include "model/slot_table.h"
#include "protocol/controller_operations.h"
#include "protocol/feedback_box.h"
#include "protocol/reply_display.h"
#include "resources/app_resources.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyleOptionGroupBox>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

namespace velmora {

namespace {

constexpr QSize kOuterSize { 949, 700 };
constexpr int kClientWidth = 944;
constexpr int kLayoutBottom = 652; // bottom edge of the learning area
constexpr int kInstructionsPage = 2;

const QString kClosedStatus = QStringLiteral("状态：串口未打开...");

QString upperCased(QString text)
{
    for (QChar &c : text) {
        if (c.isLower())
            c = c.toUpper();
    }
    return text;
}

// A command box: letters typed or pasted become capitals as they enter;
// text the program puts in stays as it is.
class CommandBox : public QLineEdit {
public:
    CommandBox()
    {
        // Paste, drop and input methods arrive here; typed keys are already
        // upper-cased in keyPressEvent, so their undo history stays intact.
        connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
            const QString upper = upperCased(text);
            if (upper == text)
                return;
            const int cursor = cursorPosition();
            setText(upper);
            setCursorPosition(cursor);
        });
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const QString upper = upperCased(event->text());
        if (upper == event->text()) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        QKeyEvent capital(event->type(), event->key(), event->modifiers(), upper, event->isAutoRepeat(),
            ushort(event->count()));
        QLineEdit::keyPressEvent(&capital);
        event->setAccepted(capital.isAccepted());
    }
};

// A group box whose caption has a colour of its own.
class CaptionGroupBox : public QGroupBox {
public:
    CaptionGroupBox(const QString &title, QColor captionColor)
        : QGroupBox(title)
        , m_captionColor(captionColor)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        // The colour goes into this paint's palette only, so the children
        // keep their black text.
        option.textColor = m_captionColor;
        option.palette.setColor(QPalette::WindowText, m_captionColor);
        style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
    }

private:
    QColor m_captionColor;
};

QFont commandBoxFont()
{
    QFont font;
    font.setFamilies({ QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
        QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei") });
    font.setPixelSize(10);
    font.setWeight(QFont::Normal);
    return font;
}

QPixmap fittedPicture(const QImage &image, const QSize &box)
{
    if (image.isNull())
        return {};
    if (image.width() <= box.width() && image.height() <= box.height())
        return QPixmap::fromImage(image);
    return QPixmap::fromImage(image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QWidget *createWidget(const ControlSpec &spec)
{
    switch (spec.kind) {
    case ControlKind::GroupBox:
        if (spec.name == QStringLiteral("分组框3"))
            return new CaptionGroupBox(spec.text, QColor(255, 0, 0));
        return new QGroupBox(spec.text);
    case ControlKind::Label:
    case ControlKind::TransparentLabel: return new QLabel(spec.text);
    case ControlKind::PushButton: {
        auto *button = new QPushButton(spec.text);
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::CheckBox: return new QCheckBox(spec.text);
    case ControlKind::LineEdit: {
        auto *edit = new QLineEdit(spec.text);
        edit->setAlignment(Qt::AlignCenter);
        return edit;
    }
    case ControlKind::CommandBox: {
        auto *edit = new CommandBox;
        edit->setFont(commandBoxFont());
        return edit;
    }
    case ControlKind::FeedbackBox: return new FeedbackBox(kFeedbackMaxChars);
    case ControlKind::HiddenLineEdit: {
        auto *edit = new QLineEdit;
        edit->setFocusPolicy(Qt::NoFocus);
        return edit;
    }
    case ControlKind::ComboBox: {
        auto *combo = new QComboBox;
        combo->setEditable(false);
        combo->addItems(spec.items);
        combo->setCurrentIndex(spec.selected);
        combo->setMaxVisibleItems(8); // about 160 pixels dropped, list included
        return combo;
    }
    case ControlKind::TabControl: return new TabControl(tabPageTitles());
    case ControlKind::ProgressBar: {
        auto *bar = new QProgressBar;
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::PictureBox: {
        auto *picture = new QLabel;
        picture->setAlignment(Qt::AlignCenter);
        return picture;
    }
    case ControlKind::RichText: {
        auto *text = new QTextEdit;
        text->setReadOnly(true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        text->setLineWrapMode(QTextEdit::WidgetWidth);
        text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        QPalette palette = text->palette();
        palette.setColor(QPalette::Base, QColor(236, 236, 236));
        palette.setColor(QPalette::Text, Qt::black);
        text->setPalette(palette);
        text->setFocusPolicy(Qt::NoFocus);
        return text;
    }
    }
    return new QWidget;
}

const QStringList &deviceButtonNames()
{
    static const QStringList names { QStringLiteral("按钮001"), QStringLiteral("按钮002"),
        QStringLiteral("按钮009"), QStringLiteral("按钮011") };
    return names;
}

} // namespace

MainWindow::MainWindow(const MainWindowOptions &options, QWidget *parent)
    : QMainWindow(parent)
    , m_link(new SerialLink(options.portResolver ? options.portResolver : defaultPortResolver(), this))
    , m_timer(new QuietTimer(this))
{
    m_link->setObjectName(QStringLiteral("端口1"));
    m_timer->setObjectName(QStringLiteral("时钟1"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
        | Qt::WindowCloseButtonHint);
    setWindowTitle(programTitleText());
    setWindowIcon(QIcon(QPixmap::fromImage(windowIconImage())));
    // The layout was drawn for a 12-pixel dialog font; larger platform
    // defaults would clip the labels.
    QFont guiFont = font();
    guiFont.setPixelSize(12);
    setFont(guiFont);

    buildControls();

    const QString runDir = options.runDirectory.isEmpty() ? runDirectory() : options.runDirectory;
    m_files = std::make_unique<FileCommands>(
        this, runDir,
        [this] {
            ConfigurationValues values;
            values[0] = toGbkString(control<QLineEdit>(QStringLiteral("编辑框1"))->text());
            values[1] = toGbkString(control<QLineEdit>(QStringLiteral("编辑框2"))->text());
            std::size_t i = 2;
            for (const CommandSlot &slot : SlotTable::all())
                values[i++] = commandText(slot).toStdString();
            return values;
        },
        [this](const ConfigurationValues &values) {
            control<QLineEdit>(QStringLiteral("编辑框1"))->setText(fromGbk(values[0]));
            control<QLineEdit>(QStringLiteral("编辑框2"))->setText(fromGbk(values[1]));
            std::size_t i = 2;
            for (const CommandSlot &slot : SlotTable::all())
                setCommandText(slot, QByteArray::fromStdString(values[i++]));
        });

    m_reply = std::make_unique<ReplyDisplay>(control<FeedbackBox>(QStringLiteral("编辑框4")),
        control<QComboBox>(QStringLiteral("组合框1")), m_timer);
    OperationControls operationControls;
    operationControls.commandText = [this](const CommandSlot &slot) { return commandText(slot); };
    operationControls.binding = control<QComboBox>(QStringLiteral("组合框6"));
    operationControls.interval = control<QComboBox>(QStringLiteral("组合框5"));
    for (int i = 0; i < 4; ++i)
        operationControls.rates[std::size_t(i)] = control<QComboBox>(QStringLiteral("组合框%1").arg(i + 1));
    operationControls.progress = control<QProgressBar>(QStringLiteral("进度条1"));
    operationControls.disableDeviceButtons = [this] { disableDeviceButtons(); };
    operationControls.enableDeviceButtons = [this] { enableDeviceButtons(); };
    m_operations = std::make_unique<ControllerOperations>(*m_link, std::move(operationControls));

    wireHandlers();

    const int clientHeight = kLayoutBottom + statusBar()->sizeHint().height() + 2;
    setFixedSize(kClientWidth, clientHeight);
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kOuterSize.width() / 2, kOuterSize.height() / 2));
    }

    onMainWindowCreated();
}

MainWindow::~MainWindow()
{
    onMainWindowDestroying();
}

void MainWindow::buildControls()
{
    auto *client = new QWidget(this);
    setCentralWidget(client);
    TabControl *tabs = nullptr;
    for (const ControlSpec &spec : controlCatalogue()) {
        QWidget *widget = createWidget(spec);
        widget->setObjectName(spec.name);
        if (spec.page >= 0 && tabs) {
            tabs->placeOnPage(spec.page, widget, spec.geometry);
        } else {
            widget->setParent(spec.parent.isEmpty() ? client : m_controls.value(spec.parent));
            widget->setGeometry(spec.geometry);
        }
        if (spec.kind == ControlKind::TabControl)
            tabs = static_cast<TabControl *>(widget);
        if (spec.kind == ControlKind::HiddenLineEdit)
            widget->hide();
        m_controls.insert(spec.name, widget);
    }

    const auto setPicture = [this](const char *name, const QImage &image) {
        auto *box = control<QLabel>(QString::fromUtf8(name));
        box->setPixmap(fittedPicture(image, box->size()));
    };
    setPicture("图片框1", serialSwitchPicture());
    setPicture("图片框2", typeCSwitchPicture());
    QString instructions = fromGbk(instructionsTextGbk());
    instructions.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    control<QTextEdit>(QStringLiteral("超级编辑框1"))->setPlainText(instructions);

    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("状态条1"));
    bar->setSizeGripEnabled(false);
    m_statusPart = new QLabel(QStringLiteral("状态："), bar);
    m_statusPart->setFixedWidth(kStatusPartWidth);
    bar->addWidget(m_statusPart);
}

void MainWindow::wireHandlers()
{
    connect(control<QPushButton>(QStringLiteral("按钮1")), &QPushButton::clicked, this,
        &MainWindow::startSerialLink);
    connect(control<QCheckBox>(QStringLiteral("选择框3")), &QCheckBox::clicked, this,
        &MainWindow::applyAlwaysOnTop);
    connect(control<QPushButton>(QStringLiteral("按钮003")), &QPushButton::clicked, this,
        [this] { m_files->openConfigurationFile(); });
    connect(control<QPushButton>(QStringLiteral("按钮004")), &QPushButton::clicked, this,
        [this] { m_files->saveConfigurationAs(); });
    connect(control<QPushButton>(QStringLiteral("按钮3")), &QPushButton::clicked, this,
        [this] { m_reply->clearFeedback(); });
    const std::pair<const char *, void (ControllerOperations::*)()> operations[] = {
        { "按钮001", &ControllerOperations::writeLearnedData },
        { "按钮002", &ControllerOperations::eraseData },
        { "按钮011", &ControllerOperations::setDataInterval },
        { "按钮009", &ControllerOperations::setBaudRates },
    };
    for (const auto &entry : operations) {
        // A plain variable: clang before 16 cannot capture a structured binding.
        const auto operation = entry.second;
        connect(control<QPushButton>(QString::fromUtf8(entry.first)), &QPushButton::clicked, this,
            [this, operation] { (m_operations.get()->*operation)(); });
    }
    connect(m_link, &SerialLink::byteReceived, this, [this](int value) { m_reply->showReceivedByte(value); });
    connect(m_timer, &QuietTimer::tick, this, [this] { m_reply->endReply(); });
}

void MainWindow::onMainWindowCreated()
{
    m_files->setProgramTitle(programTitleText());
    applyVisualStyle(2);
    setStatusText(kClosedStatus);
    control<FeedbackBox>(QStringLiteral("编辑框4"))->clearText();
    m_files->loadAtStartup();
    tabControl()->setCurrentIndex(kInstructionsPage);
    disableDeviceButtons();
}

void MainWindow::onMainWindowDestroying()
{
    m_files->saveAtClose();
}

QWidget *MainWindow::control(const QString &name) const
{
    return m_controls.value(name);
}

TabControl *MainWindow::tabControl() const
{
    return control<TabControl>(tabControlName());
}

QString MainWindow::statusText() const
{
    return m_statusPart->text();
}

void MainWindow::setStatusText(const QString &text)
{
    m_statusPart->setText(text);
}

QLineEdit *MainWindow::commandBox(const CommandSlot &slot) const
{
    return control<QLineEdit>(fromGbk(slot.control));
}

QByteArray MainWindow::commandText(const CommandSlot &slot) const
{
    return toGbk(commandBox(slot)->text());
}

void MainWindow::setCommandText(const CommandSlot &slot, const QByteArray &gbkText)
{
    // Text loaded from a file stays exactly as found (the write operation
    // then reports lower-case digits).
    commandBox(slot)->setText(fromGbk(gbkText));
}

void MainWindow::disableDeviceButtons()
{
    for (const QString &name : deviceButtonNames())
        control(name)->setEnabled(false);
}

void MainWindow::enableDeviceButtons()
{
    for (const QString &name : deviceButtonNames())
        control(name)->setEnabled(true);
}

void MainWindow::startSerialLink()
{
    m_link->setPortNumber(textToInt(toGbkString(control<QLineEdit>(QStringLiteral("编辑框1"))->text())));
    m_link->setBaudRate(textToInt(toGbkString(control<QLineEdit>(QStringLiteral("编辑框2"))->text())));
    auto *startButton = control<QPushButton>(QStringLiteral("按钮1"));
    if (m_link->start()) {
        setStatusText(QStringLiteral("状态：串口号:%1,波特率:%2,数据位:%3,停止位:%4,奇偶效验:%5")
                          .arg(m_link->portNumber())
                          .arg(m_link->baudRate())
                          .arg(m_link->dataBits())
                          .arg(m_link->stopBits())
                          .arg(m_link->parityCheck() ? QStringLiteral("真") : QStringLiteral("假")));
        enableDeviceButtons();
        startButton->setText(QStringLiteral("关闭"));
        return;
    }
    // A second try; when it succeeds the display is left as it was.
    if (!m_link->start()) {
        startButton->setText(QStringLiteral("启动"));
        setStatusText(kClosedStatus);
        disableDeviceButtons();
    }
}

void MainWindow::applyAlwaysOnTop()
{
    const bool onTop = control<QCheckBox>(QStringLiteral("选择框3"))->isChecked();
    // Changing the flag on the native window keeps its place and focus;
    // QWidget::setWindowFlags would recreate and re-show it.
    if (QWindow *window = windowHandle())
        window->setFlag(Qt::WindowStaysOnTopHint, onTop);
}

// Closing is never refused. An operation that is running stops at its next
// step (its click handler is still on the stack, inside a pause): the window
// and its controls stay alive until it has returned.
void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_operations->isRunning())
        m_operations->requestStop();
    event->accept();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    QTimer::singleShot(0, this, &MainWindow::fitOuterSize);
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (!m_outerSizeFitted)
        fitOuterSize();
}

// Where the platform draws a frame, the outer size (frame and caption
// included) is the layout's 949 x 700; the frame is only known once the
// window is shown.
void MainWindow::fitOuterSize()
{
    const QSize frame = frameGeometry().size() - geometry().size();
    if (m_outerSizeFitted || (frame.width() <= 0 && frame.height() <= 0))
        return;
    m_outerSizeFitted = true;
    setFixedSize(kOuterSize - frame);
    if (const QScreen *screen = this->screen()) {
        QRect outer(QPoint(), kOuterSize);
        outer.moveCenter(screen->availableGeometry().center());
        move(outer.topLeft());
    }
}

} // namespace velmora
