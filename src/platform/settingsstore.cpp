#include "platform/settingsstore.h"

#include "platform/characters.h"
#include "platform/conversion.h"
#include "platform/textfile.h"

#include <QFileInfo>

namespace {

// The file as read: its bytes, its encoding, and each line's text with the
// byte offsets of its first byte, of its end (where its line break begins)
// and of the next line.
struct IniFile
{
    QByteArray bytes;
    TextEncoding encoding = TextEncoding::Cp932;
    int mark = 0; // length of the byte-order mark
    QStringList lines;
    struct Span
    {
        qsizetype start, end, next;
    };
    QList<Span> spans;
    QString readError; // the file exists but could not be read
};

IniFile readIni(const QString &path)
{
    IniFile f;
    if (!QFileInfo::exists(path))
        return f;
    try {
        f.bytes = textfile::readBytes(path);
    } catch (const TavrelError &e) {
        f.readError = e.message();
        return f;
    }
    int &mark = f.mark;
    f.encoding = textfile::detectEncoding(f.bytes, &mark);
    const char *data = f.bytes.constData() + mark;
    textfile::forEachLine(data, f.bytes.size() - mark, f.encoding, [&](qsizetype start, qsizetype end) {
        if (!f.spans.isEmpty())
            f.spans.last().next = mark + start;
        f.spans.append({mark + start, mark + end, f.bytes.size()});
        f.lines.append(textfile::decodeLine(f.encoding, data + start, end - start));
    });
    return f;
}

// Offset at which a new line goes after the last one: the end of the file,
// after a line break added when the last line has none. A UTF-16 file that
// ends in half a unit gets a zero byte first, so that what follows is read
// in whole units.
qsizetype appendPoint(IniFile &f)
{
    const bool unbroken = !f.spans.isEmpty() && f.spans.last().end == f.bytes.size();
    if (textfile::unitSize(f.encoding) == 2 && (f.bytes.size() - f.mark) % 2)
        f.bytes.append('\0');
    if (unbroken) {
        f.bytes.append(textfile::lineEnd(f.encoding));
        f.spans.last().next = f.bytes.size();
    }
    return f.bytes.size();
}

bool isSectionHeader(const QString &line, QString *name)
{
    const QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith(u'[') || !t.endsWith(u']'))
        return false;
    *name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

// A value in quotes is read without them.
QString unquoted(QString value)
{
    if (value.size() >= 2 && ((value.startsWith(u'"') && value.endsWith(u'"'))
                              || (value.startsWith(u'\'') && value.endsWith(u'\''))))
        value = value.mid(1, value.size() - 2);
    return value;
}

} // namespace

SettingsStore::SettingsStore(const QString &path) : m_path(path) {}

QStringList SettingsStore::load() const
{
    return readIni(m_path).lines;
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

int SettingsStore::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const QString text = readString(section, key, QString());
    int v;
    return tryParseInt(text, v) ? v : defaultValue;
}

bool SettingsStore::fail(const QString &section, const QString &key, const QString &reason)
{
    if (!m_failed) {
        m_failed = true;
        m_failure = QStringLiteral("設定ファイル %1 に設定 [%2] %3 を保存できませんでした。\n%4")
                        .arg(m_path, section, key, reason);
    }
    return false;
}

QString SettingsStore::takeFailure()
{
    return std::exchange(m_failure, QString());
}

bool SettingsStore::removeKey(const QString &section, const QString &key)
{
    IniFile f = readIni(m_path);
    int s, k;
    if (!find(f.lines, section, key, nullptr, &s, &k))
        return true;
    const IniFile::Span &span = f.spans.at(k);
    f.bytes.remove(span.start, span.next - span.start);
    try {
        textfile::writeBytes(m_path, f.bytes, textfile::OutputFile::Links::Refuse);
    } catch (const TavrelError &e) {
        return fail(section, key, e.message());
    }
    return true;
}

bool SettingsStore::writeString(const QString &section, const QString &key, const QString &value)
{
    IniFile f = readIni(m_path);
    if (!f.readError.isEmpty())
        return fail(section, key, f.readError); // writing would lose the file's other lines
    // The new line (and a new section's header) in the file's own encoding.
    const QByteArray end = textfile::lineEnd(f.encoding);
    QByteArray entry;
    auto encode = [&](const QString &text) {
        qsizetype bad = 0;
        if (textfile::encodeLine(f.encoding, text, entry, &bad))
            return true;
        const QString ch = characters::at(text, bad);
        EncodingError probe(QString(), 0, ch);
        const QString how = f.encoding == TextEncoding::Cp932 ? QStringLiteral("シフトJISで") : QString();
        fail(section, key, QStringLiteral("文字「%1」(%2) は%3保存できません。").arg(ch, probe.codePoint(), how));
        return false;
    };
    int s, k;
    QString current;
    if (find(f.lines, section, key, &current, &s, &k)) {
        // A value that reads as it would be written keeps its line as it is.
        if (unquoted(current) == value)
            return true;
        if (!encode(key + u'=' + value))
            return false;
        const IniFile::Span &span = f.spans.at(k);
        f.bytes.replace(span.start, span.end - span.start, entry);
    } else if (s >= 0) {
        if (!encode(key + u'=' + value))
            return false;
        // After the last key line of the section (before blank lines).
        int after = s;
        for (int i = s + 1; i < f.lines.size(); ++i) {
            QString name;
            if (isSectionHeader(f.lines.at(i), &name))
                break;
            if (!f.lines.at(i).trimmed().isEmpty())
                after = i;
        }
        const qsizetype at = after + 1 < f.lines.size() ? f.spans.at(after + 1).start : appendPoint(f);
        f.bytes.insert(at, entry + end);
    } else {
        if (!encode(u'[' + section + u']'))
            return false;
        entry += end;
        if (!encode(key + u'=' + value))
            return false;
        const qsizetype at = appendPoint(f);
        f.bytes.insert(at, entry + end);
    }
    try {
        textfile::writeBytes(m_path, f.bytes, textfile::OutputFile::Links::Refuse);
    } catch (const TavrelError &e) {
        return fail(section, key, e.message());
    }
    return true;
}

bool SettingsStore::writeInteger(const QString &section, const QString &key, int value)
{
    return writeString(section, key, QString::number(value));
}
