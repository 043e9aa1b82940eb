#pragma once

// The one window of the tool. It is built from the control catalogue (one
// row per control, see control_catalogue.h) and owns the components that
// live and die with it: the serial link 端口1, the quiet timer 时钟1 and the
// file dialog 通用对话框1 (inside FileCommands). Every behaviour is a handler
// wired here: the port start and status line live in this class; the file
// commands, the controller operations and the reply display are the objects
// of their own layers, given the controls they work on.

#include "link/port_resolver.h"

#include <QHash>
#include <QMainWindow>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace velmora {

class ControllerOperations;
class FileCommands;
class QuietTimer;
class ReplyDisplay;
class SerialLink;
class TabControl;
struct CommandSlot;

struct MainWindowOptions {
    QString runDirectory; // empty: the program's own directory
    PortResolver portResolver; // empty: the platform's port numbering
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const MainWindowOptions &options = {}, QWidget *parent = nullptr);
    ~MainWindow() override;

    // A control by its layout name; nullptr if there is none.
    QWidget *control(const QString &name) const;
    template <typename T> T *control(const QString &name) const { return qobject_cast<T *>(control(name)); }

    QString statusText() const;
    SerialLink &link() const { return *m_link; }
    QuietTimer &quietTimer() const { return *m_timer; }
    FileCommands &fileCommands() const { return *m_files; }
    ControllerOperations &operations() const { return *m_operations; }
    ReplyDisplay &replyDisplay() const { return *m_reply; }
    TabControl *tabControl() const;

    QLineEdit *commandBox(const CommandSlot &slot) const;
    QByteArray commandText(const CommandSlot &slot) const;
    void setCommandText(const CommandSlot &slot, const QByteArray &gbkText);

    void startSerialLink();
    void applyAlwaysOnTop();
    void disableDeviceButtons();
    void enableDeviceButtons();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void buildControls();
    void wireHandlers();
    void onMainWindowCreated();
    void onMainWindowDestroying();
    void setStatusText(const QString &text);
    void fitOuterSize();

    QHash<QString, QWidget *> m_controls;
    QLabel *m_statusPart = nullptr;
    SerialLink *m_link = nullptr;
    QuietTimer *m_timer = nullptr;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<ReplyDisplay> m_reply;
    std::unique_ptr<ControllerOperations> m_operations;
    bool m_outerSizeFitted = false;
};

} // namespace velmora
