#pragma once

// Which configuration file the window works on and when it is read or
// written: the automatic file beside the program, loaded at start and
// written at close, and the files the user opens or saves through the one
// file dialog. The window caption names the current file.

#include "config/configuration.h"

#include <QPointer>
#include <QString>

#include <functional>

class QFileDialog;
class QWidget;

namespace velmora {

// The product title; the caption is this title followed by the file path.
QString programTitleText();

// The stored filter of the file dialog: description and pattern.
QString configurationFileFilter();

// The directory of the program's executable, without a trailing separator.
QString runDirectory();

// The automatic configuration file in a run directory.
QString automaticConfigPath(const QString &runDirectory);

class FileCommands {
public:
    using ReadControls = std::function<ConfigurationValues()>;
    using WriteControls = std::function<void(const ConfigurationValues &)>;

    // `window` gets the caption and parents the dialog; the two functions
    // read and fill the 81 saved controls.
    FileCommands(
        QWidget *window, QString runDirectory, ReadControls readControls, WriteControls writeControls);
    ~FileCommands();

    FileCommands(const FileCommands &) = delete;
    FileCommands &operator=(const FileCommands &) = delete;

    const QString &configPath() const { return m_configPath; }
    const QString &programTitle() const { return m_programTitle; }
    void setProgramTitle(const QString &title) { m_programTitle = title; }

    void loadAtStartup();
    void saveAtClose();
    void openConfigurationFile();
    void saveConfigurationAs();
    void updateCaption();

    void saveConfiguration();
    void loadConfiguration();

    // The dialog 通用对话框1, made on first use and kept with its state.
    QFileDialog *dialog();

private:
    bool runDialog(bool save, QString &chosen);

    QWidget *m_window;
    QString m_runDirectory;
    ReadControls m_readControls;
    WriteControls m_writeControls;
    QString m_configPath;
    QString m_programTitle;
    QPointer<QFileDialog> m_dialog;
    QString m_lastChosen; // the file name the dialog shows pre-filled
};

} // namespace velmora
