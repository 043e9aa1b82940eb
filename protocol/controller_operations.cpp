#include "protocol/controller_operations.h"

#include "model/command_text.h"
#include "model/gbk_text.h"
#include "model/slot_table.h"
#include "protocol/frames.h"
#include "protocol/transmission.h"

#include <QComboBox>
#include <QMessageBox>
#include <QProgressBar>

namespace velmora {

namespace {

const QString kInformation = QStringLiteral("信息：");

constexpr std::array<int, 4> kRatePortIds { kSequencerPortId, kProjectorPortId, kPlayerPortId,
    kAmplifierPortId };

} // namespace

bool showMessageBox(const QString &text, const QString &caption, bool withCancel)
{
    QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? kInformation : caption, text,
        withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::Ok);
    if (withCancel)
        box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

// Marks an operation as running for its whole length and keeps the device
// buttons disabled meanwhile.
class ControllerOperations::Run {
public:
    explicit Run(ControllerOperations &owner)
        : m_owner(owner)
    {
        m_owner.m_running = true;
        m_owner.m_stopRequested = false;
        m_owner.m_controls.disableDeviceButtons();
    }
    ~Run()
    {
        m_owner.m_controls.enableDeviceButtons();
        m_owner.m_running = false;
    }
    Run(const Run &) = delete;
    Run &operator=(const Run &) = delete;

private:
    ControllerOperations &m_owner;
};

ControllerOperations::ControllerOperations(
    SerialLink &link, OperationControls controls, MessageBoxFunction messageBox)
    : m_link(link)
    , m_controls(std::move(controls))
    , m_messageBox(std::move(messageBox))
{
}

void ControllerOperations::send(std::string_view frame)
{
    sendHexFrame(m_link, frame);
}

bool ControllerOperations::ask(const QString &text, const QString &caption)
{
    return m_messageBox(text, caption, true);
}

void ControllerOperations::tell(const QString &text, const QString &caption)
{
    m_messageBox(text, caption, false);
}

void ControllerOperations::setProgress(int value)
{
    m_controls.progress->setValue(value);
}

void ControllerOperations::writeLearnedData()
{
    if (m_running)
        return;
    for (const CommandSlot &slot : SlotTable::numbered()) {
        const QByteArray text = m_controls.commandText(slot);
        const auto verdict
            = checkCommandText(stripSpaces(std::string_view(text.constData(), std::size_t(text.size()))));
        if (verdict == CommandTextVerdict::Legal)
            continue;
        const QString message = verdict == CommandTextVerdict::TooLong
            ? QStringLiteral("请检查数据长度，不要超过20个字节\r\n")
            : QStringLiteral("请检查输入的数据是否为十六进制\r\n");
        ask(message + fromGbk(text));
        return;
    }
    pauseWithEvents(50);
    if (!ask(QStringLiteral("确认写入")))
        return;

    Run run(*this);
    send(BEGIN_FRAME);
    pauseWithEvents(200);
    for (const CommandSlot &slot : SlotTable::numbered()) {
        if (m_stopRequested)
            break;
        const QByteArray text = m_controls.commandText(slot);
        if (!text.isEmpty()) {
            send(makeSlotFrame(slot.number, std::string_view(text.constData(), std::size_t(text.size()))));
            pauseWithEvents(200);
        }
        setProgress(int(slot.number * 1.282));
    }
    if (!m_stopRequested) {
        pauseWithEvents(50);
        const QByteArray handshake = m_controls.commandText(SlotTable::handshake());
        if (!handshake.isEmpty()) {
            send(makeSlotFrame(kHandshakeSlotNumber,
                std::string_view(handshake.constData(), std::size_t(handshake.size()))));
            pauseWithEvents(200);
        }
    }
    // Without a commit a stopped write leaves the controller's table as it was.
    if (!m_stopRequested) {
        send(makeBindingFrame(m_controls.binding->currentIndex()));
        pauseWithEvents(200);
        send(COMMIT_FRAME);
        pauseWithEvents(200);
        setProgress(100);
        pauseWithEvents(100);
    }
    send(END_FRAME);
    if (!m_stopRequested)
        ask(QStringLiteral("写入完成"));
    setProgress(0);
}

void ControllerOperations::eraseData()
{
    if (m_running || !ask(QStringLiteral("确认擦除"), QStringLiteral("确认擦除")))
        return;
    Run run(*this);
    send(BEGIN_FRAME);
    pauseWithEvents(20);
    setProgress(50);
    if (!m_stopRequested)
        send(ERASE_FRAME);
    setProgress(100);
    pauseWithEvents(100);
    send(END_FRAME);
    if (!m_stopRequested) {
        tell(QStringLiteral("完成设置"), QStringLiteral("完成设置"));
        tell(QStringLiteral("完成擦除"), QStringLiteral("完成擦除"));
    }
    setProgress(0);
}

void ControllerOperations::setDataInterval()
{
    if (m_running || !ask(QStringLiteral("端口每条数据之间间隔时长修改；")))
        return;
    Run run(*this);
    send(BEGIN_FRAME);
    pauseWithEvents(50);
    if (!m_stopRequested) {
        send(makeIntervalFrame(m_controls.interval->currentText().toStdString()));
        pauseWithEvents(100);
        send(COMMIT_FRAME);
        pauseWithEvents(100);
    }
    send(END_FRAME);
    if (!m_stopRequested)
        tell(QStringLiteral("完成设置"), QStringLiteral("完成设置"));
}

void ControllerOperations::setBaudRates()
{
    if (m_running || !ask(QStringLiteral("即将对总线上_所有_进入配置状态的面板进行波特率设置；")))
        return;
    Run run(*this);
    pauseWithEvents(50);
    send(BEGIN_FRAME);
    pauseWithEvents(50);
    for (std::size_t port = 0; port < kRatePortIds.size() && !m_stopRequested; ++port) {
        const std::string frame = makeBaudFrame(m_controls.rates[port]->currentIndex(), kRatePortIds[port]);
        if (!frame.empty())
            send(frame);
        pauseWithEvents(100);
    }
    if (!m_stopRequested) {
        send(COMMIT_FRAME);
        pauseWithEvents(100);
    }
    send(END_FRAME);
    if (!m_stopRequested)
        tell(QStringLiteral("完成设置"), QStringLiteral("完成设置"));
}

} // namespace velmora
