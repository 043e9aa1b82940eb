#include "config/file_commands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QWidget>

#include <filesystem>

namespace velmora {

namespace {

std::filesystem::path toFsPath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

// Qt takes the patterns from the parentheses of the description; the stored
// form joins description and pattern with a bar.
QString qtNameFilter(const QString &stored)
{
    QString description = stored.section(QLatin1Char('|'), 0, 0);
    const QString pattern = stored.section(QLatin1Char('|'), 1, 1);
    if (pattern.isEmpty() || description.contains(QLatin1Char('(') + pattern + QLatin1Char(')')))
        return description;
    return description + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

} // namespace

QString programTitleText()
{
    return QStringLiteral("Velmora_V1.02");
}

QString configurationFileFilter()
{
    return QStringLiteral("配置文件(*.mbqdx)|*.mbqdx");
}

QString runDirectory()
{
    const QString program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    return program.left(program.lastIndexOf(QDir::separator()));
}

QString automaticConfigPath(const QString &runDirectory)
{
    return runDirectory + QDir::separator() + QStringLiteral("配置.qdx");
}

FileCommands::FileCommands(QWidget *window, QString runDirectory, ReadControls readControls,
                           WriteControls writeControls)
    : m_window(window)
    , m_runDirectory(std::move(runDirectory))
    , m_readControls(std::move(readControls))
    , m_writeControls(std::move(writeControls))
{
}

FileCommands::~FileCommands()
{
    delete m_dialog;
}

void FileCommands::saveConfiguration()
{
    // Failures are not reported: the old file stays as it was.
    velmora::saveConfiguration(toFsPath(m_configPath), m_readControls());
}

void FileCommands::loadConfiguration()
{
    m_writeControls(velmora::loadConfiguration(toFsPath(m_configPath)));
}

void FileCommands::updateCaption()
{
    m_window->setWindowTitle(m_programTitle + m_configPath);
}

void FileCommands::loadAtStartup()
{
    if (m_window->windowTitle() != m_programTitle)
        return;
    m_configPath = automaticConfigPath(m_runDirectory);
    loadConfiguration();
    updateCaption();
}

void FileCommands::saveAtClose()
{
    m_configPath = automaticConfigPath(m_runDirectory);
    saveConfiguration();
}

QFileDialog *FileCommands::dialog()
{
    if (!m_dialog) {
        m_dialog = new QFileDialog(m_window);
        m_dialog->setObjectName(QStringLiteral("通用对话框1"));
        // Our own dialog, so that it takes the window's style and keeps its
        // state between uses on every platform.
        m_dialog->setOption(QFileDialog::DontUseNativeDialog);
        m_dialog->setOption(QFileDialog::ReadOnly, false);
        m_dialog->setNameFilter(qtNameFilter(configurationFileFilter()));
        m_dialog->setWindowModality(Qt::WindowModal);
    }
    return m_dialog;
}

bool FileCommands::runDialog(bool save, QString &chosen)
{
    QFileDialog *d = dialog();
    d->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save)
        d->setDefaultSuffix(QStringLiteral("mbqdx"));
    if (!m_lastChosen.isEmpty())
        d->selectFile(m_lastChosen);
    if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty())
        return false;
    chosen = QDir::toNativeSeparators(d->selectedFiles().constFirst());
    m_lastChosen = chosen;
    return true;
}

void FileCommands::openConfigurationFile()
{
    QString chosen;
    if (!runDialog(false, chosen))
        return;
    m_configPath = chosen;
    updateCaption();
    loadConfiguration();
}

void FileCommands::saveConfigurationAs()
{
    QString chosen;
    if (!runDialog(true, chosen))
        return;
    m_configPath = chosen;
    updateCaption();
    saveConfiguration();
}

} // namespace velmora
