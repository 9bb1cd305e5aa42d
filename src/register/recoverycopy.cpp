#include "register/recoverycopy.h"

#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "register/registerhistory.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>

namespace recovery {

namespace {
QString fullPath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}
} // namespace

QString folder()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/tavrel/recovery");
}

QString copyPath(const QString &registerPath)
{
    if (registerPath.isEmpty())
        return folder() + QStringLiteral("/unnamed-%1.TAV")
                              .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    // The name the user knows, after a digest of the full path that tells
    // registers of the same name in different folders apart.
    const QString full = fullPath(registerPath);
    const QByteArray digest = QCryptographicHash::hash(full.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return folder() + u'/' + QString::fromLatin1(digest) + u'-' + QFileInfo(full).fileName();
}

QString write(const RegisterDocument &doc)
{
    const QString path = copyPath(doc.fileName());
    // Private to the user: the copy holds the register's contents.
    QDir().mkpath(folder());
    ::chmod(QFile::encodeName(folder()).constData(), 0700);
    textfile::writeBytes(path, doc.lines().encode(), textfile::OutputFile::Links::Refuse);
    return path;
}

QString find(const QString &registerPath)
{
    if (registerPath.isEmpty())
        return QString();
    const QString path = copyPath(registerPath);
    return QFileInfo(path).isFile() ? path : QString();
}

void restore(RegisterDocument &doc, const QString &copy)
{
    const QStringList lines = textfile::read(copy).lines;
    if (lines.isEmpty() || !lines.at(0).contains(QLatin1String("file-version:")))
        throw TavrelError(RegisterDocument::FormatErrorMessage);
    // Like opening a file: the lines are the unsaved changes, with no step
    // to undo back to the register as read; the list is read anew.
    {
        RegisterStep step(doc, QStringLiteral("復旧"));
        doc.removeLines(0, doc.lineCount());
        doc.insertLines(0, lines);
    }
    doc.history().clear();
    Q_EMIT doc.events()->documentReset();
}

} // namespace recovery
