// Malformed input: seeded mutations of real registers, templates and
// pictures. Every mutated file must load, check, walk and draw, or fail with
// TavrelError, within a time bound; it must never crash, assert, read past
// the end or let another exception escape. A failed load must leave an empty,
// unnamed register and a failed command the document as it was.
//
// Each case is named by its data row, its number and the mutations applied,
// so a failure can be replayed. TAVREL_MALFORMED_ROUNDS multiplies the
// number of cases (for longer runs, e.g. under the sanitizers);
// TAVREL_MALFORMED_DUMP names a folder that receives the input of every
// failing case; TAVREL_MALFORMED_CORPUS one that receives each register as
// it is and a sample of the damaged ones (seeds for the fuzz harnesses).

#include "platform/conversion.h"
#include "platform/fonts.h"
#include "platform/textfile.h"
#include "print/pageformat.h"
#include "print/strippage.h"
#include "register/registercheck.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/stripwalk.h"
#include "register/templates.h"
#include "strip/picture.h"
#include "strip/stripimage.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <climits>
#include <functional>

using namespace strip;

namespace {

// One operation on one mutated input may take this long; the largest valid
// strips take a few milliseconds.
constexpr qint64 StepBudgetMs = 2000;

int rounds()
{
    const int r = qEnvironmentVariableIntValue("TAVREL_MALFORMED_ROUNDS");
    return r > 0 ? r : 1;
}

// The seed of a data row: FNV-1a over its name, the same on every machine
// (qHash may use the processor's AES instructions).
quint32 seedOf(const QString &name, quint32 salt)
{
    quint32 h = 2166136261u ^ salt;
    for (QChar c : name)
        h = (h ^ c.unicode()) * 16777619u;
    return h;
}

// ---------------------------------------------------------------- faults

class Faults
{
public:
    void add(const QString &caseName, const QString &step, const QString &what)
    {
        m_items << QStringLiteral("%1 [%2]: %3").arg(caseName, step, what);
        m_cases.insert(caseName);
    }
    bool has(const QString &caseName) const { return m_cases.contains(caseName); }
    bool isEmpty() const { return m_items.isEmpty(); }
    QString summary() const
    {
        QStringList shown = m_items.mid(0, 12);
        if (m_items.size() > shown.size())
            shown << QStringLiteral("... and %1 more").arg(m_items.size() - shown.size());
        return QStringLiteral("%1 fault(s):\n").arg(m_items.size()) + shown.join(u'\n');
    }

private:
    QStringList m_items;
    QSet<QString> m_cases;
};

enum class Outcome { Done, Refused, Fault };

// Runs one step: TavrelError (and its subclasses) is an accepted refusal;
// any other exception, or a step over the time bound, is a fault.
Outcome step(Faults &faults, const QString &caseName, const QString &name, const std::function<void()> &fn)
{
    QElapsedTimer timer;
    timer.start();
    Outcome outcome = Outcome::Done;
    try {
        fn();
    } catch (const TavrelError &) {
        outcome = Outcome::Refused;
    } catch (const std::exception &e) {
        faults.add(caseName, name, QStringLiteral("std::exception escaped: %1").arg(QString::fromLocal8Bit(e.what())));
        outcome = Outcome::Fault;
    }
    const qint64 ms = timer.elapsed();
    if (ms > StepBudgetMs) {
        faults.add(caseName, name, QStringLiteral("took %1 ms").arg(ms));
        outcome = Outcome::Fault;
    }
    return outcome;
}

void dumpInput(const QString &caseName, const QByteArray &bytes, const char *variable = "TAVREL_MALFORMED_DUMP")
{
    const QString folder = qEnvironmentVariable(variable);
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QString name = caseName;
    for (QChar &c : name)
        if (!c.isLetterOrNumber())
            c = u'_';
    QFile f(folder + u'/' + name.left(80) + QStringLiteral(".bin"));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

// ---------------------------------------------------------------- inputs

// What a line of a base file holds, so that mutations can aim at counts,
// geometry and the other typed lines.
enum class Role : quint8 {
    Other,
    Count,    // entry, section, cell and text line counts
    Header,   // entry header and series lines
    Integer,  // key-number flag, sizes, bold, italic, alignment
    Geometry, // rectangles in mm
    RectX,    // the first line (x) of a rectangle, otherwise as Geometry
    Face,
    KeyCode,
    Colour,
    PictureType,
    PictureData,
    Reserved, // the five empty lines of a cell record
    Marker,
    Text,
};

struct BaseFile
{
    QString name;
    QList<QByteArray> lines; // CP932 bytes without line ends
    QList<Role> roles;
};

QByteArray cp932(const QString &text)
{
    QByteArray out;
    if (!textfile::encodeCp932(text, out))
        qFatal("test text not representable in CP932");
    return out;
}

QList<QByteArray> encodeLines(const QStringList &lines)
{
    QList<QByteArray> out;
    out.reserve(lines.size());
    for (const QString &l : lines)
        out << cp932(l);
    return out;
}

QByteArray joinLines(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &l : lines)
        out += l + "\r\n";
    return out;
}

// Roles of a well-formed register's lines, from a walk of every entry.
QList<Role> registerRoles(const QStringList &lines)
{
    QList<Role> roles(lines.size(), Role::Other);
    if (roles.size() > 1)
        roles[1] = Role::Count;
    struct Marker : StripVisitor
    {
        QList<Role> &roles;
        explicit Marker(QList<Role> &r) : roles(r) {}
        bool section(const Section &s) override
        {
            roles[s.line] = Role::Integer;
            for (int k = 1; k <= 4; ++k)
                roles[s.line + k] = k == 1 ? Role::RectX : Role::Geometry;
            roles[s.line + 5] = Role::Count;
            return true;
        }
        bool cell(const Section &, const Cell &c) override
        {
            static const Role fixed[CellFixedLines] = {
                Role::RectX,    Role::Geometry, Role::Geometry, Role::Geometry, Role::RectX,    Role::Geometry,
                Role::Geometry, Role::Geometry, Role::Face,     Role::Integer,  Role::Colour,   Role::Integer,
                Role::Integer,  Role::Integer,  Role::KeyCode,  Role::RectX,    Role::Geometry, Role::Geometry,
                Role::Geometry, Role::Face,     Role::Integer,  Role::Colour,   Role::Integer,  Role::Integer,
                Role::Integer,  Role::Reserved, Role::Reserved, Role::Reserved, Role::Reserved, Role::Reserved,
                Role::PictureType, Role::PictureData, Role::Count};
            for (int k = 0; k < CellFixedLines; ++k)
                roles[c.line + k] = fixed[k];
            for (int k = 0; k < c.textLineCount; ++k)
                roles[c.line + CellFixedLines + k] = Role::Text;
            return true;
        }
    } marker(roles);
    for (int i = 1; i < lines.size(); ++i) {
        if (RegisterDocument::markerNumber(lines.at(i)) == 0)
            continue;
        roles[i] = Role::Marker;
        for (int k = 1; k <= 6 && i + k < lines.size(); ++k)
            roles[i + k] = Role::Header;
        if (i + 7 < lines.size())
            roles[i + 7] = Role::Count;
        walkStrip(lines, i + 1, marker);
    }
    return roles;
}

// Roles of a well-formed template's lines (19-line cell records).
QList<Role> templateRoles(const QStringList &lines)
{
    QList<Role> roles(lines.size(), Role::Other);
    if (lines.size() < 2)
        return roles;
    roles[0] = Role::Header;
    roles[1] = Role::Count;
    int p = 2;
    const int sections = parseInt(lines.at(1));
    for (int s = 0; s < sections; ++s) {
        roles[p] = Role::Integer;
        for (int k = 1; k <= 4; ++k)
            roles[p + k] = k == 1 ? Role::RectX : Role::Geometry;
        roles[p + 5] = Role::Count;
        const int cells = parseInt(lines.at(p + 5));
        p += 6;
        for (int c = 0; c < cells; ++c, p += 19)
            for (int k = 0; k < 19; ++k)
                roles[p + k] = k == 8 ? Role::Face
                             : k == 10 ? Role::Colour
                             : k == 14 ? Role::KeyCode
                             : (k >= 9 && k <= 13) ? Role::Integer
                             : (k == 0 || k == 4 || k == 15) ? Role::RectX
                                                    : Role::Geometry;
    }
    return roles;
}

BaseFile registerBase(const QString &name, const QStringList &lines)
{
    return {name, encodeLines(lines), registerRoles(lines)};
}

// The same register in the older layout: no version line, cell records of
// 26 fixed lines (lines 25 to 31 dropped), so that opening converts it.
BaseFile olderLayoutOf(const BaseFile &base)
{
    BaseFile out{base.name + QStringLiteral(" (older layout)"), {}, {}};
    for (qsizetype i = 1; i < base.lines.size(); ++i) {
        const Role r = base.roles.at(i);
        if (r == Role::Reserved || r == Role::PictureType || r == Role::PictureData)
            continue;
        out.lines << base.lines.at(i);
        out.roles << r;
    }
    return out;
}

QStringList templateFiles()
{
    QStringList out;
    for (const QFileInfo &fi : QDir(QStringLiteral(TAVREL_BINARY_DIR))
                                   .entryInfoList({QStringLiteral("*.tpl")}, QDir::Files, QDir::Name))
        out << fi.filePath();
    return out;
}

// The series a template is offered for: the first caption on its first line.
QString seriesOfTemplate(const QStringList &lines)
{
    for (int s = 0; s < series::Count; ++s)
        if (!lines.isEmpty() && lines.at(0).contains(series::caption(s)))
            return series::caption(s);
    return series::caption(0);
}

EntryHeader headerFor(const QString &seriesCaption, const QString &type, const QString &ext = QStringLiteral("201"))
{
    return {ext, QStringLiteral("総務部"), QStringLiteral("山田 太郎"), QStringLiteral("2024/04/01 09:00"), seriesCaption,
            type};
}

QStringList registerFromTemplate(const QString &path)
{
    const QStringList t = textfile::read(path).lines;
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, QFileInfo(path).absolutePath(),
                                       headerFor(seriesOfTemplate(t), templates::stripTypeOfFile(QFileInfo(path).fileName())));
    return doc.lines().toStringList();
}

QByteArray imageBytes(const QImage &image, const char *format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (progressive)
        writer.setProgressiveScanWrite(true);
    if (!writer.write(image))
        qFatal("cannot write test picture");
    return bytes;
}

QImage testImage(QSize size, QImage::Format format)
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, (x + y) * 20 % 256));
    return format == QImage::Format_RGB32 ? img : img.convertToFormat(format);
}

struct PictureSample
{
    QString name;
    QString type; // the picture type line it is stored under
    QByteArray bytes;
    QSize size;
};

QList<PictureSample> pictureSamples()
{
    const QSize s(13, 7);
    return {
        {QStringLiteral("bmp 24-bit"), QStringLiteral(".bmp"), imageBytes(testImage(s, QImage::Format_RGB888), "BMP"), s},
        {QStringLiteral("bmp 32-bit"), QStringLiteral(".BMP"), imageBytes(testImage(s, QImage::Format_ARGB32), "BMP"), s},
        {QStringLiteral("bmp 8-bit"), QStringLiteral(".bmp"), imageBytes(testImage(s, QImage::Format_Indexed8), "BMP"), s},
        {QStringLiteral("bmp 1-bit"), QStringLiteral(".bmp"), imageBytes(testImage(s, QImage::Format_Mono), "BMP"), s},
        {QStringLiteral("jpeg colour"), QStringLiteral(".jpg"), imageBytes(testImage(s, QImage::Format_RGB32), "JPEG"), s},
        {QStringLiteral("jpeg grey"), QStringLiteral(".jpeg"), imageBytes(testImage(s, QImage::Format_Grayscale8), "JPEG"), s},
        {QStringLiteral("jpeg progressive"), QStringLiteral(".JPG"),
         imageBytes(testImage(QSize(40, 24), QImage::Format_RGB32), "JPEG", true), QSize(40, 24)},
    };
}

// ---------------------------------------------------------------- mutations

const QStringList HostileCounts{"2147483647", "2147483648", "-1", "-2147483648", "1e9", "", "abc", "0", "99",
                                "100", "101", "4294967296", " 7", "+2", "0x10", "9999999999999999999", "-0"};
const QStringList HostileDecimals{"1e300", "", "abc", "-", ".", "999999999.9999", "-999999999.9999",
                                  "99999999999999999999", "0", "-0.00005", "1.2.3", "nan", "inf", "1,5",
                                  "0.99999", "-5000", "100000", "  12.5  ", "+.5"};
const QStringList HostileIntegers{"2147483647", "-2147483648", "0", "-1", "100000", "72", "abc", "", "4", "999"};
const QStringList HostileKeyCodes{"", "   ", "\t", "-2147483648", "2147483647", "abc", "-01x99長い既定の文字",
                                  "000x00", "0", "999999999999", "-99", "001"};
const QStringList HostileColours{"", ",", "abc,def", "-1,-1", "2147483647,2147483647", "-2147483648", ",,,,",
                                 "16777215,0", "0,", "99999999999999,1"};
const QStringList HostileHeaders{"", "ｕＬシリーズ主装置", "Ｍｏシリーズ主装置", "標準Ｍｏ", "Ｋシリーズ", "abc"};
const QList<QByteArray> InvalidCp932{"\x81", "\x80", "\xA0", "\xFD", "\xFE", "\xFF", "\x81\x20", "\x85\x40",
                                     "\xEF\xBB\xBF", QByteArray(1, '\0'), "\x9F\x7F", "\xFC\xFC"};

class Mutator
{
public:
    Mutator(const BaseFile &base, quint32 seed, const QList<PictureSample> &pictures)
        : m_rng(seed), m_lines(base.lines), m_roles(base.roles), m_pictures(pictures)
    {
    }

    // Applies one to three mutations and returns the bytes of the file.
    QByteArray run(QString &description)
    {
        QStringList done;
        QList<int> byteOps;
        const int n = 1 + pick(3);
        for (int i = 0; i < n; ++i) {
            if (pick(5) == 0)
                byteOps << pick(5);
            else
                done << lineOp(pick(18));
        }
        QByteArray bytes = joinLines(m_lines);
        for (int op : byteOps)
            done << byteOp(op, bytes);
        description = done.join(QStringLiteral("; "));
        return bytes;
    }

    int pick(int n) { return n <= 1 ? 0 : int(m_rng.bounded(n)); }
    template <class T> const T &any(const QList<T> &list) { return list.at(pick(int(list.size()))); }

    // The bytes of a damaged picture file (also used by the picture tests).
    QByteArray damagedPicture(const QByteArray &good, QString &what)
    {
        QByteArray b = good;
        switch (pick(6)) {
        case 0: {
            const int at = pick(int(b.size()));
            b.truncate(at);
            what = QStringLiteral("cut at %1").arg(at);
            break;
        }
        case 1: {
            const int k = 1 + pick(8);
            for (int i = 0; i < k; ++i)
                b[pick(int(qMin<qsizetype>(b.size(), 64)))] = char(m_rng.bounded(256));
            what = QStringLiteral("%1 header bytes changed").arg(k);
            break;
        }
        case 2: {
            const int k = 1 + pick(16);
            for (int i = 0; i < k; ++i)
                b[pick(int(b.size()))] ^= char(1 + m_rng.bounded(255));
            what = QStringLiteral("%1 bytes flipped").arg(k);
            break;
        }
        case 3:
            what = setHeaderField(b);
            break;
        case 4: {
            const int at = pick(int(b.size()));
            const int len = 1 + pick(64);
            if (pick(2))
                b.remove(at, len);
            else
                b.insert(at, QByteArray(len, char(m_rng.bounded(256))));
            what = QStringLiteral("%1 bytes removed or inserted at %2").arg(len).arg(at);
            break;
        }
        default: {
            const QByteArray start = b.left(2);
            b = start;
            const int len = pick(4000);
            for (int i = 0; i < len; ++i)
                b += char(m_rng.bounded(256));
            what = QStringLiteral("signature then %1 random bytes").arg(len);
            break;
        }
        }
        return b;
    }

    // Base64 text with damage of its own: characters outside the alphabet,
    // padding in the middle, a length that is no multiple of four.
    QString damagedBase64(const QString &good, QString &what)
    {
        QString t = good;
        switch (pick(5)) {
        case 0: {
            const int k = 1 + pick(6);
            static const QString odd = QStringLiteral("=*-_ \t\x0C\x01Ａあｱ");
            for (int i = 0; i < k; ++i)
                t.insert(pick(int(t.size()) + 1), odd.at(pick(int(odd.size()))));
            what = QStringLiteral("%1 foreign characters").arg(k);
            break;
        }
        case 1: {
            const int at = pick(int(t.size()));
            t.remove(at, 1 + pick(3));
            what = QStringLiteral("characters removed at %1").arg(at);
            break;
        }
        case 2:
            t.truncate(pick(int(t.size()) + 1));
            what = QStringLiteral("text cut to %1").arg(t.size());
            break;
        case 3:
            t = QString(pick(200), QChar(u'='));
            what = QStringLiteral("padding only");
            break;
        default:
            what = QStringLiteral("intact text");
            break;
        }
        return t;
    }

private:
    int lineWith(Role role)
    {
        QList<int> candidates;
        for (int i = 0; i < m_roles.size(); ++i)
            if (m_roles.at(i) == role)
                candidates << i;
        return candidates.isEmpty() ? -1 : candidates.at(pick(int(candidates.size())));
    }

    int anyLine() { return pick(int(m_lines.size())); }

    void insertLine(int at, const QByteArray &text)
    {
        m_lines.insert(at, text);
        m_roles.insert(at, Role::Other);
    }

    QString replaceRole(Role role, const QStringList &values, const char *what)
    {
        const int at = lineWith(role);
        if (at < 0)
            return QStringLiteral("no %1 line").arg(QLatin1String(what));
        const QString v = any(values);
        m_lines[at] = cp932(v);
        return QStringLiteral("%1 line %2 := '%3'").arg(QLatin1String(what)).arg(at + 1).arg(v);
    }

    QString lineOp(int op)
    {
        const int n = int(m_lines.size());
        switch (op) {
        case 0: {
            const int keep = pick(n);
            m_lines.resize(keep);
            m_roles.resize(keep);
            return QStringLiteral("cut after line %1").arg(keep);
        }
        case 1: {
            if (n == 0)
                return QStringLiteral("nothing to delete");
            const int at = anyLine(), len = qMin(1 + pick(40), n - at);
            m_lines.remove(at, len);
            m_roles.remove(at, len);
            return QStringLiteral("delete %1 lines at %2").arg(len).arg(at + 1);
        }
        case 2: {
            if (n == 0)
                return QStringLiteral("nothing to duplicate");
            const int at = anyLine(), len = qMin(1 + pick(40), n - at);
            const QList<QByteArray> run = m_lines.mid(at, len);
            const QList<Role> roles = m_roles.mid(at, len);
            for (int i = len - 1; i >= 0; --i) {
                m_lines.insert(at, run.at(i));
                m_roles.insert(at, roles.at(i));
            }
            return QStringLiteral("duplicate %1 lines at %2").arg(len).arg(at + 1);
        }
        case 3: {
            if (n < 2)
                return QStringLiteral("nothing to swap");
            const int a = anyLine();
            const int b = pick(2) ? anyLine() : qBound(0, a + pick(81) - 40, n - 1);
            m_lines.swapItemsAt(a, b);
            m_roles.swapItemsAt(a, b);
            return QStringLiteral("swap lines %1 and %2").arg(a + 1).arg(b + 1);
        }
        case 4:
            return replaceRole(Role::Count, HostileCounts, "count");
        case 5: {
            // The entry count of a register (a template's section count).
            if (n < 2)
                return QStringLiteral("no line 2");
            const QString v = any(HostileCounts);
            m_lines[1] = cp932(v);
            return QStringLiteral("line 2 := '%1'").arg(v);
        }
        case 6:
            return replaceRole(pick(4) ? Role::Geometry : Role::RectX, HostileDecimals, "geometry");
        case 7:
            return replaceRole(Role::Integer, HostileIntegers, "integer");
        case 8:
            return replaceRole(Role::KeyCode, HostileKeyCodes, "key code");
        case 9:
            return replaceRole(Role::Colour, HostileColours, "colour");
        case 10: {
            static const QList<qint64> numbers{1, 2, 3, 14, 15, -1, 0, 999999999999999999LL, 2147483648LL};
            const qint64 number = any(numbers);
            const int at = pick(n + 1);
            insertLine(at, cp932(RegisterDocument::markerLine(number)));
            return QStringLiteral("marker %1 inserted at %2").arg(number).arg(at + 1);
        }
        case 11: {
            static const QList<QByteArray> units{"9", "x", "\x82\xa0", "\x0C", " ", "A=", "\x81"};
            const QByteArray unit = any(units);
            const int len = 100000 + pick(200000);
            QByteArray l;
            l.reserve(len * unit.size());
            for (int i = 0; i < len; ++i)
                l += unit;
            const int at = pick(n + 1);
            if (at < n && pick(2)) {
                m_lines[at] = l;
                return QStringLiteral("line %1 := %2 × '%3'").arg(at + 1).arg(len).arg(QString::fromLatin1(unit.toHex()));
            }
            insertLine(at, l);
            return QStringLiteral("%1 × '%2' inserted at %3").arg(len).arg(QString::fromLatin1(unit.toHex())).arg(at + 1);
        }
        case 12: {
            if (n == 0)
                return QStringLiteral("no line for form feeds");
            const int at = pick(2) ? lineWith(Role::Count) : anyLine();
            if (at < 0)
                return QStringLiteral("no line for form feeds");
            switch (pick(3)) {
            case 0:
                m_lines[at] += QByteArray(10, '\x0C');
                return QStringLiteral("ten form feeds after line %1").arg(at + 1);
            case 1:
                m_lines[at].insert(pick(int(m_lines[at].size()) + 1), '\x0C');
                return QStringLiteral("form feed in line %1").arg(at + 1);
            default:
                m_lines[at] = QByteArray(10 + pick(3) - 1, '\x0C');
                return QStringLiteral("line %1 := form feeds").arg(at + 1);
            }
        }
        case 13: {
            const int at = lineWith(Role::PictureType);
            if (at < 0 || at + 1 >= n)
                return QStringLiteral("no picture line");
            const PictureSample &p = any(m_pictures);
            QString what, what64;
            const QByteArray bytes = pick(3) ? damagedPicture(p.bytes, what) : p.bytes;
            const QString text = damagedBase64(encodeBase64(bytes), what64);
            static const QStringList types{".jpg", ".bmp", ".JPEG", ".png", " ", ""};
            const QString type = pick(4) ? p.type : any(types);
            m_lines[at] = cp932(type);
            m_lines[at + 1] = cp932(text);
            return QStringLiteral("picture at line %1: %2 '%3', %4, %5").arg(at + 1).arg(p.name, type, what, what64);
        }
        case 14: {
            const int at = pick(n + 1);
            QByteArray junk;
            const int len = pick(60);
            for (int i = 0; i < len; ++i) {
                char c = char(m_rng.bounded(256));
                if (c == '\r' || c == '\n')
                    c = ' ';
                junk += c;
            }
            if (at < n && pick(2)) {
                m_lines[at] = junk;
                return QStringLiteral("line %1 := %2 random bytes").arg(at + 1).arg(len);
            }
            insertLine(at, junk);
            return QStringLiteral("%1 random bytes inserted at %2").arg(len).arg(at + 1);
        }
        case 15: {
            const int at = pick(n + 1), len = 1 + pick(40);
            for (int i = 0; i < len; ++i)
                insertLine(at, QByteArray());
            return QStringLiteral("%1 empty lines inserted at %2").arg(len).arg(at + 1);
        }
        case 16:
            return replaceRole(pick(2) ? Role::Header : Role::Face, HostileHeaders, "header or face");
        default: {
            // A whole rectangle far off or far larger than any sheet.
            const int at = lineWith(Role::RectX);
            if (at < 0 || at + 3 >= n)
                return QStringLiteral("no rectangle");
            static const QStringList places{"0", "-7000", "7000", "-999999999.9999", "999999999.9999", "-0.5"};
            static const QStringList sizes{"7000", "100000", "999999999.9999", "-999999999.9999", "0", "-10", "300"};
            const QStringList values{any(places), any(places), any(sizes), any(sizes)};
            for (int k = 0; k < 4; ++k)
                m_lines[at + k] = values.at(k).toLatin1();
            return QStringLiteral("rectangle at line %1 := %2").arg(at + 1).arg(values.join(u' '));
        }
        }
    }

    QString byteOp(int op, QByteArray &bytes)
    {
        const int n = int(bytes.size());
        switch (op) {
        case 0: {
            const int at = pick(n + 1);
            bytes.truncate(at);
            return QStringLiteral("cut at byte %1").arg(at);
        }
        case 1: {
            const int k = 1 + pick(8);
            for (int i = 0; i < k && n > 0; ++i)
                bytes[pick(n)] ^= char(1 + m_rng.bounded(255));
            return QStringLiteral("%1 bytes flipped").arg(k);
        }
        case 2: {
            const int k = 1 + pick(4);
            for (int i = 0; i < k; ++i)
                bytes.insert(pick(int(bytes.size()) + 1), any(InvalidCp932));
            return QStringLiteral("%1 invalid CP932 sequences").arg(k);
        }
        case 3:
            switch (pick(4)) {
            case 0:
                bytes.replace("\r\n", "\n");
                return QStringLiteral("LF line ends");
            case 1:
                bytes.replace("\r\n", "\r");
                return QStringLiteral("CR line ends");
            case 2:
                bytes.replace("\r\n", "\n\r");
                return QStringLiteral("LF CR line ends");
            default:
                if (bytes.endsWith("\r\n"))
                    bytes.chop(2);
                return QStringLiteral("no final line end");
            }
        default: {
            static const QList<QByteArray> boms{"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
            const QByteArray bom = any(boms);
            bytes.prepend(bom);
            return QStringLiteral("byte-order mark %1").arg(QString::fromLatin1(bom.toHex()));
        }
        }
    }

    // One header field of a BMP or JPEG file set to an extreme value.
    QString setHeaderField(QByteArray &b)
    {
        if (b.startsWith("BM") && b.size() >= 54) {
            static const QList<int> offsets{2, 10, 14, 18, 22, 26, 28, 30, 34, 46, 50};
            static const QList<quint32> values{0, 1, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 65535, 10000, 10001, 3,
                                               16, 24, 32, 4, 8, 2, 0xFFFFFFF6};
            const int at = any(offsets);
            const quint32 v = any(values);
            if (at == 26 || at == 28)
                qToLittleEndian(quint16(v), b.data() + at);
            else
                qToLittleEndian(v, b.data() + at);
            return QStringLiteral("BMP field at %1 := %2").arg(at).arg(v);
        }
        // JPEG: a field of a frame header, or the length of any segment.
        QList<int> frames, segments;
        for (int i = 2; i + 4 < b.size(); ++i) {
            if (uchar(b[i]) != 0xFF)
                continue;
            const uchar m = uchar(b[i + 1]);
            if (m == 0xC0 || m == 0xC2)
                frames << i;
            if (m >= 0xC0 && m != 0xD8 && m != 0xFF && !(m >= 0xD0 && m <= 0xD7))
                segments << i;
        }
        if (!frames.isEmpty() && pick(2)) {
            const int f = any(frames);
            static const QList<quint16> sizes{0, 1, 9999, 10000, 10001, 65535};
            switch (pick(4)) {
            case 0:
            case 1: {
                const int at = f + (pick(2) ? 5 : 7);
                const quint16 v = any(sizes);
                if (at + 2 <= b.size())
                    qToBigEndian(v, b.data() + at);
                return QStringLiteral("JPEG frame size field at %1 := %2").arg(at).arg(v);
            }
            case 2: {
                static const QList<int> comps{0, 1, 2, 3, 4, 255};
                const int v = any(comps);
                if (f + 9 < b.size())
                    b[f + 9] = char(v);
                return QStringLiteral("JPEG components := %1").arg(v);
            }
            default: {
                static const QList<int> precisions{0, 8, 12, 16, 255};
                const int v = any(precisions);
                if (f + 4 < b.size())
                    b[f + 4] = char(v);
                return QStringLiteral("JPEG precision := %1").arg(v);
            }
            }
        }
        if (segments.isEmpty())
            return QStringLiteral("no field to set");
        const int s = any(segments);
        static const QList<quint16> lengths{0, 1, 2, 3, 0xFFFF, 0x8000};
        const quint16 v = any(lengths);
        if (s + 4 <= b.size())
            qToBigEndian(v, b.data() + s + 2);
        return QStringLiteral("JPEG segment %1 length := %2").arg(QString::number(uchar(b[s + 1]), 16)).arg(v);
    }

    QRandomGenerator m_rng;
    QList<QByteArray> m_lines;
    QList<Role> m_roles;
    const QList<PictureSample> &m_pictures;
};

// ---------------------------------------------------------------- checks

// Runs every strip operation on the entry whose header starts at line h and
// checks what the successful ones return. Entries already seen (the same
// lines, anywhere) are skipped.
class StripChecker
{
public:
    StripChecker(Faults &faults) : m_faults(faults) {}

    void check(const QString &caseName, const RegisterLines &lines, int h)
    {
        const int end = entryEnd(lines, h);
        size_t key = qHash(end - h);
        for (int i = h; i < end; ++i)
            key = qHashMulti(key, lines.at(i));
        if (m_seen.contains(key))
            return;
        m_seen.insert(key);

        struct Recorder : StripVisitor
        {
            QList<Section> sections;
            QList<Cell> cells;
            bool section(const Section &s) override
            {
                sections << s;
                return true;
            }
            bool cell(const Section &, const Cell &c) override
            {
                cells << c;
                return true;
            }
        };
        Recorder read, skip;
        WalkSummary readSum, skipSum;
        const Outcome readOutcome = step(m_faults, caseName, QStringLiteral("walk"), [&] { readSum = walkStrip(lines, h, read); });
        const Outcome skipOutcome = step(m_faults, caseName, QStringLiteral("walk counts"),
                                         [&] { skipSum = walkStrip(lines, h, skip, WalkGeometry::Skip); });
        auto fault = [&](const QString &what) { m_faults.add(caseName, QStringLiteral("entry at %1").arg(h + 1), what); };
        if (skipOutcome == Outcome::Done) {
            if (skip.sections.size() > regfmt::MaxSections || skip.cells.size() > regfmt::MaxCells)
                fault(QStringLiteral("walk passed the limits"));
            int next = h + 7;
            for (const Cell &c : skip.cells) {
                if (c.line < next || qint64(c.line) + CellFixedLines + c.textLineCount > end)
                    fault(QStringLiteral("cell %1 at line %2 lies outside its entry").arg(c.index).arg(c.line + 1));
                next = c.line + CellFixedLines + c.textLineCount;
            }
        }
        if (readOutcome == Outcome::Done && skipOutcome == Outcome::Done
            && (readSum.cellsWalked != skipSum.cellsWalked || readSum.stop != skipSum.stop))
            fault(QStringLiteral("walks with and without geometry disagree"));

        // A cell the walk reached (even one that later failed) is found at
        // the same line; any other index is refused.
        const int cells = int(skip.cells.size());
        for (int index : {-1, 0, 1, cells / 2, cells - 1, cells, regfmt::MaxCells, INT_MAX}) {
            int line = -1;
            const Outcome o = step(m_faults, caseName, QStringLiteral("locate cell %1").arg(index),
                                   [&] { line = locateCell(lines, h, index); });
            const bool reached = index >= 0 && index < cells;
            if (o == Outcome::Done && (!reached || line != skip.cells.at(index).line))
                fault(QStringLiteral("locate cell %1 gave line %2").arg(index).arg(line + 1));
            if (o == Outcome::Refused && reached)
                fault(QStringLiteral("locate cell %1 refused a cell the walk reached").arg(index));
        }
        const int sections = int(skip.sections.size());
        for (int k : {-1, 0, 1, sections - 1, sections, regfmt::MaxSections, INT_MAX}) {
            int first = -1;
            if (step(m_faults, caseName, QStringLiteral("first cell of section %1").arg(k),
                     [&] { first = firstCellOfSection(lines, h, k); })
                    == Outcome::Done
                && (first < 0 || first > regfmt::MaxCells))
                fault(QStringLiteral("first cell of section %1 is %2").arg(k).arg(first));
        }
        for (View v : {View::Detail, View::Overview}) {
            QImage image;
            if (step(m_faults, caseName, v == View::Detail ? QStringLiteral("render detail") : QStringLiteral("render overview"),
                     [&] { image = renderStrip(lines, h, v); })
                == Outcome::Done) {
                const ViewScales s = sheetGeometry(lines.at(h + 4), lines.at(h + 5)).view(v);
                if (image.size() != QSize(s.pixelWidth, s.pixelHeight))
                    fault(QStringLiteral("image of %1 x %2").arg(image.width()).arg(image.height()));
            }
        }
        // The strip page as the print preview draws it.
        QImage page(559, 793, QImage::Format_RGB32);
        step(m_faults, caseName, QStringLiteral("print page"), [&] {
            QPainter p(&page);
            const print::PageFormatInfo &f = print::pageFormatInfo(print::PageFormat::A);
            print::drawStripPageAt(p, lines, h, {f.sx, f.sy, Fixed4(), Fixed4(), {}});
        });
    }

private:
    Faults &m_faults;
    QSet<size_t> m_seen;
};

// Header lines of every entry marker in the lines.
QList<int> entryHeaders(const RegisterLines &lines)
{
    QList<int> out;
    for (int i = 1; i < lines.size(); ++i)
        if (RegisterDocument::markerNumber(lines.at(i)) != 0)
            out << i + 1;
    return out;
}

bool isEmptyUnnamed(const RegisterDocument &doc)
{
    return doc.isEmpty() && doc.fileName().isEmpty() && !doc.isModified();
}

// A command on a copy of the document: on refusal the copy must be as it was.
void command(Faults &faults, const QString &caseName, const QString &name, const RegisterDocument &doc,
             const std::function<void(RegisterDocument &)> &fn)
{
    RegisterDocument copy = doc;
    if (step(faults, caseName, name, [&] { fn(copy); }) == Outcome::Refused
        && copy.lines().toStringList() != doc.lines().toStringList())
        faults.add(caseName, name, QStringLiteral("refused, but the document changed"));
}

// Everything the program does with an opened register file.
void exerciseRegister(Faults &faults, StripChecker &strips, const QString &caseName, const QByteArray &bytes,
                      const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("case.TAV"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write the case file");
    }
    RegisterDocument doc;
    QList<EntryHeader> rows;
    const Outcome loaded = step(faults, caseName, QStringLiteral("load"), [&] { rows = doc.load(path); });
    if (loaded == Outcome::Refused && !isEmptyUnnamed(doc))
        faults.add(caseName, QStringLiteral("load"), QStringLiteral("refused, but the register is not empty and unnamed"));
    if (loaded == Outcome::Done && doc.isModified())
        faults.add(caseName, QStringLiteral("load"), QStringLiteral("freshly loaded register counts as modified"));

    // The check and the strips also run on the file's raw lines when the
    // load refused it, as the command-line check reads them.
    const RegisterLines raw = RegisterLines::fromBytes(bytes);
    step(faults, caseName, QStringLiteral("check"), [&] { checkRegister(raw); });
    const RegisterLines lines = loaded == Outcome::Done ? doc.lines() : raw;
    if (loaded == Outcome::Done)
        step(faults, caseName, QStringLiteral("check loaded"), [&] { checkRegister(lines); });
    for (int h : entryHeaders(lines))
        strips.check(caseName, lines, h);

    if (loaded != Outcome::Done || rows.isEmpty())
        return;
    const EntryHeader header = headerFor(rows.first().seriesCaption, rows.first().stripType, QStringLiteral("999"));
    const int count = int(rows.size());
    command(faults, caseName, QStringLiteral("copy entry 1"), doc,
            [&](RegisterDocument &d) { d.appendEntryAsCopy(header, 1); });
    command(faults, caseName, QStringLiteral("copy last entry"), doc,
            [&](RegisterDocument &d) { d.appendEntryAsCopy(header, count); });
    command(faults, caseName, QStringLiteral("new entry from template"), doc, [&](RegisterDocument &d) {
        templates::appendEntryFromTemplate(d, QStringLiteral(TAVREL_BINARY_DIR),
                                           headerFor(series::caption(3), QStringLiteral("ｕＬ－６ボタン電話機")));
    });
    command(faults, caseName, QStringLiteral("update header"), doc,
            [&](RegisterDocument &d) { d.updateEntryHeader(1, header); });
    command(faults, caseName, QStringLiteral("delete first entry"), doc,
            [&](RegisterDocument &d) { d.deleteEntries({0}, count); });
    command(faults, caseName, QStringLiteral("delete every entry"), doc, [&](RegisterDocument &d) {
        QList<int> all;
        for (int r = 0; r < count; ++r)
            all << r;
        d.deleteEntries(all, count);
    });

    // A register that saves must open again with the same lines.
    const QString saved = dir.filePath(QStringLiteral("saved.TAV"));
    if (step(faults, caseName, QStringLiteral("save"), [&] { doc.save(saved); }) == Outcome::Done) {
        RegisterDocument again;
        if (step(faults, caseName, QStringLiteral("load saved"), [&] { again.load(saved); }) != Outcome::Done
            || again.lines().toStringList() != doc.lines().toStringList())
            faults.add(caseName, QStringLiteral("save"), QStringLiteral("the saved register does not open as it was"));
    }
}

} // namespace

// ---------------------------------------------------------------- tests

class TestMalformed : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void registers_data();
    void registers();
    void templateFiles_data();
    void templateFiles();
    void pictures_data();
    void pictures();

private:
    QList<BaseFile> m_registers;
    QList<PictureSample> m_pictures;
};

static QtMessageHandler previousHandler = nullptr;

// Damaged pictures make the codecs complain on nearly every case; their
// warnings are dropped, everything else is passed on.
static void quietCodecs(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg
        && (message.startsWith(QLatin1String("QImage")) || message.contains(QLatin1String("JPEG"), Qt::CaseInsensitive)
            || QByteArray(context.category ? context.category : "").startsWith("qt.gui.imageio")))
        return;
    previousHandler(type, context, message);
}

void TestMalformed::initTestCase()
{
    installFontSubstitutions();
    previousHandler = qInstallMessageHandler(quietCodecs);
    m_pictures = pictureSamples();

    const QString sample = QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV");
    m_registers << registerBase(QStringLiteral("sample-office"), textfile::read(sample).lines);
    const QStringList tpls = ::templateFiles();
    QVERIFY2(tpls.size() >= 10, "the templates are not in the build folder");
    for (const QString &t : tpls)
        m_registers << registerBase(QFileInfo(t).completeBaseName(), registerFromTemplate(t));
    m_registers << olderLayoutOf(m_registers.first());

    // A strip with a picture of every kind in its first cells.
    QStringList withPictures = registerFromTemplate(tpls.first());
    const QList<Role> roles = registerRoles(withPictures);
    qsizetype next = 0;
    for (qsizetype i = 0; i < roles.size() && next < m_pictures.size(); ++i)
        if (roles.at(i) == Role::PictureType) {
            withPictures[i] = m_pictures.at(next).type;
            withPictures[i + 1] = encodeBase64(m_pictures.at(next).bytes);
            ++next;
        }
    QCOMPARE(next, m_pictures.size());
    m_registers << registerBase(QStringLiteral("pictures"), withPictures);
}

void TestMalformed::registers_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("cases");
    for (int i = 0; i < m_registers.size(); ++i) {
        const BaseFile &b = m_registers.at(i);
        // The sample and the converted register hold many entries; the
        // single-entry registers are cheap.
        const int cases = b.name == QLatin1String("sample-office") ? 300 : b.name.contains(u'(') ? 120 : 60;
        QTest::newRow(qPrintable(b.name)) << i << cases * rounds();
    }
}

void TestMalformed::registers()
{
    QFETCH(int, base);
    QFETCH(int, cases);
    const BaseFile &b = m_registers.at(base);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Faults faults;
    StripChecker strips(faults);

    // The file as it is must open and draw without complaint.
    exerciseRegister(faults, strips, QStringLiteral("%1 unchanged").arg(b.name), joinLines(b.lines), dir);
    dumpInput(b.name, joinLines(b.lines), "TAVREL_MALFORMED_CORPUS");
    QVERIFY2(faults.isEmpty(), qPrintable(faults.summary()));
    {
        RegisterDocument doc;
        QVERIFY(!doc.load(dir.filePath(QStringLiteral("case.TAV"))).isEmpty());
        QCOMPARE(checkRegister(doc.lines()).size(), 0);
    }

    const quint32 seedBase = seedOf(b.name, 7);
    for (int c = 0; c < cases; ++c) {
        Mutator m(b, seedBase + quint32(c), m_pictures);
        QString description;
        const QByteArray bytes = m.run(description);
        const QString caseName = QStringLiteral("%1 #%2 (%3)").arg(b.name).arg(c).arg(description);
        exerciseRegister(faults, strips, caseName, bytes, dir);
        if (faults.has(caseName))
            dumpInput(caseName, bytes);
        if (c % 40 == 0 && bytes.size() < 100000)
            dumpInput(caseName.left(caseName.indexOf(u'(')), bytes, "TAVREL_MALFORMED_CORPUS");
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.summary()));
}

void TestMalformed::templateFiles_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &t : ::templateFiles())
        QTest::newRow(qPrintable(QFileInfo(t).completeBaseName())) << t;
}

void TestMalformed::templateFiles()
{
    QFETCH(QString, path);
    const QString fileName = QFileInfo(path).fileName();
    const QString type = templates::stripTypeOfFile(fileName);
    const QStringList good = textfile::read(path).lines;
    const BaseFile base{type, encodeLines(good), templateRoles(good)};
    const EntryHeader header = headerFor(seriesOfTemplate(good), type);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Faults faults;
    StripChecker strips(faults);

    // Documents the template is added to: an empty one and the sample.
    RegisterDocument sample;
    QVERIFY(!sample.load(QStringLiteral(TAVREL_SOURCE_DIR "/samples/sample-office.TAV")).isEmpty());
    const QList<const RegisterDocument *> docs{nullptr, &sample};

    const int cases = 80 * rounds();
    const quint32 seedBase = seedOf(type, 11);
    for (int c = -1; c < cases; ++c) {
        QString description = QStringLiteral("unchanged");
        QByteArray bytes = joinLines(base.lines);
        if (c >= 0) {
            Mutator m(base, seedBase + quint32(c), m_pictures);
            bytes = m.run(description);
        }
        const QString caseName = QStringLiteral("%1 #%2 (%3)").arg(type, QString::number(c), description);
        {
            QFile f(dir.filePath(fileName));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(bytes), bytes.size());
        }
        const QStringList lines = textfile::decode(bytes).lines;
        QStringList body;
        const Outcome made = step(faults, caseName, QStringLiteral("instantiate"),
                                  [&] { body = templates::instantiateBody(lines, fileName, header); });
        if (c < 0)
            QCOMPARE(made, Outcome::Done);
        for (const RegisterDocument *from : docs) {
            RegisterDocument doc;
            if (from)
                doc = *from;
            const QStringList before = doc.lines().toStringList();
            const Outcome added = step(faults, caseName, QStringLiteral("new entry"),
                                       [&] { templates::appendEntryFromTemplate(doc, dir.path(), header); });
            if (added == Outcome::Refused && (doc.lines().toStringList() != before || made == Outcome::Done))
                faults.add(caseName, QStringLiteral("new entry"),
                           made == Outcome::Done ? QStringLiteral("refused a template that instantiates")
                                                 : QStringLiteral("refused, but the document changed"));
            if (added != Outcome::Done)
                continue;
            // After the version and count lines of a new register, the marker and the header.
            const qsizetype bodyStart = before.isEmpty() ? 9 : before.size() + 7;
            if (made != Outcome::Done || doc.lines().toStringList().mid(bodyStart) != body) {
                faults.add(caseName, QStringLiteral("new entry"), QStringLiteral("entry differs from the template's body"));
                continue;
            }
            const int h = doc.findEntry(doc.entryCount()) + 1;
            if (h != before.size() + (before.isEmpty() ? 3 : 1)) {
                faults.add(caseName, QStringLiteral("new entry"), QStringLiteral("new entry not found at its marker"));
                continue;
            }
            step(faults, caseName, QStringLiteral("check"), [&] { checkRegister(doc.lines()); });
            strips.check(caseName, doc.lines(), h);
        }
        if (faults.has(caseName))
            dumpInput(caseName, bytes);
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.summary()));
}

void TestMalformed::pictures_data()
{
    QTest::addColumn<int>("sample");
    for (int i = 0; i < m_pictures.size(); ++i)
        QTest::newRow(qPrintable(m_pictures.at(i).name)) << i;
}

void TestMalformed::pictures()
{
    QFETCH(int, sample);
    const PictureSample &p = m_pictures.at(sample);
    QCOMPARE(decodePicture(p.type, encodeBase64(p.bytes)).size(), p.size);
    QCOMPARE(decodeBase64(encodeBase64(p.bytes)), p.bytes);

    Faults faults;
    const BaseFile none{p.name, {}, {}};
    const QStringList types{p.type, p.type, p.type, ".jpg", ".bmp", ".JPEG", ".png", "", "jpg"};
    const int cases = 400 * rounds();
    for (int c = 0; c < cases; ++c) {
        Mutator m(none, seedOf(p.name, 13) + quint32(c), m_pictures);
        QString what, what64;
        const QByteArray bytes = m.damagedPicture(p.bytes, what);
        const QString text = m.damagedBase64(encodeBase64(bytes), what64);
        const QString type = m.any(types);
        const QString caseName = QStringLiteral("%1 #%2 (%3, %4, type '%5')").arg(p.name).arg(c).arg(what, what64, type);

        QByteArray decoded;
        step(faults, caseName, QStringLiteral("base64"), [&] { decoded = decodeBase64(text); });
        if (decoded.size() > (text.size() + 3) / 4 * 3)
            faults.add(caseName, QStringLiteral("base64"), QStringLiteral("%1 bytes from %2 characters").arg(decoded.size()).arg(text.size()));
        QImage image;
        step(faults, caseName, QStringLiteral("decode"), [&] { image = decodePicture(type, text); });
        if (!image.isNull()
            && (image.width() <= 0 || image.height() <= 0 || image.width() > MaxPictureSide || image.height() > MaxPictureSide))
            faults.add(caseName, QStringLiteral("decode"), QStringLiteral("picture of %1 x %2").arg(image.width()).arg(image.height()));
        if (pictureFormatOf(type).isEmpty() && !image.isNull())
            faults.add(caseName, QStringLiteral("decode"), QStringLiteral("picture from a type that names none"));
        if (faults.has(caseName))
            dumpInput(caseName, bytes);
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.summary()));
}

QTEST_MAIN(TestMalformed)
#include "test_malformed.moc"
