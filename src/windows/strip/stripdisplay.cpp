#include "windows/strip/stripdisplay.h"

#include "register/cellrecord.h"
#include "register/celltext.h"
#include "register/registerdocument.h"
#include "strip/cellrenderer.h"
#include "strip/cellselection.h"
#include "strip/colourline.h"
#include "windows/common/userdialogs.h"
#include "windows/strip/stripaccessible.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>

namespace {

constexpr int DetailView = 0;
constexpr int OverviewView = 1;

using strip::View;

// Restores updates of the strip area however a build ends.
struct UpdatesOff
{
    explicit UpdatesOff(QWidget *w) : w(w) { w->setUpdatesEnabled(false); }
    ~UpdatesOff() { w->setUpdatesEnabled(true); }
    QWidget *w;
};

} // namespace

StripSheet::StripSheet(QWidget *parent) : QWidget(parent)
{
    // Before anything asks for the sheet's interface (setting its name does).
    stripaccessible::install();
}

void StripSheet::paintEvent(QPaintEvent *event)
{
    if (!paintScene)
        return;
    QPainter p(this);
    paintScene(p, event->rect());
}

StripDisplay::CellCommands StripDisplay::allCellCommands()
{
    return CellCommands(0xFFFF);
}

StripDisplay::CellCommands StripDisplay::textCellCommands()
{
    return allCellCommands() & ~CellCommands(EditPicOff | PopupPicOff);
}

StripDisplay::CellCommands StripDisplay::pictureCellCommands()
{
    return CellCommands(EditPicOff | PopupPicOff);
}

StripDisplay::CellCommands StripDisplay::selectionCellCommands()
{
    return CellCommands(EditSelReset | EditDelete | EditFind | EditReplace | PopupDelete);
}

StripDisplay::StripDisplay(RegisterDocument &document, const Widgets &widgets, QObject *parent)
    : QObject(parent), m_doc(document), m_w(widgets), m_selection(new CellSelection(this))
{
    m_w.detailSheet->paintScene = [this](QPainter &p, const QRect &r) { paintView(View::Detail, p, r); };
    m_w.overviewSheet->paintScene = [this](QPainter &p, const QRect &r) { paintView(View::Overview, p, r); };
    m_w.detailSheet->setDisplay(this, View::Detail);
    m_w.overviewSheet->setDisplay(this, View::Overview);
    for (StripSheet *sheet : {m_w.detailSheet, m_w.overviewSheet}) {
        sheet->setAttribute(Qt::WA_OpaquePaintEvent);
        sheet->installEventFilter(this);
    }
    // Tab reaches the detail sheet, which then moves among the cells.
    m_w.detailSheet->setFocusPolicy(Qt::TabFocus);
    connect(m_selection, &CellSelection::selectionChanged, this, &StripDisplay::updateFrames);
    // A screen reader hears of the current cell and the selection in the
    // view that shows them.
    connect(m_selection, &CellSelection::currentChanged, this,
            [this](int cell) { stripaccessible::announceCurrent(activeSheet(), cell); });
    connect(m_selection, &CellSelection::selectionChanged, this,
            [this](const QList<int> &cells) { stripaccessible::announceSelection(activeSheet(), cells); });

    // Changes are noted as they come and drawn once they are complete: in
    // between, a record may be half written.
    RegisterEvents *events = m_doc.events();
    connect(events, &RegisterEvents::documentReset, this, [this] {
        if (!m_building)
            clearView();
    });
    connect(events, &RegisterEvents::linesEdited, this, &StripDisplay::noteEdit);
    // A header written in place: its six lines, when it is the shown entry's.
    connect(events, &RegisterEvents::headerChanged, this, [this](qint64 n) {
        if (n == m_shownEntry && m_shownHeader > 0)
            noteEdit(m_shownHeader, regfmt::entry::HeaderLines, regfmt::entry::HeaderLines);
    });
    connect(events, &RegisterEvents::changesApplied, this, &StripDisplay::followDocument);
}

StripDisplay::~StripDisplay() = default;

// ---------------------------------------------------------------- state

int StripDisplay::currentCell() const
{
    return m_selection->current();
}

bool StripDisplay::isAssignable(int cell) const
{
    return m_selection->isAssignable(cell);
}

int StripDisplay::commandCell() const
{
    return m_selection->commandCell();
}

bool StripDisplay::isSelected(int cell) const
{
    return m_selection->isSelected(cell);
}

int StripDisplay::selectedCount() const
{
    return m_selection->selectedCount();
}

QList<int> StripDisplay::selectedCells() const
{
    return m_selection->selected();
}

QString StripDisplay::captionText() const
{
    return m_w.caption->text();
}

QString StripDisplay::cellDescription(int index) const
{
    if (index < 0 || index >= m_scene.cellCount())
        return QString();
    const strip::StripScene::Item &item = m_scene.cell(index);
    QStringList words;
    const QString number = item.number[DetailView].text;
    if (!number.isEmpty())
        words << number;
    if (item.showsPicture)
        words << QStringLiteral("画像");
    else
        for (const QString &line : item.content.text)
            if (!line.isEmpty())
                words << line;
    return words.join(u' ');
}

QRect StripDisplay::cellRect(View view, int index) const
{
    if (index < 0 || index >= m_cellCount)
        return QRect();
    const int v = strip::StripScene::index(view);
    const CellElements &e = m_cells[size_t(index)];
    return m_selection->isAssignable(index) ? e.frameRect[v] : e.textRect[v].united(e.keyNumberRect[v]);
}

StripSheet *StripDisplay::activeSheet() const
{
    QScrollArea *view = visibleView();
    return view == m_w.detail ? m_w.detailSheet : view == m_w.overview ? m_w.overviewSheet : nullptr;
}

QScrollArea *StripDisplay::visibleView() const
{
    QWidget *page = m_w.views->currentWidget();
    if (page == m_w.detail)
        return m_w.detail;
    if (page == m_w.overview)
        return m_w.overview;
    return nullptr;
}

void StripDisplay::setMode(Mode mode)
{
    if (m_mode == mode)
        return;
    m_mode = mode;
    Q_EMIT modeChanged(mode);
}

void StripDisplay::setCellCommands(CellCommands commands)
{
    if (m_commands == commands)
        return;
    m_commands = commands;
    for (const auto &[action, command] : m_commandActions)
        if (action)
            action->setEnabled(commands.testFlag(command));
    Q_EMIT cellCommandsChanged(commands);
}

void StripDisplay::followCellCommand(QAction *action, CellCommand command)
{
    m_commandActions.emplace_back(action, command);
    action->setEnabled(m_commands.testFlag(command));
}

QScrollArea *StripDisplay::activeArea() const
{
    return m_mode == Mode::Detail ? m_w.detail : m_w.overview;
}

void StripDisplay::showView(QScrollArea *view)
{
    // Index 0 is the blank page shown when neither view is.
    if (view)
        m_w.views->setCurrentWidget(view);
    else
        m_w.views->setCurrentIndex(0);
}

// ---------------------------------------------------------------- painting

void StripDisplay::paintView(View view, QPainter &p, const QRect &exposed) const
{
    if (view == View::Overview) {
        m_scene.paint(p, view, exposed, [](int) { return 1; });
        return;
    }
    // A selected cell's detail frame has a 2-pixel outline; an edited cell
    // shows its editor in place of the frame.
    m_scene.paint(p, view, exposed, [this](int i) {
        if (i < m_cellCount && m_cells[size_t(i)].editorShown)
            return 0;
        return m_selection->isSelected(i) ? 2 : 1;
    });
}

void StripDisplay::updateCell(int cell)
{
    if (cell < 0 || cell >= m_cellCount)
        return;
    const CellElements &e = m_cells[size_t(cell)];
    m_w.detailSheet->update(e.frameRect[DetailView].united(e.textRect[DetailView]));
    m_w.overviewSheet->update(e.frameRect[OverviewView].united(e.textRect[OverviewView]));
}

void StripDisplay::updateFrames(const QList<int> &cells)
{
    for (int c : cells)
        if (c >= 0 && c < m_cellCount)
            m_w.detailSheet->update(m_cells[size_t(c)].frameRect[DetailView]);
}

// ---------------------------------------------------------------- hit test

StripDisplay::Hit StripDisplay::hitTest(View view, const QPoint &pos) const
{
    const int v = strip::StripScene::index(view);
    // Text areas lie above every frame and key number, later cells above
    // earlier ones.
    for (int i = m_cellCount - 1; i >= 0; --i) {
        const CellElements &e = m_cells[size_t(i)];
        if ((m_selection->isAssignable(i) || !e.blankKeyCode) && e.textRect[v].contains(pos))
            return {e.showsPicture ? Part::Picture : Part::Text, i};
    }
    for (int i = m_cellCount - 1; i >= 0; --i) {
        const CellElements &e = m_cells[size_t(i)];
        const bool frameShown = m_selection->isAssignable(i) && !(v == DetailView && e.editorShown);
        if (frameShown && e.frameRect[v].contains(pos))
            return {Part::Frame, i};
        if (e.keyNumberShown && e.keyNumberRect[v].contains(pos))
            return {Part::KeyNumber, i};
    }
    const QWidget *sheet = v == DetailView ? m_w.detailSheet : m_w.overviewSheet;
    return sheet->rect().contains(pos) ? Hit{Part::Sheet, -1} : Hit{};
}

// ---------------------------------------------------------------- clear, build

void StripDisplay::destroyElements()
{
    for (CellElements &c : m_cells)
        delete c.editor;
    m_cells.clear();
    // Kept until the next strip is built, which takes its sheets when they
    // are the same.
    m_previousScene = std::move(m_scene);
    m_scene = strip::StripScene();
    m_pressed = {};
}

void StripDisplay::clear()
{
    clearView();
    m_shownEntry = 0;
    m_shownHeader = 0;
}

void StripDisplay::clearView()
{
    UpdatesOff off(m_w.area);
    m_changed.clear();
    m_changedTooMuch = false;
    m_builtSections = 0;
    m_builtWhole = false;
    m_following = false;
    m_documentChanged = false;
    destroyElements();
    m_selection->reset({});
    stripaccessible::announceRebuilt(m_w.detailSheet);
    stripaccessible::announceRebuilt(m_w.overviewSheet);
    m_sectionRects.fill(strip::EdgeRect());
    setCellCommands(NoCellCommands);
    for (StripSheet *sheet : {m_w.detailSheet, m_w.overviewSheet}) {
        sheet->resize(0, 0);
        sheet->update();
    }
    m_cellCount = 0;
    m_toolbarInUse = false;
    m_modifierPress = false;
    m_w.caption->clear();
}

void StripDisplay::showEntry(int number)
{
    const int marker = number > 0 ? m_doc.findEntry(number) : -1;
    if (marker < 0) {
        clear();
        return;
    }
    m_shownEntry = number;
    m_shownHeader = marker + 1;
    showEntry();
}

void StripDisplay::showEntry()
{
    // Rebuilding shows the same entry: its number stays shown. A record that
    // cannot be read throws and leaves it 0, so that picking the row again
    // tries again.
    const int entry = m_shownEntry;
    const int header = m_shownHeader;
    clear();
    m_shownHeader = header;
    {
        // Lines cut to fit while the strip is built are no change to follow.
        struct Building
        {
            bool &flag;
            explicit Building(bool &f) : flag(f) { flag = true; }
            ~Building() { flag = false; }
        } building(m_building);
        buildEntry();
    }
    m_documentChanged = false;
    m_changed.clear();
    m_changedTooMuch = false;
    // A strip whose header cannot be read is not followed.
    m_following = m_shownHeader >= 1 && m_shownHeader + regfmt::entry::SectionCount < m_doc.lineCount();
    m_shownEntry = entry;
}

void StripDisplay::noteEdit(int at, int removed, int added)
{
    // Nothing shown, nothing to follow: imports and edits elsewhere cost
    // no bookkeeping.
    if (m_building || !m_following)
        return;
    m_documentChanged = true;
    if (m_changedTooMuch)
        return;
    // Ranges noted before follow the lines they cover.
    auto moved = [&](int p, bool end) {
        if (p <= at)
            return p;
        if (p >= at + removed)
            return p + added - removed;
        return end ? at + added : at;
    };
    if (added != removed)
        for (auto &r : m_changed) {
            r.first = moved(r.first, false);
            r.second = std::max(r.first, moved(r.second, true));
        }
    m_changed.emplace_back(at, at + added);
    // A change of thousands of places is drawn anew.
    constexpr size_t MaxRanges = 4096;
    m_changedTooMuch = m_changed.size() > MaxRanges;
}

bool StripDisplay::touched(int first, int end, bool endInclusive) const
{
    for (const auto &[a, b] : m_changed) {
        // A place where lines were taken out belongs to the lines before it:
        // inside a range, or at the end of one that asks for it.
        const bool meets = a == b ? a > first && (a < end || (endInclusive && a == end)) : a < end && b > first;
        if (meets)
            return true;
    }
    return false;
}

void StripDisplay::followDocument()
{
    if (!m_documentChanged || m_building || !m_following)
        return;
    m_documentChanged = false;
    // An entry whose lines moved (lines inserted or taken out above it) is
    // found again by its number; one that went is followed by whoever took
    // it out (the list shows another row).
    int h = m_shownHeader;
    if (h < 1 || h > m_doc.lineCount() || RegisterDocument::markerNumber(m_doc.lines().at(h - 1)) != m_shownEntry) {
        const int marker = m_shownEntry > 0 ? m_doc.findEntry(m_shownEntry) : -1;
        if (marker < 0) {
            m_changed.clear();
            return;
        }
        m_shownHeader = h = marker + 1;
    }
    // Where the sections and cells of the strip now lie: numbers, no text.
    struct Layout : strip::StripVisitor
    {
        std::vector<int> sections;
        std::vector<strip::Cell> cells;
        bool section(const strip::Section &s) override
        {
            sections.push_back(s.line);
            return true;
        }
        bool cell(const strip::Section &, const strip::Cell &c) override
        {
            cells.push_back(c);
            return true;
        }
    } now;
    try {
        const RegisterLines &lines = m_doc.lines();
        if (h + regfmt::entry::SectionCount >= lines.size())
            throw TavrelError(RegisterDocument::FormatErrorMessage);
        const regfmt::EntryLines entry(lines, h);
        const strip::WalkSummary walk = strip::walkStrip(lines, h, now, strip::WalkGeometry::Skip);
        using namespace regfmt::cell;
        // Another sheet, other sections, cells or key boxes: built anew.
        // Lines of the layout that were written (perhaps with what they
        // held) are compared through the scene, which knows what it laid
        // out.
        bool rebuild = m_changedTooMuch || !m_builtWhole || walk.stop != strip::WalkStop::Complete
                       || int(now.sections.size()) != m_builtSections || int(now.cells.size()) != m_cellCount
                       || entry.seriesCaption() != m_builtSeries || entry.stripType() != m_builtType;
        bool layoutWritten = touched(entry.sectionCountLine(), entry.sectionCountLine() + 1);
        for (size_t s = 0; !layoutWritten && s < now.sections.size(); ++s)
            layoutWritten = touched(now.sections[s], now.sections[s] + strip::SectionHeaderLines);
        for (size_t c = 0; !layoutWritten && c < now.cells.size(); ++c)
            layoutWritten = touched(now.cells[c].line, now.cells[c].line + Face);
        if (!rebuild && layoutWritten)
            rebuild = !m_scene.sameLayout(lines, h);
        if (rebuild) {
            showEntry();
            return;
        }
        if (touched(h, h + regfmt::entry::HeaderLines))
            refreshCaption();
        for (int i = 0; i < m_cellCount; ++i) {
            const strip::Cell &c = now.cells[size_t(i)];
            if (!touched(c.line + Face, c.line + FirstText + c.textLineCount, true)) {
                m_scene.moveCell(i, c.line); // moved with the lines above it, or not at all
                continue;
            }
            renderCellAt(i, c.line);
            // An open edit keeps its text and takes the new format.
            if (m_cells[size_t(i)].editorShown)
                restyleEditor(i);
            else
                reloadEditor(i);
        }
        m_changed.clear();
    } catch (const TavrelError &e) {
        // A record that no longer reads: said once; the strip stays as it
        // was drawn until the entry is shown again.
        m_changed.clear();
        m_following = false;
        UserDialogs::current().error(m_w.area, e.message());
    }
}

void StripDisplay::buildEntry()
{
    const int h = m_shownHeader;
    const RegisterLines &lines = m_doc.lines();
    const regfmt::EntryLines entry(lines, h);
    if (entry.sectionCount() > regfmt::MaxSections) {
        UserDialogs::current().error(m_w.area, strip::TooManyKeysMessage);
        return;
    }
    UpdatesOff off(m_w.area);
    showView(nullptr);
    m_geometry = strip::sheetGeometry(entry.seriesCaption(), entry.stripType());
    m_builtSeries = entry.seriesCaption();
    m_builtType = entry.stripType();
    m_scene = strip::StripScene(m_geometry);

    struct Builder : strip::StripVisitor
    {
        StripDisplay &d;
        explicit Builder(StripDisplay &d) : d(d) {}
        bool section(const strip::Section &s) override
        {
            d.m_scene.addSection(s);
            d.m_sectionRects[size_t(s.index)] = strip::sectionRect(s.rect, d.m_geometry.overview);
            return true;
        }
        bool cell(const strip::Section &s, const strip::Cell &c) override
        {
            d.m_scene.addKeyBox(s, c);
            d.buildCell(s, c);
            return true;
        }
    } builder(*this);

    // The sheets take their size before the cells, and the selection learns
    // the cells however the build ends, so that a build that stops half way
    // shows what it built.
    QWidget *sheets[2] = {m_w.detailSheet, m_w.overviewSheet};
    for (View v : {View::Detail, View::Overview})
        sheets[strip::StripScene::index(v)]->resize(m_scene.size(v));
    struct CellsOut
    {
        StripDisplay &d;
        bool done = false;
        void finish()
        {
            if (done)
                return;
            done = true;
            // The selection alone keeps which cells take text, as the
            // scene read them from the key codes.
            std::vector<bool> assignable;
            for (size_t i = 0; i < d.m_cells.size(); ++i)
                assignable.push_back(int(i) < d.m_scene.cellCount() && d.m_scene.cell(int(i)).assignable);
            d.m_selection->reset(assignable);
            d.m_w.detailSheet->update();
            d.m_w.overviewSheet->update();
            stripaccessible::announceRebuilt(d.m_w.detailSheet);
            stripaccessible::announceRebuilt(d.m_w.overviewSheet);
        }
        ~CellsOut() { finish(); }
    } cellsOut{*this};

    const strip::WalkSummary r = strip::walkStrip(lines, h, builder);
    m_builtSections = r.sectionsWalked;
    m_builtWhole = r.stop == strip::WalkStop::Complete;
    m_scene.shareSheets(m_previousScene);
    m_previousScene = strip::StripScene();
    cellsOut.finish();
    if (r.overLimit()) {
        UserDialogs::current().error(m_w.area, strip::TooManyKeysMessage);
        return; // the cells before the limit stay built; no view is shown
    }
    finish();
}

void StripDisplay::buildCell(const strip::Section &s, const strip::Cell &c)
{
    m_scene.addCell(m_doc.lines(), s, c);
    const strip::StripScene::Item &item = m_scene.cell(c.index);
    CellElements e;
    e.blankKeyCode = item.blankKeyCode;
    for (int v : {DetailView, OverviewView}) {
        e.textRect[v] = item.textArea[v];
        e.frameRect[v] = item.frame[v];
        e.keyNumberRect[v] = item.number[v].box;
        e.keyNumberShown = e.keyNumberShown || !item.number[v].box.isNull();
    }
    m_cells.push_back(e);
    m_cellCount = int(m_cells.size());
    prepareEditor(c.index, c.line);
}

void StripDisplay::prepareEditor(int index, int b)
{
    // Showing never changes the document: a stored line longer than 20
    // characters stays whole (the cell image shows its first 20). The editor
    // widget itself is made from the record when it is first needed
    // (editor()).
    strip::readTextFormat(m_doc.lines(), b);
    if (QPlainTextEdit *editor = m_cells[size_t(index)].editor)
        loadEditor(editor, b);
    renderCellAt(index, b);
}

void StripDisplay::styleEditor(QPlainTextEdit *editor, int b)
{
    const strip::TextFormat f = strip::readTextFormat(m_doc.lines(), b);
    QFont font(f.face);
    font.setPixelSize(strip::lineHeightPixels(f.pointSize));
    font.setBold(f.bold);
    font.setItalic(f.italic);
    editor->setFont(font);
    QPalette pal = editor->palette();
    pal.setColor(QPalette::Text, strip::toQColor(f.textColour));
    pal.setColor(QPalette::Base, strip::toQColor(f.background));
    editor->setPalette(pal);
}

void StripDisplay::loadEditor(QPlainTextEdit *editor, int b)
{
    styleEditor(editor, b);
    QString text;
    for (const QString &line : strip::readTextLines(m_doc.lines(), b))
        text += line + u'\n'; // the stored lines whole: the editor cuts nothing
    editor->setPlainText(text);
}

void StripDisplay::dropLoadedBreak(QPlainTextEdit *editor)
{
    QString text = editor->toPlainText();
    if (text.endsWith(u'\n')) {
        text.chop(1);
        editor->setPlainText(text);
    }
    editor->document()->setModified(false);
}

void StripDisplay::reloadEditor(int index)
{
    if (QPlainTextEdit *e = m_cells.at(size_t(index)).editor)
        loadEditor(e, strip::locateCell(m_doc.lines(), m_shownHeader, index));
}

void StripDisplay::restyleEditor(int index)
{
    if (QPlainTextEdit *e = m_cells.at(size_t(index)).editor)
        styleEditor(e, strip::locateCell(m_doc.lines(), m_shownHeader, index));
}

void StripDisplay::setEditorShown(int index, bool shown)
{
    CellElements &e = m_cells.at(size_t(index));
    QPlainTextEdit *ed = editor(index);
    e.editorShown = shown;
    if (shown) {
        ed->show();
        ed->raise();
    } else {
        ed->hide();
    }
    updateCell(index);
}

void StripDisplay::selectOnly(int cell)
{
    m_selection->selectOnly(cell);
}

void StripDisplay::selectAllCells()
{
    m_selection->selectAll();
}

void StripDisplay::selectCells(const QList<int> &cells)
{
    QList<int> valid;
    for (int c : cells)
        if (c >= 0 && c < m_cellCount)
            valid.append(c);
    if (valid.isEmpty())
        return;
    const int first = valid.constFirst();
    if (m_mode == Mode::Detail && cellShown(first)) {
        focusCell(first);
        positionScrolling(3, first);
    } else {
        m_selection->selectOnly(first);
    }
    makeCurrent(first);
    for (int c : valid)
        m_selection->select(c, true);
    if (valid.size() > 1) {
        m_toolbarInUse = true;
        setCellCommands(selectionCellCommands());
    }
}

void StripDisplay::makeCurrent(int cell)
{
    m_selection->setCurrent(cell);
}

QPlainTextEdit *StripDisplay::editor(int index)
{
    CellElements &e = m_cells.at(size_t(index));
    if (!e.editor) {
        auto *editor = new QPlainTextEdit(m_w.detailSheet);
        editor->hide();
        editor->setLineWrapMode(QPlainTextEdit::NoWrap);
        editor->setFrameShape(QFrame::NoFrame);
        editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        editor->raise();
        e.editor = editor;
        loadEditor(editor, strip::locateCell(m_doc.lines(), m_shownHeader, index));
        placeEditor(e);
    }
    return e.editor;
}

void StripDisplay::placeEditor(CellElements &e)
{
    if (!e.editor)
        return;
    const QRect r = e.frameRect[DetailView];
    e.editor->setGeometry(r.x(), r.y(), e.showsPicture ? 0 : r.width(), r.height());
}

void StripDisplay::renderCell(int index)
{
    renderCellAt(index, strip::locateCell(m_doc.lines(), m_shownHeader, index));
}

void StripDisplay::renderCellAt(int index, int record)
{
    CellElements &e = m_cells[size_t(index)];
    m_scene.renderCell(m_doc.lines(), index, record);
    e.showsPicture = m_scene.cell(index).showsPicture;
    placeEditor(e);
    updateCell(index);
}

void StripDisplay::refreshCaption()
{
    const int h = m_shownHeader;
    if (h < 1 || h + regfmt::entry::StripType >= m_doc.lineCount())
        return;
    const regfmt::EntryLines entry(m_doc.lines(), h);
    m_w.caption->setText(QStringLiteral("内線：") + entry.extension() + QStringLiteral(" 電話機のタイプ：")
                         + entry.stripType() + QStringLiteral(" 使用者名：") + entry.userName());
}

void StripDisplay::finish()
{
    refreshCaption();
    if (m_cellCount > 0) {
        m_selection->setCurrent(0);
        if (m_mode == Mode::Detail) {
            showView(m_w.detail);
            positionScrolling(3, 0);
            setCellCommands(allCellCommands());
        } else {
            showView(m_w.overview);
            positionScrolling(3, 0);
        }
    } else {
        showView(nullptr);
    }
}

// ---------------------------------------------------------------- selection

bool StripDisplay::cellShown(int cell) const
{
    return isAssignable(cell) && m_w.detailSheet->isVisible();
}

void StripDisplay::focusCell(int cell)
{
    // Other cells are never entered.
    if (!cellShown(cell))
        return;
    // The editor, if one is open, loses the focus and ends its edit first.
    m_w.detailSheet->setFocus(Qt::OtherFocusReason);
    enterCell(cell);
}

void StripDisplay::focusStripThenCurrent()
{
    // Ends an edit; re-entering the current cell makes it the only
    // selected cell.
    m_w.area->setFocus(Qt::OtherFocusReason);
    if (m_mode == Mode::Detail)
        focusCell(currentCell());
}

void StripDisplay::enterCell(int cell)
{
    m_toolbarInUse = false;
    setCellCommands(allCellCommands());
    m_selection->enter(cell);
}

void StripDisplay::tabToCell(bool backward)
{
    // Tab and Shift+Tab go round the assignable keys in cell order.
    const int from = currentCell();
    for (int step = 1; step <= m_cellCount; ++step) {
        const int next = ((from + (backward ? -step : step)) % m_cellCount + m_cellCount) % m_cellCount;
        if (cellShown(next)) {
            enterCell(next);
            const QRect r = m_cells[size_t(next)].textRect[DetailView];
            m_w.detail->ensureVisible(r.center().x(), r.center().y(), r.width() / 2, r.height() / 2);
            return;
        }
    }
}

void StripDisplay::commitPendingEdit()
{
    if (m_cellCount == 0 || m_mode != Mode::Detail)
        return;
    focusStripThenCurrent();
}

// ---------------------------------------------------------------- pointer rules

void StripDisplay::textPress(int cell, QMouseEvent *event)
{
    m_modifierPress = false;
    if (!(event->buttons() & Qt::LeftButton)) {
        textClick(cell);
        if (m_w.textPopup)
            m_w.textPopup->popup(event->globalPosition().toPoint());
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::AltModifier)
        return;
    if (mods & Qt::ShiftModifier) {
        m_modifierPress = true;
        focusStripThenCurrent();
        m_selection->selectRange(currentCell(), cell);
    } else if (mods & Qt::ControlModifier) {
        m_modifierPress = true;
        focusStripThenCurrent();
        if (isSelected(cell) && selectedCount() == 1)
            return;
        m_selection->select(cell, !isSelected(cell));
    } else {
        return;
    }
    const QList<int> selected = selectedCells();
    if (selected.size() > 1) {
        setCellCommands(selectionCellCommands());
    } else if (selected.size() == 1) {
        setCellCommands(textCellCommands());
        m_selection->setCurrent(selected.constFirst());
    }
}

void StripDisplay::textClick(int cell)
{
    if (!m_modifierPress)
        focusCell(cell);
    setCellCommands(textCellCommands());
}

void StripDisplay::picturePress(int cell, QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        return;
    pictureClick(cell);
    if (m_w.picturePopup)
        m_w.picturePopup->popup(event->globalPosition().toPoint());
}

void StripDisplay::pictureClick(int cell)
{
    if (!m_modifierPress)
        focusCell(cell);
    setCellCommands(pictureCellCommands());
}

void StripDisplay::sheetClick(bool detail)
{
    m_w.area->setFocus(Qt::OtherFocusReason);
    if (detail)
        focusCell(currentCell());
}

void StripDisplay::overviewSheetDoubleClick(const QPoint &pos)
{
    if (m_mode != Mode::Overview || m_cellCount == 0)
        return;
    const Fixed4 x = Fixed4::fromInt(pos.x()), y = Fixed4::fromInt(pos.y());
    for (int k = 0; k < regfmt::MaxSections; ++k) {
        const strip::EdgeRect &r = m_sectionRects[size_t(k)];
        if (r.left == Fixed4() && r.right == Fixed4())
            return;
        if (x < r.left || x > r.right || y < r.top || y > r.bottom)
            continue;
        const int first = strip::firstCellOfSection(m_doc.lines(), m_shownHeader, k);
        if (first < m_cellCount) {
            openCellInDetail(first);
            focusCell(first);
            return;
        }
    }
}

bool StripDisplay::pointerEvent(View view, QMouseEvent *me)
{
    const bool detail = view == View::Detail;
    const Hit hit = hitTest(view, me->position().toPoint());
    // Only the text and picture of an assignable key react (and, in the
    // overview, its key number); frames, key numbers and other cells take
    // the event without reacting. The sheet reacts to its own clicks.
    const bool live = hit.cell >= 0 && isAssignable(hit.cell)
                      && (hit.part == Part::Text || hit.part == Part::Picture
                          || (!detail && hit.part == Part::KeyNumber));
    const Hit target = live || hit.part == Part::Sheet ? hit : Hit{Part::None, hit.cell};
    switch (me->type()) {
    case QEvent::MouseButtonPress:
        m_pressed = target;
        if (detail && live && hit.part == Part::Text)
            textPress(hit.cell, me);
        else if (detail && live && hit.part == Part::Picture)
            picturePress(hit.cell, me);
        return hit.part != Part::Sheet;
    case QEvent::MouseButtonRelease: {
        const bool click = m_pressed == target && target.part != Part::None && me->button() == Qt::LeftButton;
        m_pressed = {};
        if (click) {
            if (detail && target.part == Part::Text)
                textClick(target.cell);
            else if (detail && target.part == Part::Picture)
                pictureClick(target.cell);
            else if (target.part == Part::Sheet)
                sheetClick(detail);
        }
        return true;
    }
    case QEvent::MouseButtonDblClick:
        // The release that ends a double-click is no click: it would move
        // the focus back from the editor that the double-click opened.
        m_pressed = {};
        if (detail && live && hit.part == Part::Text) {
            if (!m_modifierPress)
                Q_EMIT editRequested(hit.cell);
            textPress(hit.cell, me); // the second press of a double-click
        } else if (detail && live && hit.part == Part::Picture) {
            Q_EMIT attachPictureRequested(currentCell());
        } else if (!detail && live && m_mode == Mode::Overview && me->button() == Qt::LeftButton) {
            openCellInDetail(hit.cell);
            focusCell(hit.cell);
        } else if (!detail && hit.part == Part::Sheet && me->button() == Qt::LeftButton) {
            overviewSheetDoubleClick(me->position().toPoint());
        }
        return true;
    default:
        return false;
    }
}

bool StripDisplay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_w.detailSheet && watched != m_w.overviewSheet)
        return QObject::eventFilter(watched, event);
    const View view = watched == m_w.detailSheet ? View::Detail : View::Overview;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return pointerEvent(view, static_cast<QMouseEvent *>(event));
    case QEvent::ContextMenu: {
        // The cells' own menus open on the press.
        const Hit hit = hitTest(view, static_cast<QContextMenuEvent *>(event)->pos());
        return hit.part != Part::Sheet;
    }
    case QEvent::KeyPress: {
        auto *ke = static_cast<QKeyEvent *>(event);
        const bool backward = ke->key() == Qt::Key_Backtab
                              || (ke->key() == Qt::Key_Tab && (ke->modifiers() & Qt::ShiftModifier));
        if (view != View::Detail || (ke->key() != Qt::Key_Tab && ke->key() != Qt::Key_Backtab)
            || (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            return false;
        tabToCell(backward);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

// ---------------------------------------------------------------- views

void StripDisplay::openCellInDetail(int cell)
{
    setMode(Mode::Detail);
    showView(m_w.detail);
    setCellCommands(allCellCommands());
    m_selection->clear();
    positionScrolling(3, cell);
    m_selection->setCurrent(cell);
}

void StripDisplay::showDetail()
{
    if (m_mode == Mode::Detail)
        return;
    setMode(Mode::Detail);
    if (m_cellCount > 0) {
        openCellInDetail(0);
        m_w.area->setFocus(Qt::OtherFocusReason);
        focusCell(0);
    }
}

void StripDisplay::showOverview()
{
    m_w.area->setFocus(Qt::OtherFocusReason);
    if (m_mode == Mode::Overview)
        return;
    if (m_cellCount > 0) {
        focusStripThenCurrent();
        setMode(Mode::Overview);
        m_w.area->setFocus(Qt::OtherFocusReason);
        showView(m_w.overview);
        setCellCommands(NoCellCommands);
        positionScrolling(3, 0);
    } else {
        setMode(Mode::Overview);
    }
}

void StripDisplay::positionScrolling(int kind, int cell)
{
    QScrollArea *area = activeArea();
    if (visibleView() != area)
        return;
    QWidget *content = area->widget();
    if (kind == 1 || kind == 3) {
        const int x = (content->width() - area->viewport()->width()) / 2;
        area->horizontalScrollBar()->setValue(std::max(0, x));
    }
    if (kind == 2 || kind == 3) {
        // Half the content height; the scroll bar limits it to its maximum.
        area->verticalScrollBar()->setValue(cell < m_cellCount / 2 ? 0 : content->height() / 2);
    }
}
