#include "template/templatemodel.h"

#include "platform/conversion.h"
#include "platform/textfile.h"
#include "register/registerdocument.h"
#include "register/registerformat.h"
#include "register/series.h"
#include "register/stripwalk.h"
#include "register/templates.h"

#include <algorithm>
#include <climits>

namespace tpl {

namespace {

constexpr int CellLines = regfmt::cell::TextArea + 4; // 19
constexpr int HeaderLines = regfmt::section::HeaderLines; // 6

Fixed4 fixedOr0(const QString &text)
{
    Fixed4 v;
    return Fixed4::tryParse(text, v) ? v : Fixed4();
}

MmRect rectAt(const QStringList &lines, int at)
{
    return {fixedOr0(lines.value(at)), fixedOr0(lines.value(at + 1)), fixedOr0(lines.value(at + 2)),
            fixedOr0(lines.value(at + 3))};
}

QStringList rectLines(const MmRect &r)
{
    return {r.x.toString(), r.y.toString(), r.width.toString(), r.height.toString()};
}

MmRect shifted(const MmRect &r, Fixed4 dx, Fixed4 dy)
{
    return {r.x + dx, r.y + dy, r.width, r.height};
}

const Fixed4 Half = Fixed4::fromRaw(5000);

// A moved position stays a number the file's reader takes back.
Fixed4 bounded(Fixed4 v)
{
    const Fixed4 limit = Fixed4::fromInt(Fixed4::MaxParsedUnits - 1);
    return std::clamp(v, -limit, limit);
}

} // namespace

// --- CellData ---

int CellData::keyNumber() const
{
    return parseIntOr(keyCode.left(3), 0);
}

int CellData::presetSize() const
{
    return parseIntOr(keyCode.mid(4, 2), 9);
}

QString CellData::presetText() const
{
    return keyCode.mid(6);
}

QString CellData::assignableCode(int number)
{
    return QStringLiteral("%1").arg(std::clamp(number, 1, 999), 3, 10, QLatin1Char('0'));
}

QString CellData::presetCode(int size, const QString &text)
{
    return QStringLiteral("000 %1").arg(std::clamp(size, 1, 99), 2, 10, QLatin1Char('0')) + text;
}

QStringList CellData::lines() const
{
    QStringList out = rectLines(keyBox) + rectLines(keyNumberBox);
    out << keyNumberFace << QString::number(keyNumberSize) << QString::number(keyNumberColour)
        << QString::number(keyNumberBold) << QString::number(keyNumberItalic) << QString::number(keyNumberAlignment)
        << keyCode;
    return out + rectLines(textArea);
}

CellData CellData::fromLines(const QStringList &lines)
{
    using namespace regfmt::cell;
    CellData d;
    d.keyBox = rectAt(lines, KeyBox);
    d.keyNumberBox = rectAt(lines, KeyNumberBox);
    d.keyNumberFace = lines.value(KeyNumberFace);
    d.keyNumberSize = parseIntOr(lines.value(KeyNumberSize), 0);
    d.keyNumberColour = parseIntOr(lines.value(KeyNumberColour), 0);
    d.keyNumberBold = parseIntOr(lines.value(KeyNumberBold), 0);
    d.keyNumberItalic = parseIntOr(lines.value(KeyNumberItalic), 0);
    d.keyNumberAlignment = parseIntOr(lines.value(KeyNumberAlignment), 0);
    d.keyCode = lines.value(KeyCode);
    d.textArea = rectAt(lines, TextArea);
    return d;
}

CellData CellData::key(Fixed4 x, Fixed4 y, Fixed4 width, Fixed4 height, int number)
{
    CellData d;
    d.keyBox = {x, y, width, height};
    // The key number in the key's top left corner, the text beside it.
    const Fixed4 side = std::min({Fixed4::fromInt(3), width / Fixed4::fromInt(3), height});
    d.keyNumberBox = {x, y, side, side};
    const Fixed4 gap = Fixed4::fromRaw(3000);
    const Fixed4 w = width - side - gap - gap, h = height - gap - gap;
    // A key too small for that keeps its whole box as text area.
    d.textArea = w > Fixed4() && h > Fixed4() ? MmRect{x + side + gap, y + gap, w, h} : MmRect{x, y, width, height};
    d.keyCode = assignableCode(number);
    return d;
}

// --- GridSpec ---

QString GridSpec::problem() const
{
    if (columns < 1 || rows < 1)
        return QStringLiteral("列と行の数は 1 以上にしてください。");
    if (qint64(columns) * rows > regfmt::MaxCells)
        return QStringLiteral("キーは %1 個までです。").arg(regfmt::MaxCells);
    if (keyWidth <= Fixed4() || keyHeight <= Fixed4())
        return QStringLiteral("キーの幅と高さは 0 より大きくしてください。");
    if ((columns > 1 && pitchX <= Fixed4()) || (rows > 1 && pitchY <= Fixed4()))
        return QStringLiteral("キーの間隔は 0 より大きくしてください。");
    if (firstNumber < 1 || firstNumber + columns * rows - 1 > 999)
        return QStringLiteral("キー番号は 1 から 999 までです。");
    return QString();
}

QList<CellData> GridSpec::cells() const
{
    QList<CellData> out;
    const int n = columns * rows;
    for (int i = 0; i < n; ++i) {
        const int col = downColumns ? i / rows : i % columns;
        const int row = downColumns ? i % rows : i / columns;
        out.append(CellData::key(firstX + pitchX * Fixed4::fromInt(col), firstY + pitchY * Fixed4::fromInt(row), keyWidth,
                                 keyHeight, firstNumber + i));
    }
    return out;
}

MmRect GridSpec::sectionAround(Fixed4 x, Fixed4 y) const
{
    const Fixed4 margin = Fixed4::fromRaw(15000);
    return {x, y, firstX + pitchX * Fixed4::fromInt(columns - 1) + keyWidth + margin,
            firstY + pitchY * Fixed4::fromInt(rows - 1) + keyHeight + margin};
}

// --- TemplateModel ---

TemplateModel::TemplateModel(QObject *parent) : QObject(parent)
{
    m_doc.history().setEnabled(true);
    newBlank(series::caption(0));
}

void TemplateModel::load(const QString &path)
{
    loadBytes(textfile::readBytes(path));
}

void TemplateModel::loadBytes(const QByteArray &bytes)
{
    RegisterLines lines = RegisterLines::fromBytes(bytes);
    reset(std::move(lines));
    m_saved = bytes;
    Q_EMIT changed();
}

void TemplateModel::loadLines(const QStringList &lines)
{
    reset(RegisterLines(lines));
    m_saved = bytes();
    Q_EMIT changed();
}

void TemplateModel::newBlank(const QString &seriesLine)
{
    loadLines({seriesLine, QStringLiteral("0")});
}

void TemplateModel::reset(RegisterLines lines)
{
    // A template whose counts cannot be read leaves the model as it was.
    RegisterLines before = m_doc.lines();
    m_doc.setLines(std::move(lines));
    try {
        reindex();
    } catch (const TavrelError &) {
        const QStringList text = m_doc.lines().toStringList();
        m_doc.setLines(std::move(before));
        reindex();
        m_doc.history().clear();
        for (const templates::Problem &p : templates::checkTemplate(text))
            if (p.isError())
                throw TavrelError(QStringLiteral("テンプレートを読めません。%1").arg(p.text()));
        throw TavrelError(QStringLiteral("テンプレートを読めません。"));
    }
    m_doc.history().clear();
}

void TemplateModel::reindex()
{
    std::vector<int> starts, counts;
    const int size = m_doc.lineCount();
    auto need = [&](int at) {
        if (at >= size)
            throw TavrelError(QStringLiteral("%1 行目がありません。").arg(at + 1));
    };
    need(1);
    const int sections = parseInt(m_doc.line(1), 1);
    if (sections < 0)
        throw TavrelError(QStringLiteral("区画の数が負です。"));
    int p = 2;
    for (int s = 0; s < sections; ++s) {
        need(p + HeaderLines - 1);
        const int cells = parseInt(m_doc.line(p + regfmt::section::CellCount), p + regfmt::section::CellCount);
        if (cells < 0 || cells > (size - p) / CellLines)
            throw TavrelError(QStringLiteral("%1 行目のセルの数が合いません。").arg(p + regfmt::section::CellCount + 1));
        starts.push_back(p);
        counts.push_back(cells);
        p += HeaderLines + cells * CellLines;
        if (p > size)
            throw TavrelError(QStringLiteral("ファイルが途中で終わっています。"));
    }
    m_sectionLines = std::move(starts);
    m_cellCounts = std::move(counts);
}

QByteArray TemplateModel::bytes() const
{
    return m_doc.lines().encode();
}

void TemplateModel::markSaved()
{
    m_saved = bytes();
}

bool TemplateModel::isModified() const
{
    return bytes() != m_saved;
}

void TemplateModel::edited()
{
    if (m_stepDepth > 0) {
        m_pendingChange = true;
        return;
    }
    Q_EMIT changed();
}

TemplateModel::Step::Step(TemplateModel &model, const QString &name) : m_model(model), m_step(model.m_doc, name)
{
    ++m_model.m_stepDepth;
}

TemplateModel::Step::~Step()
{
    if (--m_model.m_stepDepth == 0 && m_model.m_pendingChange) {
        m_model.m_pendingChange = false;
        Q_EMIT m_model.changed();
    }
}

void TemplateModel::replace(int at, int removed, const QStringList &texts)
{
    if (removed == int(texts.size())) {
        for (int i = 0; i < removed; ++i)
            m_doc.setLine(at + i, texts.at(i));
    } else {
        if (removed > 0)
            m_doc.removeLines(at, removed);
        if (!texts.isEmpty())
            m_doc.insertLines(at, texts);
    }
}

void TemplateModel::setLine(int at, const QString &text)
{
    if (m_doc.line(at) == text)
        return;
    m_doc.setLine(at, text);
}

void TemplateModel::setRect(int at, const MmRect &rect)
{
    // Only the numbers that change are written, so the others keep their text.
    const QStringList old = m_doc.lines().mid(at, 4);
    const MmRect was = rectAt(old, 0);
    const Fixed4 *now[] = {&rect.x, &rect.y, &rect.width, &rect.height};
    const Fixed4 *before[] = {&was.x, &was.y, &was.width, &was.height};
    for (int k = 0; k < 4; ++k) {
        Fixed4 parsed;
        if (*now[k] != *before[k] || !Fixed4::tryParse(old.at(k), parsed))
            setLine(at + k, now[k]->toString());
    }
}

void TemplateModel::undo()
{
    m_doc.undo();
    reindex();
    Q_EMIT changed();
}

void TemplateModel::redo()
{
    m_doc.redo();
    reindex();
    Q_EMIT changed();
}

void TemplateModel::setSeriesLine(const QString &line)
{
    RegisterLines::requireSingleLine(line);
    Step step(*this, QStringLiteral("シリーズの変更"));
    setLine(0, line);
    edited();
}

QList<int> TemplateModel::offeredSeries() const
{
    QList<int> out;
    const QString line = seriesLine();
    for (int s = 0; s < series::Count; ++s)
        if (line.contains(series::caption(s)))
            out.append(s);
    return out;
}

void TemplateModel::setOfferedSeries(const QList<int> &seriesIndexes)
{
    if (offeredSeries() == seriesIndexes)
        return;
    setSeriesLine(seriesLineFor(seriesIndexes));
}

int TemplateModel::totalCells() const
{
    int n = 0;
    for (int c : m_cellCounts)
        n += c;
    return n;
}

QList<CellRef> TemplateModel::allCells() const
{
    QList<CellRef> out;
    for (int s = 0; s < sectionCount(); ++s)
        for (int c = 0; c < cellCount(s); ++c)
            out.append({s, c});
    return out;
}

int TemplateModel::cellLine(CellRef ref) const
{
    return sectionLine(ref.section) + HeaderLines + ref.cell * CellLines;
}

int TemplateModel::flatIndex(CellRef ref) const
{
    int n = ref.cell;
    for (int s = 0; s < ref.section; ++s)
        n += cellCount(s);
    return n;
}

CellRef TemplateModel::refOfFlat(int index) const
{
    for (int s = 0; s < sectionCount(); ++s) {
        if (index < cellCount(s))
            return {s, index};
        index -= cellCount(s);
    }
    return {-1, -1};
}

bool TemplateModel::isValid(CellRef ref) const
{
    return ref.section >= 0 && ref.section < sectionCount() && ref.cell >= 0 && ref.cell < cellCount(ref.section);
}

bool TemplateModel::keyNumbersShown(int section) const
{
    return parseIntOr(m_doc.line(sectionLine(section) + regfmt::section::KeyNumberFlag), 1) != 0;
}

MmRect TemplateModel::sectionRect(int section) const
{
    return rectAt(m_doc.lines().mid(sectionLine(section) + regfmt::section::OriginX, 4), 0);
}

CellData TemplateModel::cell(CellRef ref) const
{
    return CellData::fromLines(m_doc.lines().mid(cellLine(ref), CellLines));
}

MmRect TemplateModel::sheetKeyBox(CellRef ref) const
{
    const MmRect s = sectionRect(ref.section);
    return shifted(cell(ref).keyBox, s.x, s.y);
}

void TemplateModel::setSectionRect(int section, const MmRect &rect)
{
    Step step(*this, QStringLiteral("区画の変更"));
    setRect(sectionLine(section) + regfmt::section::OriginX, rect);
    edited();
}

void TemplateModel::setKeyNumbersShown(int section, bool shown)
{
    if (keyNumbersShown(section) == shown)
        return;
    Step step(*this, QStringLiteral("キー番号の表示"));
    setLine(sectionLine(section) + regfmt::section::KeyNumberFlag, shown ? QStringLiteral("1") : QStringLiteral("0"));
    edited();
}

void TemplateModel::setCell(CellRef ref, const CellData &data)
{
    const CellData was = cell(ref);
    if (was == data)
        return;
    using namespace regfmt::cell;
    Step step(*this, QStringLiteral("セルの変更"));
    const int at = cellLine(ref);
    setRect(at + KeyBox, data.keyBox);
    setRect(at + KeyNumberBox, data.keyNumberBox);
    setRect(at + TextArea, data.textArea);
    const QStringList now = data.lines();
    for (int k = KeyNumberFace; k <= KeyCode; ++k) {
        // A number line keeps its text while its value stays.
        if (k != KeyNumberFace && k != KeyCode && parseIntOr(m_doc.line(at + k), INT_MIN) == now.at(k).toInt())
            continue;
        if (k == KeyCode || k == KeyNumberFace)
            RegisterLines::requireSingleLine(now.at(k));
        setLine(at + k, now.at(k));
    }
    edited();
}

int TemplateModel::addSection(const MmRect &rect, bool shown)
{
    Step step(*this, QStringLiteral("区画の追加"));
    const int at = sectionCount() == 0 ? 2 : cellLine({sectionCount() - 1, cellCount(sectionCount() - 1)});
    QStringList lines{shown ? QStringLiteral("1") : QStringLiteral("0")};
    lines += rectLines(rect);
    lines << QStringLiteral("0");
    replace(at, 0, lines);
    setLine(1, QString::number(sectionCount() + 1));
    reindex();
    edited();
    return sectionCount() - 1;
}

void TemplateModel::removeSection(int section)
{
    Step step(*this, QStringLiteral("区画の削除"));
    const int at = sectionLine(section);
    replace(at, HeaderLines + cellCount(section) * CellLines, {});
    setLine(1, QString::number(sectionCount() - 1));
    reindex();
    edited();
}

QList<CellRef> TemplateModel::addCells(int section, const QList<CellData> &cells)
{
    QList<CellRef> refs;
    if (cells.isEmpty())
        return refs;
    Step step(*this, QStringLiteral("セルの追加"));
    const int first = cellCount(section);
    QStringList lines;
    for (const CellData &c : cells) {
        RegisterLines::requireSingleLine(c.keyCode);
        RegisterLines::requireSingleLine(c.keyNumberFace);
        lines += c.lines();
        refs.append({section, first + int(refs.size())});
    }
    replace(cellLine({section, first}), 0, lines);
    setLine(sectionLine(section) + regfmt::section::CellCount, QString::number(first + cells.size()));
    reindex();
    edited();
    return refs;
}

void TemplateModel::removeCells(QList<CellRef> refs)
{
    if (refs.isEmpty())
        return;
    std::sort(refs.begin(), refs.end());
    refs.erase(std::unique(refs.begin(), refs.end()), refs.end());
    Step step(*this, QStringLiteral("セルの削除"));
    // From the last, so that the lines of those still to go stay in place.
    for (auto it = refs.crbegin(); it != refs.crend(); ++it) {
        replace(cellLine(*it), CellLines, {});
        setLine(sectionLine(it->section) + regfmt::section::CellCount, QString::number(cellCount(it->section) - 1));
        m_cellCounts[size_t(it->section)] -= 1;
        for (size_t s = size_t(it->section) + 1; s < m_sectionLines.size(); ++s)
            m_sectionLines[s] -= CellLines;
    }
    reindex();
    edited();
}

void TemplateModel::moveCells(const QList<CellRef> &refs, Fixed4 dx, Fixed4 dy)
{
    if (refs.isEmpty() || (dx == Fixed4() && dy == Fixed4()))
        return;
    using namespace regfmt::cell;
    Step step(*this, QStringLiteral("セルの移動"));
    for (const CellRef &r : refs) {
        const int at = cellLine(r);
        const QStringList old = m_doc.lines().mid(at, CellLines);
        for (int box : {KeyBox, KeyNumberBox, TextArea}) {
            if (dx != Fixed4())
                setLine(at + box, bounded(fixedOr0(old.at(box)) + dx).toString());
            if (dy != Fixed4())
                setLine(at + box + 1, bounded(fixedOr0(old.at(box + 1)) + dy).toString());
        }
    }
    edited();
}

QList<CellRef> TemplateModel::duplicateCells(const QList<CellRef> &refs, Fixed4 dx, Fixed4 dy)
{
    QList<CellRef> out;
    Step step(*this, QStringLiteral("複製"));
    QList<std::pair<int, CellData>> copies;
    for (const CellRef &r : refs) {
        CellData d = cell(r);
        d.keyBox = shifted(d.keyBox, dx, dy);
        d.keyNumberBox = shifted(d.keyNumberBox, dx, dy);
        d.textArea = shifted(d.textArea, dx, dy);
        copies.append({r.section, d});
    }
    for (const auto &[section, data] : copies)
        out += addCells(section, {data});
    return out;
}

void TemplateModel::renumber(int first)
{
    Step step(*this, QStringLiteral("キー番号の振り直し"));
    int next = first;
    for (int s = 0; s < sectionCount(); ++s) {
        QList<std::pair<CellRef, CellData>> keys;
        for (int c = 0; c < cellCount(s); ++c)
            if (CellData d = cell({s, c}); d.isAssignable())
                keys.append({{s, c}, d});
        std::stable_sort(keys.begin(), keys.end(), [](const auto &a, const auto &b) {
            const MmRect &ra = a.second.keyBox, &rb = b.second.keyBox;
            // A row is the keys whose tops lie within half a millimetre.
            const Fixed4 dy = ra.y - rb.y;
            if (dy > Half || dy < -Half)
                return ra.y < rb.y;
            return ra.x < rb.x;
        });
        for (auto &[ref, data] : keys) {
            data.keyCode = CellData::assignableCode(next++) + data.keyCode.mid(3);
            setLine(cellLine(ref) + regfmt::cell::KeyCode, data.keyCode);
        }
    }
    edited();
}

// --- making templates ---

QString seriesLineFor(const QList<int> &seriesIndexes)
{
    QString line;
    for (int s : seriesIndexes)
        line += series::caption(s);
    return line;
}

QStringList templateFromEntry(const RegisterDocument &doc, int headerLine, const QString &seriesLine)
{
    const RegisterLines &lines = doc.lines();
    struct Collect : strip::StripVisitor
    {
        const RegisterLines &lines;
        QStringList out;
        explicit Collect(const RegisterLines &l) : lines(l) {}
        bool section(const strip::Section &s) override
        {
            out += lines.mid(s.line, HeaderLines);
            return true;
        }
        bool cell(const strip::Section &, const strip::Cell &c) override
        {
            out += lines.mid(c.line, CellLines);
            return true;
        }
    } collect(lines);
    const strip::WalkSummary r = strip::walkStrip(lines, headerLine, collect, strip::WalkGeometry::Skip);
    if (r.overLimit())
        throw TavrelError(strip::TooManyKeysMessage);
    return QStringList{seriesLine, lines.line(headerLine + regfmt::entry::SectionCount)} + collect.out;
}

QStringList previewRegister(const QStringList &templateLines, const QString &seriesCaption, const QString &stripType)
{
    const EntryHeader header{QString(), QString(), QString(), QString(), seriesCaption, stripType};
    QStringList out{RegisterDocument::VersionLine, QStringLiteral("1"), RegisterDocument::markerLine(1)};
    out += header.toLines();
    return out + templates::instantiateBody(templateLines, stripType, header, true);
}

QStringList gridTemplate(const GridSpec &grid, const QString &seriesLine, Fixed4 sectionX, Fixed4 sectionY,
                         bool keyNumbersShown)
{
    TemplateModel model;
    model.newBlank(seriesLine);
    const int s = model.addSection(grid.sectionAround(sectionX, sectionY), keyNumbersShown);
    model.addCells(s, grid.cells());
    return model.lines();
}

} // namespace tpl
