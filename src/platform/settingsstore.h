#pragma once
// The settings file: an INI file, in CP932 unless it begins with a
// byte-order mark. Section and key names are matched without regard to
// letter case; every write reaches the file at once and keeps the other
// sections and keys in their order. A write replaces or inserts only its
// own line: every other line keeps its bytes, line end included, and the
// file keeps its encoding and mark, so a line this program cannot decode
// (a stray byte pair, a character of another encoding) never stops a
// write. A file or folder that cannot be read yields the defaults.
//
// A write that cannot reach the file (an unwritable folder, a file that
// exists but cannot be read, a value the file's encoding cannot hold)
// changes nothing and returns false; the store keeps the first such
// failure for the program to tell the user once.

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
    bool writeInteger(const QString &section, const QString &key, int value);
    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    bool writeString(const QString &section, const QString &key, const QString &value);
    // Every key of a section with its value as readString gives it, in file
    // order (the first section of that name).
    QList<std::pair<QString, QString>> entries(const QString &section) const;
    // Removes the key's line; nothing is written when there is none.
    bool removeKey(const QString &section, const QString &key);

    // The message for the first write that did not reach the file (naming
    // the file, the key and the reason), once: later calls return an empty
    // text, as do calls while every write succeeded.
    QString takeFailure();

private:
    QStringList load() const;
    bool find(const QStringList &lines, const QString &section, const QString &key, QString *value,
              int *sectionLine, int *keyLine) const;
    bool fail(const QString &section, const QString &key, const QString &reason);

    QString m_path;
    QString m_failure;
    bool m_failed = false;
};
