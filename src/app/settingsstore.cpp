#include "app/settingsstore.h"

#include "platform/conversion.h"
#include "platform/textfile.h"

#include <QFileInfo>

SettingsStore::SettingsStore(const QString &path) : m_path(path) {}

QStringList SettingsStore::load() const
{
    try {
        if (!QFileInfo::exists(m_path))
            return {};
        return textfile::read(m_path).lines;
    } catch (const TavrelError &) {
        return {};
    }
}

static bool isSectionHeader(const QString &line, QString *name)
{
    const QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith(u'[') || !t.endsWith(u']'))
        return false;
    *name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

// sectionLine: header of the section (-1 when missing); keyLine: the key's
// line (-1 when missing).
bool SettingsStore::find(const QStringList &lines, const QString &section, const QString &key,
                         QString *value, int *sectionLine, int *keyLine) const
{
    *sectionLine = -1;
    *keyLine = -1;
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        QString name;
        if (isSectionHeader(line, &name)) {
            if (inSection)
                return false; // the section ended without the key
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            if (inSection && *sectionLine < 0)
                *sectionLine = i;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            *keyLine = i;
            if (value)
                *value = line.mid(eq + 1).trimmed();
            return true;
        }
    }
    return false;
}

// A value in quotes is read without them.
static QString unquoted(QString value)
{
    if (value.size() >= 2 && ((value.startsWith(u'"') && value.endsWith(u'"'))
                              || (value.startsWith(u'\'') && value.endsWith(u'\''))))
        value = value.mid(1, value.size() - 2);
    return value;
}

QString SettingsStore::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QStringList lines = load();
    QString value;
    int s, k;
    if (!find(lines, section, key, &value, &s, &k))
        return defaultValue;
    return unquoted(value);
}

QList<std::pair<QString, QString>> SettingsStore::entries(const QString &section) const
{
    QList<std::pair<QString, QString>> result;
    bool inSection = false, seen = false;
    for (const QString &line : load()) {
        QString name;
        if (isSectionHeader(line, &name)) {
            if (seen)
                break;
            inSection = seen = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (inSection && eq >= 0)
            result.append({line.left(eq).trimmed(), unquoted(line.mid(eq + 1).trimmed())});
    }
    return result;
}

void SettingsStore::removeKey(const QString &section, const QString &key)
{
    QStringList lines = load();
    int s, k;
    if (!find(lines, section, key, nullptr, &s, &k))
        return;
    lines.removeAt(k);
    try {
        textfile::write(m_path, lines);
    } catch (const TavrelError &) {
        // Lost like any settings write that cannot reach the file.
    }
}

int SettingsStore::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const QString text = readString(section, key, QString());
    int v;
    return tryParseInt(text, v) ? v : defaultValue;
}

void SettingsStore::writeString(const QString &section, const QString &key, const QString &value)
{
    QStringList lines = load();
    int s, k;
    const QString entry = key + u'=' + value;
    if (find(lines, section, key, nullptr, &s, &k)) {
        lines[k] = entry;
    } else if (s >= 0) {
        // Append after the last key line of the section (before blank lines).
        int insertAt = s + 1;
        for (int i = s + 1; i < lines.size(); ++i) {
            QString name;
            if (isSectionHeader(lines.at(i), &name))
                break;
            if (!lines.at(i).trimmed().isEmpty())
                insertAt = i + 1;
        }
        lines.insert(insertAt, entry);
    } else {
        lines.append(u'[' + section + u']');
        lines.append(entry);
    }
    try {
        textfile::write(m_path, lines);
    } catch (const TavrelError &) {
        // A settings write that cannot reach the file is silently lost.
    }
}

void SettingsStore::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}
