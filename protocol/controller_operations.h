#pragma once

// The four operations behind the device buttons: write every learned
// command, erase, set the data interval, set the port baud rates. Each runs
// from its confirmation to its closing box inside its click handler; its
// pauses keep the window responsive. The device buttons stay disabled for
// the whole of every operation so that two operations never mix frames.

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>
#include <string_view>

class QComboBox;
class QProgressBar;

namespace velmora {

class SerialLink;
struct CommandSlot;

struct OperationControls {
    std::function<QByteArray(const CommandSlot &)> commandText; // GBK, read at the moment of use
    QComboBox *binding = nullptr; // 组合框6
    QComboBox *interval = nullptr; // 组合框5
    std::array<QComboBox *, 4> rates {}; // 组合框1..4
    QProgressBar *progress = nullptr; // 进度条1
    std::function<void()> disableDeviceButtons;
    std::function<void()> enableDeviceButtons;
};

// Shows a message box without owner, modal for the whole program; true only
// when the user chose OK. An empty caption means "信息：".
using MessageBoxFunction = std::function<bool(const QString &text, const QString &caption, bool withCancel)>;
bool showMessageBox(const QString &text, const QString &caption, bool withCancel);

class ControllerOperations {
public:
    ControllerOperations(
        SerialLink &link, OperationControls controls, MessageBoxFunction messageBox = showMessageBox);

    void writeLearnedData();
    void eraseData();
    void setDataInterval();
    void setBaudRates();

    bool isRunning() const { return m_running; }
    // The window is closing: the running operation sends no further slots,
    // ends the controller's configuration state with END_FRAME and shows no
    // further box.
    void requestStop() { m_stopRequested = true; }

private:
    class Run;
    void send(std::string_view frame);
    bool ask(const QString &text, const QString &caption = {});
    void tell(const QString &text, const QString &caption);
    void setProgress(int value);

    SerialLink &m_link;
    OperationControls m_controls;
    MessageBoxFunction m_messageBox;
    bool m_running = false;
    bool m_stopRequested = false;
};

} // namespace velmora
