#include "platform/mainsub.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>


QString TMainSub::baseName(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}

QString TMainSub::userDataFolder()
{
    QString folder = qEnvironmentVariable("APPDATA");
    if (folder.isEmpty())
        folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.config");
    return folder;
}

TMainSub::TMainSub(const QString &executablePath)
{
    QString exe = executablePath;
    if (exe.isEmpty())
        exe = QCoreApplication::applicationFilePath();
    const QFileInfo info(exe);
    m_programFolder = info.absolutePath();
    if (!m_programFolder.endsWith(u'/'))
        m_programFolder += u'/';
    QString base = baseName(info.fileName());
    QString data = userDataFolder();
    if (!data.endsWith(u'/'))
        data += u'/';
    m_settingsFolder = data + base + u'/';
    QDir().mkpath(m_settingsFolder); // failure is not reported; reads then give defaults
    m_settings = std::make_unique<SettingsStore>(m_settingsFolder + base + QStringLiteral(".ini"));
}

TMainSub::~TMainSub() = default;
