#include "register/registerdocument.h"

#include "platform/conversion.h"
#include "platform/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace {
const QString EntryDateFormat = QStringLiteral("yyyy/MM/dd HH:mm");
} // namespace

QString EntryHeader::dateText(const QDateTime &when)
{
    return when.toString(EntryDateFormat);
}

bool EntryHeader::isDateText(const QString &text)
{
    // Date and time apart, so that an hour a local clock change skips is
    // still a valid registration time.
    if (text.size() != 16 || text.at(10) != u' ')
        return false;
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy/MM/dd"));
    const QTime time = QTime::fromString(text.mid(11), QStringLiteral("HH:mm"));
    return date.isValid() && time.isValid() && QDateTime(date, time, Qt::UTC).toString(EntryDateFormat) == text;
}

const QString RegisterDocument::OutputIsRegisterMessage =
    QStringLiteral("%1 は示名条データのファイルです。別のファイル名を指定してください。");
const QString RegisterDocument::VersionLine = QStringLiteral("file-version:01.01.00.00");
const QString RegisterDocument::FormatErrorMessage =
    QStringLiteral("ファイルの書式に誤りがあります。このデータは読み込めません。");

bool RegisterDocument::outputReplacesRegister(const QString &output, const QString &openRegister)
{
    // Only a regular file is replaced, and only a regular file is read to
    // tell: opening a FIFO would wait for a writer.
    if (output.isEmpty() || textfile::outputKind(output) != textfile::OutputKind::File)
        return false;
    if (textfile::sameFile(output, openRegister))
        return true;
    QFile f(output);
    if (!QFileInfo(output).isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    const QStringList head = textfile::decode(f.read(4096)).lines;
    if (head.isEmpty())
        return false;
    if (head.at(0).contains(QLatin1String("file-version:")))
        return true;
    // The older layout: the entry count, then the first entry's marker.
    bool number = false;
    head.at(0).trimmed().toInt(&number);
    return number && head.size() > 1 && head.at(1) == markerLine(1);
}

namespace {
constexpr int MarkerFeeds = regfmt::MarkerFeeds;
}

RegisterDocument::RegisterDocument() = default;

// ---------------------------------------------------------------- markers

QString RegisterDocument::markerLine(qint64 n)
{
    return RegisterLines::markerText(n);
}

qint64 RegisterDocument::markerNumber(const QString &text)
{
    return RegisterLines::markerNumberOf(text);
}

// ---------------------------------------------------------------- lines

void throwMissingLine(int index)
{
    throw TavrelError(
        QStringLiteral("%1（%2 行目がありません）").arg(RegisterDocument::FormatErrorMessage).arg(index + 1));
}

void RegisterDocument::setLine(int index, const QString &text)
{
    editSet(index, text);
    Q_EMIT m_events->linesEdited(index, 1, 1);
    Q_EMIT m_events->linesChanged(index, 1);
    announceApplied();
}

void RegisterDocument::insertLines(int at, const QStringList &texts)
{
    editInsert(at, texts);
    Q_EMIT m_events->linesEdited(at, 0, int(texts.size()));
    Q_EMIT m_events->linesChanged(at, -1);
    announceApplied();
}

void RegisterDocument::removeLines(int at, int count)
{
    const int removed = at < 0 || count <= 0 || at >= m_lines.size() ? 0 : std::min(count, m_lines.size() - at);
    editRemove(at, count);
    Q_EMIT m_events->linesEdited(at, removed, 0);
    Q_EMIT m_events->linesChanged(at, -1);
    announceApplied();
}

void RegisterDocument::appendLine(const QString &text)
{
    editInsert(m_lines.size(), {text});
}

void RegisterDocument::appendLines(const QStringList &texts)
{
    editInsert(m_lines.size(), texts);
}

void RegisterDocument::setLines(RegisterLines lines)
{
    m_lines = std::move(lines);
    m_unsaved = false;
    m_history->clear();
    Q_EMIT m_events->documentReset();
}

void RegisterDocument::reset()
{
    m_lines = RegisterLines();
    m_fileName.clear();
    m_diskStamp = DiskStamp();
    m_unsaved = false;
    m_history->clear();
    Q_EMIT m_events->documentReset();
}

void RegisterDocument::announceApplied()
{
    if (!m_history->isStepOpen())
        Q_EMIT m_events->changesApplied();
}

// ---------------------------------------------------------------- recording

void RegisterDocument::editSet(int index, const QString &text)
{
    if (index < 0 || index >= m_lines.size())
        throwMissingLine(index);
    RegisterLines::requireSingleLine(text);
    record(index, 1, 1);
    m_lines.set(index, text);
}

void RegisterDocument::editInsert(int at, const QStringList &texts)
{
    if (texts.isEmpty())
        return;
    for (const QString &t : texts)
        RegisterLines::requireSingleLine(t);
    at = std::clamp(at, 0, m_lines.size());
    record(at, int(texts.size()), 0);
    // Without a history (tavrel-cli) inserted lines are kept as bytes; a
    // history keeps removed lines as texts and bounds their memory.
    m_lines.insert(at, texts, !m_history->isEnabled());
}

void RegisterDocument::editRemove(int at, int count)
{
    if (at < 0 || count <= 0 || at >= m_lines.size())
        return;
    count = std::min(count, m_lines.size() - at);
    record(at, 0, count);
    m_lines.remove(at, count);
}

void RegisterDocument::editClear()
{
    if (!m_lines.isEmpty())
        record(0, 0, m_lines.size());
    m_lines.clear();
}

void RegisterDocument::record(int at, int count, int removed)
{
    m_history->recordEdit(m_lines, at, count, removed);
}

void RegisterDocument::announce(history::ListEvent event)
{
    m_history->recordEvent(event);
    emitListEvent(event, false);
}

void RegisterDocument::emitListEvent(const history::ListEvent &e, bool inverse)
{
    using history::ListEvent;
    switch (e.kind) {
    case ListEvent::Appended:
        if (inverse)
            Q_EMIT m_events->entriesRemoved({int(e.number) - 1});
        else
            Q_EMIT m_events->entryAppended(e.number);
        break;
    case ListEvent::Removed:
    case ListEvent::Inserted:
        // Undoing a removal inserts the rows again, and the other way round.
        if ((e.kind == ListEvent::Removed) != inverse)
            Q_EMIT m_events->entriesRemoved(e.rows);
        else
            Q_EMIT m_events->entriesInserted(e.rows);
        break;
    case ListEvent::HeaderChanged:
        Q_EMIT m_events->headerChanged(e.number);
        break;
    case ListEvent::Reset:
        Q_EMIT m_events->documentReset();
        break;
    }
}

// ---------------------------------------------------------------- undo, redo

RegisterHistory::EventSink RegisterDocument::eventSink()
{
    return [this](const history::ListEvent &e, bool inverse) { emitListEvent(e, inverse); };
}

void RegisterDocument::linesReplayed(const RegisterHistory::Replay &out)
{
    for (const auto &[first, end] : out.spans)
        Q_EMIT m_events->linesEdited(first, end - first, end - first);
    if (const int first = out.firstLine(); first >= 0)
        Q_EMIT m_events->linesChanged(first, -1);
}

RegisterHistory::Replay RegisterDocument::undo()
{
    RegisterHistory::Replay out = m_history->undo(m_lines, eventSink());
    linesReplayed(out);
    if (out.done)
        announceApplied();
    return out;
}

RegisterHistory::Replay RegisterDocument::redo()
{
    RegisterHistory::Replay out = m_history->redo(m_lines, eventSink());
    linesReplayed(out);
    if (out.done)
        announceApplied();
    return out;
}

void RegisterDocument::rollBack(size_t editMark, size_t eventMark)
{
    RegisterHistory::Replay out;
    m_history->rollBack(m_lines, eventSink(), editMark, eventMark, out);
    linesReplayed(out);
}

// ---------------------------------------------------------------- entries

EntryHeader RegisterDocument::headerAt(int h) const
{
    EntryHeader e;
    using namespace regfmt::entry;
    e.extension = line(h + Extension);
    e.department = line(h + Department);
    e.userName = line(h + UserName);
    e.date = line(h + Date);
    e.seriesCaption = line(h + SeriesCaption);
    e.stripType = line(h + StripType);
    return e;
}

EntryHeader RegisterDocument::headerOfEntry(qint64 n) const
{
    const int f = findEntry(n);
    if (f < 0)
        throw TavrelError(QStringLiteral("示名条 %1 が見つかりません。").arg(n));
    return headerAt(f + 1);
}

int RegisterDocument::entryCount() const
{
    if (m_lines.size() < 2)
        return 0;
    return intAt(regfmt::EntryCountLine);
}

std::vector<RegisterLines::Marker> RegisterDocument::listedEntries() const
{
    if (m_lines.size() < 2)
        return {};
    // Only numbers that have a marker are visited, so that neither a huge
    // count nor markers out of order make this slow. A marker on line 0 is
    // no entry.
    std::vector<RegisterLines::Marker> out = m_lines.firstMarkers(intAt(regfmt::EntryCountLine));
    out.erase(std::remove_if(out.begin(), out.end(), [](const RegisterLines::Marker &m) { return m.pos < 1; }),
              out.end());
    return out;
}

QList<EntryHeader> RegisterDocument::listRows() const
{
    const std::vector<RegisterLines::Marker> entries = listedEntries();
    QList<EntryHeader> rows;
    rows.reserve(qsizetype(entries.size()));
    for (const RegisterLines::Marker &m : entries)
        rows.append(headerAt(m.pos + 1));
    return rows;
}

// ---------------------------------------------------------------- load, save

void RegisterDocument::convertOlderLayout()
{
    const RegisterLines &src = m_lines;
    const int size = src.size();
    auto intLine = [&](qint64 q) -> qint64 {
        int v;
        if (q < 0 || q >= size || !tryParseInt(src.at(int(q)), v))
            throw TavrelError(FormatErrorMessage, TavrelError::Kind::MalformedRegister);
        return v;
    };
    // The older layout lacks seven lines after line 24 of every cell record:
    // find those places, then write the converted file in one pass over the
    // lines, each from its own bytes.
    std::vector<int> gaps;
    const qint64 entries = intLine(0);
    qint64 q = 1;
    for (qint64 e = 0; e < entries; ++e) {
        q += 7;
        const qint64 sections = intLine(q);
        ++q;
        for (qint64 s = 0; s < sections; ++s) {
            q += 5;
            const qint64 cells = intLine(q);
            ++q;
            for (qint64 c = 0; c < cells; ++c) {
                q += 24;
                if (q >= size)
                    throw TavrelError(FormatErrorMessage, TavrelError::Kind::MalformedRegister);
                gaps.push_back(int(q));
                const qint64 k = intLine(q + 1);
                if (k < 0 || k > size)
                    throw TavrelError(FormatErrorMessage, TavrelError::Kind::MalformedRegister);
                q += 2 + k;
                if (q > size)
                    throw TavrelError(FormatErrorMessage, TavrelError::Kind::MalformedRegister); // text lines past the end
            }
        }
    }
    const TextEncoding enc = src.encoding();
    const QByteArray end = textfile::lineEnd(enc);
    QByteArray out = textfile::byteOrderMark(enc);
    if (!textfile::encodeLine(enc, VersionLine, out))
        throw TavrelError(FormatErrorMessage, TavrelError::Kind::MalformedRegister);
    out.append(end);
    size_t g = 0;
    for (int i = 0; i < size; ++i) {
        out.append(src.rawLine(i));
        out.append(end);
        if (g < gaps.size() && gaps[g] == i) {
            for (int k = 0; k < 7; ++k)
                out.append(end);
            ++g;
        }
    }
    m_lines = RegisterLines::fromBytes(out);
}

QList<EntryHeader> RegisterDocument::load(const QString &path)
{
    reset();
    QList<EntryHeader> rows;
    QByteArray bytes;
    try {
        bytes = textfile::readBytes(path);
        rows = loadBytes(bytes);
    } catch (...) {
        reset();
        throw;
    }
    if (!rows.isEmpty()) {
        m_fileName = path;
        m_diskStamp = DiskStamp::of(path, bytes);
    }
    return rows;
}

QList<EntryHeader> RegisterDocument::reload(const QString &path)
{
    RegisterDocument read;
    QList<EntryHeader> rows = read.load(path);
    adopt(std::move(read));
    return rows;
}

void RegisterDocument::adopt(RegisterDocument &&read)
{
    m_lines = std::move(read.m_lines);
    m_fileName = read.m_fileName;
    m_diskStamp = read.m_diskStamp;
    m_unsaved = false;
    m_history->clear();
    read.reset();
    Q_EMIT m_events->documentReset();
}

QList<EntryHeader> RegisterDocument::loadBytes(const QByteArray &bytes)
{
    reset();
    QList<EntryHeader> rows;
    try {
        m_lines = RegisterLines::fromBytes(bytes);
        if (m_lines.isEmpty())
            throw TavrelError(FormatErrorMessage, TavrelError::Kind::MalformedRegister);
        if (!m_lines.at(0).contains(QLatin1String("file-version:")))
            convertOlderLayout();
        rows = listRows();
    } catch (...) {
        reset();
        throw;
    }
    Q_EMIT m_events->documentReset();
    return rows;
}

void RegisterDocument::save(const QString &path, const BeforeRename &beforeRename)
{
    const QByteArray bytes = writeLines(path, beforeRename);
    // The steps keep unchanged lines as places in the bytes read; those
    // bytes are about to go.
    m_history->detach(m_lines);
    m_lines.rebase(bytes);
    m_unsaved = false;
}

void RegisterDocument::saveLast(const QString &path, const BeforeRename &beforeRename)
{
    // Written as it is encoded: the file's bytes are never held twice. A
    // failure before commit() removes the temporary file, so the previous
    // file stays as it was.
    textfile::OutputFile file(path, false);
    file.setBeforeRename(beforeRename);
    file.start();
    try {
        m_lines.encodeTo(file);
    } catch (const EncodingError &e) {
        throw TavrelError(unencodableMessage(*this, e));
    }
    file.commit();
}

QByteArray RegisterDocument::writeLines(const QString &path, const BeforeRename &beforeRename)
{
    QByteArray bytes;
    try {
        bytes = m_lines.encode();
    } catch (const EncodingError &e) {
        throw TavrelError(unencodableMessage(*this, e));
    }
    textfile::OutputFile file(path, false);
    file.setBeforeRename(beforeRename);
    file.start();
    file.write(bytes);
    file.commit();
    m_diskStamp = DiskStamp::of(path, bytes);
    return bytes;
}

QString unencodableMessage(const RegisterDocument &doc, const EncodingError &e)
{
    const int entry = doc.entryOfLine(e.line());
    const QString ch = e.character();
    const QString code = e.codePoint();
    // U+FFFD stands for bytes that could not be read: name them as such.
    const QString how = ch == QString(QChar(0xFFFD)) ? QStringLiteral("読み込めなかったバイト列のため")
                        : doc.encoding() == TextEncoding::Cp932 ? QStringLiteral("シフトJISで")
                                                                 : QString();
    if (entry > 0) {
        QString ext;
        const int f = doc.findEntry(entry);
        if (f >= 0 && f + 1 < doc.lineCount())
            ext = doc.lines().at(f + 1);
        return QStringLiteral("示名条 %1（内線番号 %2）の文字「%3」(%4) は%5保存できません。保存を中止しました。")
            .arg(entry)
            .arg(ext, ch, code, how);
    }
    return QStringLiteral("%1 行目の文字「%2」(%3) は%4保存できません。保存を中止しました。")
        .arg(e.line() + 1)
        .arg(ch, code, how);
}

// ---------------------------------------------------------------- entry commands

int RegisterDocument::beginNewEntry(const EntryHeader &header)
{
    if (m_lines.isEmpty()) {
        appendLine(VersionLine);
        appendLine(QStringLiteral("1"));
    } else {
        // The count is checked before anything is written, so that a count
        // with no room above it leaves the document as it was.
        const qint64 next = qint64(intAt(regfmt::EntryCountLine)) + 1;
        if (next > std::numeric_limits<int>::max())
            throw TavrelError(QStringLiteral("%1（2 行目の示名条の数 %2 はこれ以上増やせません）")
                                  .arg(FormatErrorMessage)
                                  .arg(next - 1));
        setLine(regfmt::EntryCountLine, QString::number(next));
    }
    const int n = intAt(regfmt::EntryCountLine);
    appendLine(markerLine(n));
    appendLines(header.toLines());
    return n;
}

void RegisterDocument::finishNewEntry(int n)
{
    history::ListEvent e;
    e.kind = history::ListEvent::Appended;
    e.number = n;
    announce(e);
}

void RegisterDocument::appendEntryAsCopy(const EntryHeader &header, int source)
{
    RegisterStep step(*this, QStringLiteral("示名条の作成"));
    const int s = findEntry(source);
    if (s < 1)
        throw TavrelError(QStringLiteral("複製元の示名条 %1 が見つかりません。").arg(source));
    int e = findEntry(qint64(source) + 1);
    if (e < 1)
        e = m_lines.size();
    // The copy takes the source's sections from its section count on.
    const int from = regfmt::EntryLines(m_lines, s + 1).sectionCountLine();
    if (from > e)
        throw TavrelError(FormatErrorMessage, TavrelError::Kind::MalformedRegister);
    const QStringList body = m_lines.mid(from, e - from);
    const int n = beginNewEntry(header);
    appendLines(body);
    finishNewEntry(n);
}

void RegisterDocument::updateEntryHeader(int n, const EntryHeader &header)
{
    const int m = findEntry(n);
    if (m < 0)
        return;
    const QStringList values = header.toLines();
    const int h = m + 1;
    if (h + regfmt::entry::HeaderLines > m_lines.size())
        throw TavrelError(FormatErrorMessage, TavrelError::Kind::MalformedRegister);
    for (const QString &v : values)
        RegisterLines::requireSingleLine(v); // all refused before any is written
    RegisterStep step(*this, QStringLiteral("示名条の編集"));
    for (int i = 0; i < regfmt::entry::HeaderLines; ++i)
        if (m_lines.at(h + i) != values.at(i))
            editSet(h + i, values.at(i));
    history::ListEvent e;
    e.kind = history::ListEvent::HeaderChanged;
    e.number = n;
    announce(e);
}

int RegisterDocument::deleteEntries(QList<int> rows, int rowCount, const std::function<void(int)> &removeRow)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.isEmpty())
        return rowCount;
    RegisterStep step(*this, QStringLiteral("示名条の削除"));
    const qint64 count = intAt(regfmt::EntryCountLine); // keeps its old value for the whole command
    for (qsizetype r = rows.size() - 1; r >= 0; --r) {
        const int d = rows.at(r);
        if (removeRow)
            removeRow(d);
        // The pass c = 0, 1, ... below the count, in one sweep. Steps below d
        // change nothing. Step d removes the first marker of entry d + 1 with
        // the lines up to the next marker of entry d + 2 (or the end). Each
        // later step c renumbers the first marker of entry c + 1 to c; no
        // step looks for a number an earlier step wrote, so these are the
        // first markers as they stand after the removal. Visiting only the
        // markers present keeps a huge count on line 1 from spinning.
        if (d < count) {
            const int m = findEntry(qint64(d) + 1);
            if (m >= 0) {
                // Up to the next marker of entry d + 2 below it, or the end.
                const int next = m_lines.findMarkerFrom(m, qint64(d) + 2);
                const int end = next < 0 ? m_lines.size() : next;
                editRemove(m, end - m);
            }
        }
        for (const RegisterLines::Marker &m : m_lines.firstMarkers(count))
            if (m.number > qint64(d) + 1)
                editSet(m.pos, markerLine(m.number - 1));
    }
    const int remaining = rowCount - int(rows.size());
    history::ListEvent e;
    if (remaining > 0) {
        editSet(1, QString::number(remaining));
        e.kind = history::ListEvent::Removed;
        e.rows = rows;
    } else {
        editClear();
        e.kind = history::ListEvent::Reset;
    }
    announce(e);
    return remaining;
}
