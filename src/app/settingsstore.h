#pragma once
// The settings file: an INI file in CP932. Section and key names are matched
// without regard to letter case; every write reaches the file at once and
// keeps the other sections and keys in their order. A file or folder that
// cannot be read yields the defaults; a write that cannot reach the file is
// silently lost.

#include <QString>
#include <QList>
#include <QStringList>
#include <utility>

class SettingsStore
{
public:
    explicit SettingsStore(const QString &path);

    QString path() const { return m_path; }

    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    void writeInteger(const QString &section, const QString &key, int value);
    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    void writeString(const QString &section, const QString &key, const QString &value);
    // Every key of a section with its value as readString gives it, in file
    // order (the first section of that name).
    QList<std::pair<QString, QString>> entries(const QString &section) const;
    // Removes the key's line; nothing is written when there is none.
    void removeKey(const QString &section, const QString &key);

private:
    QStringList load() const;
    bool find(const QStringList &lines, const QString &section, const QString &key, QString *value,
              int *sectionLine, int *keyLine) const;

    QString m_path;
};
