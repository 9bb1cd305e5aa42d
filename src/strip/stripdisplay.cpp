#include "strip/stripdisplay.h"

#include "platform/userdialogs.h"
#include "register/registerdocument.h"
#include "strip/cellrecord.h"
#include "strip/cellrenderer.h"
#include "strip/celltext.h"
#include "strip/colourline.h"
#include "strip/stripimage.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>

namespace {

constexpr int DetailView = 0;
constexpr int OverviewView = 1;

// What an element is, for the event filter.
enum Role {
    DetailText = 1,
    DetailPicture,
    DetailArea,
    OverviewText,
    OverviewPicture,
    OverviewNumber,
    DetailSheet,
    OverviewSheet,
    Inert, // elements that take no part in the pointer rules
};
const char *const RoleProperty = "stripRole";
const char *const CellProperty = "stripCell";

void tag(QWidget *w, Role role, int cell = -1)
{
    w->setProperty(RoleProperty, int(role));
    w->setProperty(CellProperty, cell);
}

// The selection frame: white with a black outline of 1 pixel, 2 when the
// cell is selected.
class CellFrame : public QWidget
{
public:
    using QWidget::QWidget;
    void setOutline(int width)
    {
        if (m_outline != width) {
            m_outline = width;
            update();
        }
    }
    int outline() const { return m_outline; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        p.fillRect(rect().adjusted(m_outline, m_outline, -m_outline, -m_outline), Qt::white);
    }

private:
    int m_outline = 1;
};

CellFrame *frameOf(QWidget *w)
{
    return static_cast<CellFrame *>(w);
}

strip::View viewOf(int v)
{
    return v == DetailView ? strip::View::Detail : strip::View::Overview;
}

// Restores updates of the strip area however a build ends.
struct UpdatesOff
{
    explicit UpdatesOff(QWidget *w) : w(w) { w->setUpdatesEnabled(false); }
    ~UpdatesOff() { w->setUpdatesEnabled(true); }
    QWidget *w;
};

} // namespace

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
    : QObject(parent), m_doc(document), m_w(widgets)
{
    tag(m_w.detailSheet, DetailSheet);
    tag(m_w.overviewSheet, OverviewSheet);
    m_w.detailSheet->installEventFilter(this);
    m_w.overviewSheet->installEventFilter(this);
}

StripDisplay::~StripDisplay() = default;

// ---------------------------------------------------------------- state

bool StripDisplay::isAssignable(int cell) const
{
    return cell >= 0 && cell < m_cellCount && m_cells[size_t(cell)].assignable;
}

int StripDisplay::commandCell() const
{
    return isAssignable(m_currentCell) ? m_currentCell : -1;
}

bool StripDisplay::isSelected(int cell) const
{
    return cell >= 0 && cell < MaxCells && m_selected[size_t(cell)] > 0;
}

int StripDisplay::selectedCount() const
{
    int n = 0;
    for (int i = 0; i < m_cellCount; ++i)
        n += m_selected[size_t(i)] > 0;
    return n;
}

QList<int> StripDisplay::selectedCells() const
{
    QList<int> out;
    for (int i = 0; i < m_cellCount; ++i)
        if (m_selected[size_t(i)] > 0)
            out.append(i);
    return out;
}

QString StripDisplay::captionText() const
{
    return m_w.caption->text();
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
    Q_EMIT cellCommandsChanged(commands);
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

// ---------------------------------------------------------------- clear, build

void StripDisplay::destroyElements()
{
    for (CellElements &c : m_cells) {
        for (int v : {DetailView, OverviewView}) {
            delete c.keyNumber[v];
            delete c.textArea[v]; // with its picture and text images
            delete c.frame[v];
        }
        delete c.editor;
    }
    m_cells.clear();
    m_pressed = nullptr;
}

void StripDisplay::clear()
{
    UpdatesOff off(m_w.area);
    destroyElements();
    m_selected.fill(0);
    m_sectionRects.fill(strip::EdgeRect());
    setCellCommands(NoCellCommands);
    for (QLabel *sheet : {m_w.detailSheet, m_w.overviewSheet}) {
        sheet->setPixmap(QPixmap());
        sheet->resize(0, 0);
    }
    m_cellCount = 0;
    m_currentCell = 0;
    m_doc.setCurrentEntryNumber(0);
    m_toolbarInUse = false;
    m_modifierPress = false;
    m_w.caption->clear();
}

void StripDisplay::showEntry()
{
    // Rebuilding shows the same entry: its number stays current. A record
    // that cannot be read throws and leaves it 0, so that picking the row
    // again tries again.
    const int entry = m_doc.currentEntryNumber();
    clear();
    buildEntry();
    m_doc.setCurrentEntryNumber(entry);
}

void StripDisplay::buildEntry()
{
    const int h = m_doc.currentHeaderLine();
    const RegisterLines &lines = m_doc.lines();
    if (m_doc.intAt(h + 6) > MaxSections) {
        UserDialogs::current().error(m_w.area, strip::TooManyKeysMessage);
        return;
    }
    UpdatesOff off(m_w.area);
    showView(nullptr);
    m_geometry = strip::sheetGeometry(m_doc.line(h + 4), m_doc.line(h + 5));
    strip::SheetPainter painter(m_geometry);

    struct Builder : strip::StripVisitor
    {
        StripDisplay &d;
        strip::SheetPainter &painter;
        Builder(StripDisplay &d, strip::SheetPainter &p) : d(d), painter(p) {}
        bool section(const strip::Section &s) override
        {
            painter.drawSection(s);
            d.m_sectionRects[size_t(s.index)] = strip::sectionRect(s.rect, d.m_geometry.overview);
            return true;
        }
        bool cell(const strip::Section &s, const strip::Cell &c) override
        {
            painter.drawKeyBox(s, c);
            d.buildCell(s, c);
            return true;
        }
    } builder(*this, painter);

    // The sheets are put in place before the cells so that a build that
    // stops half way leaves what it built on its sheet.
    const strip::ViewScales *scales[2] = {&m_geometry.detail, &m_geometry.overview};
    QLabel *sheets[2] = {m_w.detailSheet, m_w.overviewSheet};
    for (int v : {DetailView, OverviewView})
        sheets[v]->resize(scales[v]->pixelWidth, scales[v]->pixelHeight);
    struct SheetsOut
    {
        QLabel **sheets;
        strip::SheetPainter &painter;
        ~SheetsOut()
        {
            sheets[DetailView]->setPixmap(QPixmap::fromImage(painter.image(strip::View::Detail)));
            sheets[OverviewView]->setPixmap(QPixmap::fromImage(painter.image(strip::View::Overview)));
        }
    } sheetsOut{sheets, painter};

    const strip::WalkSummary r = strip::walkStrip(lines, h, builder);
    // Text areas lie above the frames and key numbers of every cell, the
    // editors above everything.
    for (CellElements &c : m_cells) {
        c.textArea[DetailView]->raise();
        c.textArea[OverviewView]->raise();
    }
    if (r.overLimit()) {
        UserDialogs::current().error(m_w.area, strip::TooManyKeysMessage);
        return; // the cells before the limit stay built; no view is shown
    }
    finish();
}

void StripDisplay::buildCell(const strip::Section &s, const strip::Cell &c)
{
    const RegisterLines &lines = m_doc.lines();
    const int b = c.line;
    const QString &keyCode = strip::lineAt(lines, b + strip::cellline::KeyCode);
    CellElements e;
    e.assignable = strip::isAssignableKey(keyCode);
    e.blankKeyCode = strip::isBlankKeyCode(keyCode);
    e.keyNumberShown = strip::keyNumberOf(keyCode) > 0 && s.keyNumberFlag != 0;
    const int index = c.index;
    QLabel *sheets[2] = {m_w.detailSheet, m_w.overviewSheet};

    for (int v : {DetailView, OverviewView}) {
        const strip::View view = viewOf(v);
        const strip::CellRects rects = strip::cellRects(s.rect, c.mm, m_geometry.view(view));
        e.textRect[v] = rects.textArea;
        e.frameRect[v] = rects.frame;

        // Only elements that can ever show are created: a key number that
        // is hidden and the frame of a cell that is no assignable key stay
        // hidden for as long as the strip is shown.
        if (e.keyNumberShown) {
            // Drawn once by the renderer into a transparent label.
            auto *number = new QLabel(sheets[v]);
            number->setGeometry(rects.keyNumberBox);
            number->setAttribute(Qt::WA_TranslucentBackground);
            if (rects.keyNumberBox.width() > 0 && rects.keyNumberBox.height() > 0) {
                QImage img(rects.keyNumberBox.size(), QImage::Format_ARGB32_Premultiplied);
                img.fill(Qt::transparent);
                QPainter p(&img);
                p.translate(-rects.keyNumberBox.topLeft());
                strip::drawKeyNumber(p, lines, s, c, m_geometry, view);
                p.end();
                number->setPixmap(QPixmap::fromImage(img));
            }
            number->show();
            tag(number, v == OverviewView && e.assignable ? OverviewNumber : Inert, index);
            number->installEventFilter(this);
            e.keyNumber[v] = number;
        } else {
            // The record's key-number lines are read (and checked) either way.
            QPainter idle; // not drawn on: the number is 0 or the section hides it
            strip::drawKeyNumber(idle, lines, s, c, m_geometry, view);
        }

        if (e.assignable) {
            auto *frame = new CellFrame(sheets[v]);
            frame->setGeometry(rects.frame);
            frame->show();
            tag(frame, Inert, index);
            frame->installEventFilter(this);
            e.frame[v] = frame;
        }

        auto *area = new QWidget(sheets[v]);
        area->setGeometry(rects.textArea);
        if (v == OverviewView) {
            area->setAutoFillBackground(true);
            QPalette pal = area->palette();
            pal.setColor(QPalette::Window, Qt::white);
            area->setPalette(pal);
        }
        area->setVisible(e.assignable || !e.blankKeyCode);
        area->setFocusPolicy(v == DetailView && e.assignable ? Qt::TabFocus : Qt::NoFocus);
        tag(area, v == DetailView ? DetailArea : Inert, index);
        area->installEventFilter(this);
        e.textArea[v] = area;

        // The picture image is made when the cell first shows a picture.
        auto *text = new QLabel(area);
        text->setGeometry(0, 0, rects.textArea.width(), rects.textArea.height());
        tag(text, !e.assignable ? Inert : v == DetailView ? DetailText : OverviewText, index);
        text->installEventFilter(this);
        if (v == DetailView && e.assignable)
            text->setContextMenuPolicy(Qt::PreventContextMenu);
        e.text[v] = text;
    }

    m_cells.push_back(e);
    m_cellCount = int(m_cells.size());
    prepareEditor(index, b);
}

void StripDisplay::prepareEditor(int index, int b)
{
    // Text lines hold at most 20 characters; longer ones are cut in the
    // document as soon as the strip is shown. The editor widget itself is
    // made from the record when it is first needed (editor()).
    const RegisterLines &lines = m_doc.lines();
    strip::readTextFormat(lines, b);
    for (int j = 0; j < strip::intLineAt(lines, b + strip::cellline::TextCount); ++j) {
        const int at = b + strip::cellline::FirstText + j;
        const QString cut = strip::cutTextLine(strip::lineAt(lines, at));
        if (cut != lines.at(at))
            m_doc.trimLine(at, cut);
    }
    if (QPlainTextEdit *editor = m_cells[size_t(index)].editor)
        loadEditor(editor, b);
    renderCell(index);
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
        text += strip::cutTextLine(line) + u'\n';
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
        loadEditor(e, strip::locateCell(m_doc.lines(), m_doc.currentHeaderLine(), index));
}

void StripDisplay::restyleEditor(int index)
{
    if (QPlainTextEdit *e = m_cells.at(size_t(index)).editor)
        styleEditor(e, strip::locateCell(m_doc.lines(), m_doc.currentHeaderLine(), index));
}

void StripDisplay::setEditorShown(int index, bool shown)
{
    CellElements &e = m_cells.at(size_t(index));
    QPlainTextEdit *ed = editor(index);
    if (shown) {
        if (e.frame[DetailView])
            e.frame[DetailView]->hide();
        ed->show();
        ed->raise();
    } else {
        ed->hide();
        e.textArea[DetailView]->show();
        if (e.frame[DetailView])
            e.frame[DetailView]->setVisible(e.assignable);
    }
}

void StripDisplay::selectOnly(int cell)
{
    clearSelection();
    select(cell, true);
}

void StripDisplay::selectAllCells()
{
    for (int i = 0; i < m_cellCount; ++i)
        select(i, true);
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
    if (m_mode == Mode::Detail && m_cells[size_t(first)].textArea[DetailView]->isVisible()) {
        // Entering the cell makes it the only selected and current one.
        focusCell(first);
        QCoreApplication::processEvents();
        positionScrolling(3, first);
    } else {
        clearSelection();
        select(first, true);
    }
    makeCurrent(first);
    for (int c : valid)
        select(c, true);
    if (valid.size() > 1) {
        m_toolbarInUse = true; // leaving the cell keeps the others selected
        setCellCommands(selectionCellCommands());
    }
}

void StripDisplay::makeCurrent(int cell)
{
    if (cell < 0 || cell >= m_cellCount)
        return;
    m_currentCell = cell;
    Q_EMIT toolbarFollows(cell);
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
        loadEditor(editor, strip::locateCell(m_doc.lines(), m_doc.currentHeaderLine(), index));
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
    CellElements &e = m_cells[size_t(index)];
    const RegisterLines &lines = m_doc.lines();
    const int b = strip::locateCell(lines, m_doc.currentHeaderLine(), index);
    const int points = strip::cellPointSize(lines, b);
    for (int v : {DetailView, OverviewView}) {
        const QSize size = e.textRect[v].size();
        const strip::RenderedCell r =
            strip::renderCell(lines, b, size, strip::viewFontSize(points, m_geometry, viewOf(v)));
        e.showsPicture = r.showsPicture;
        if (r.showsPicture) {
            if (!e.picture[v]) {
                auto *picture = new QLabel(e.textArea[v]);
                picture->setGeometry(0, 0, size.width(), size.height());
                picture->setScaledContents(true);
                tag(picture, !e.assignable ? Inert : v == DetailView ? DetailPicture : OverviewPicture, index);
                picture->installEventFilter(this);
                if (v == DetailView && e.assignable)
                    picture->setContextMenuPolicy(Qt::PreventContextMenu);
                picture->lower();
                picture->show();
                e.picture[v] = picture;
            }
            e.text[v]->resize(0, size.height());
            e.text[v]->setPixmap(QPixmap());
            e.picture[v]->setPixmap(r.picture.isNull() ? QPixmap() : QPixmap::fromImage(r.picture));
        } else {
            e.text[v]->setGeometry(0, 0, size.width(), size.height());
            e.text[v]->setPixmap(QPixmap::fromImage(r.text));
            if (e.picture[v])
                e.picture[v]->setPixmap(QPixmap());
        }
    }
    placeEditor(e);
}

void StripDisplay::refreshCaption()
{
    const int h = m_doc.currentHeaderLine();
    if (h < 1 || h + 5 >= m_doc.lineCount())
        return;
    m_w.caption->setText(QStringLiteral("内線：") + m_doc.line(h) + QStringLiteral(" 電話機のタイプ：")
                         + m_doc.line(h + 5) + QStringLiteral(" 使用者名：") + m_doc.line(h + 2));
}

void StripDisplay::finish()
{
    refreshCaption();
    if (m_cellCount > 0) {
        m_currentCell = 0;
        Q_EMIT toolbarFollows(0);
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

void StripDisplay::select(int cell, bool on)
{
    // Only assignable keys can be selected: nothing else can be retyped.
    if (!isAssignable(cell))
        return;
    m_selected[size_t(cell)] = on ? 1 : 0;
    if (QWidget *frame = m_cells[size_t(cell)].frame[DetailView])
        frameOf(frame)->setOutline(on ? 2 : 1);
}

void StripDisplay::clearSelection()
{
    for (int i = 0; i < m_cellCount; ++i)
        select(i, false);
}

void StripDisplay::focusCell(int cell)
{
    // Other cells are never entered, however the focus is moved.
    if (!isAssignable(cell))
        return;
    QWidget *area = m_cells[size_t(cell)].textArea[DetailView];
    if (area->isVisible())
        area->setFocus(Qt::OtherFocusReason);
}

void StripDisplay::focusStripThenCurrent()
{
    // Leaving the focused cell ends an edit and entering the current one
    // makes it the only selected cell; the focus events run at once, so the
    // posted events are processed instead of pausing.
    m_w.area->setFocus(Qt::OtherFocusReason);
    if (m_mode == Mode::Detail)
        focusCell(m_currentCell);
    QCoreApplication::processEvents();
}

void StripDisplay::enterCell(int cell)
{
    m_toolbarInUse = false;
    setCellCommands(allCellCommands());
    clearSelection();
    select(cell, true);
    m_currentCell = cell;
    Q_EMIT toolbarFollows(cell);
}

void StripDisplay::leaveCell(int)
{
    if (!m_toolbarInUse)
        clearSelection();
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
        const int from = std::min(m_currentCell, cell), to = std::max(m_currentCell, cell);
        for (int i = from; i <= to; ++i)
            select(i, true);
    } else if (mods & Qt::ControlModifier) {
        m_modifierPress = true;
        focusStripThenCurrent();
        if (isSelected(cell) && selectedCount() == 1)
            return;
        select(cell, !isSelected(cell));
    } else {
        return;
    }
    const QList<int> selected = selectedCells();
    if (selected.size() > 1) {
        setCellCommands(selectionCellCommands());
    } else if (selected.size() == 1) {
        setCellCommands(textCellCommands());
        m_currentCell = selected.constFirst();
        Q_EMIT toolbarFollows(m_currentCell);
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
        focusCell(m_currentCell);
    QCoreApplication::processEvents();
}

void StripDisplay::overviewSheetDoubleClick(const QPoint &pos)
{
    if (m_mode != Mode::Overview || m_cellCount == 0)
        return;
    const Fixed4 x = Fixed4::fromInt(pos.x()), y = Fixed4::fromInt(pos.y());
    for (int k = 0; k < MaxSections; ++k) {
        const strip::EdgeRect &r = m_sectionRects[size_t(k)];
        if (r.left == Fixed4() && r.right == Fixed4())
            return;
        if (x < r.left || x > r.right || y < r.top || y > r.bottom)
            continue;
        const int first = strip::firstCellOfSection(m_doc.lines(), m_doc.currentHeaderLine(), k);
        if (first < m_cellCount) {
            openCellInDetail(first);
            focusCell(first);
            return;
        }
    }
}

bool StripDisplay::eventFilter(QObject *watched, QEvent *event)
{
    const QVariant roleValue = watched->property(RoleProperty);
    if (!roleValue.isValid())
        return QObject::eventFilter(watched, event);
    const int role = roleValue.toInt();
    const int cell = watched->property(CellProperty).toInt();
    auto *w = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Menus opened by mouse or keyboard and other windows take the focus
        // only for a while: the selection stays.
        if (role != DetailArea || !isAssignable(cell) || reason == Qt::PopupFocusReason
            || reason == Qt::ActiveWindowFocusReason || reason == Qt::MenuBarFocusReason)
            return false;
        if (event->type() == QEvent::FocusIn) {
            enterCell(cell);
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
                m_w.detail->ensureWidgetVisible(w, 0, 0);
        } else {
            leaveCell(cell);
        }
        return false;
    }
    case QEvent::KeyPress: {
        // Tab and Shift+Tab go round the assignable keys in cell order and
        // never leave them for the other controls of the window.
        auto *ke = static_cast<QKeyEvent *>(event);
        const bool backward = ke->key() == Qt::Key_Backtab
                              || (ke->key() == Qt::Key_Tab && (ke->modifiers() & Qt::ShiftModifier));
        if (role != DetailArea || (ke->key() != Qt::Key_Tab && ke->key() != Qt::Key_Backtab)
            || (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            return false;
        for (int step = 1; step <= m_cellCount; ++step) {
            const int next = ((cell + (backward ? -step : step)) % m_cellCount + m_cellCount) % m_cellCount;
            QWidget *area = m_cells[size_t(next)].textArea[DetailView];
            if (m_cells[size_t(next)].assignable && area->isVisible()) {
                area->setFocus(backward ? Qt::BacktabFocusReason : Qt::TabFocusReason);
                break;
            }
        }
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto *me = static_cast<QMouseEvent *>(event);
        m_pressed = w;
        if (role == DetailText)
            textPress(cell, me);
        else if (role == DetailPicture)
            picturePress(cell, me);
        return role != DetailSheet && role != OverviewSheet;
    }
    case QEvent::MouseButtonRelease: {
        auto *me = static_cast<QMouseEvent *>(event);
        const bool click = m_pressed == w && me->button() == Qt::LeftButton && w->rect().contains(me->position().toPoint());
        m_pressed = nullptr;
        if (click) {
            if (role == DetailText)
                textClick(cell);
            else if (role == DetailPicture)
                pictureClick(cell);
            else if (role == DetailSheet || role == OverviewSheet)
                sheetClick(role == DetailSheet);
        }
        return true;
    }
    case QEvent::MouseButtonDblClick: {
        auto *me = static_cast<QMouseEvent *>(event);
        // The release that ends a double-click is no click: it would move
        // the focus back from the editor that the double-click opened.
        m_pressed = nullptr;
        switch (role) {
        case DetailText:
            if (!m_modifierPress)
                Q_EMIT editRequested(cell);
            textPress(cell, me); // the second press of a double-click
            break;
        case DetailPicture:
            Q_EMIT attachPictureRequested(m_currentCell);
            break;
        case OverviewText:
        case OverviewPicture:
        case OverviewNumber:
            if (m_mode == Mode::Overview && me->button() == Qt::LeftButton) {
                openCellInDetail(cell);
                focusCell(cell);
            }
            break;
        case OverviewSheet:
            if (me->button() == Qt::LeftButton)
                overviewSheetDoubleClick(me->position().toPoint());
            break;
        default:
            break;
        }
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------- views

void StripDisplay::openCellInDetail(int cell)
{
    setMode(Mode::Detail);
    showView(m_w.detail);
    setCellCommands(allCellCommands());
    clearSelection();
    positionScrolling(3, cell);
    m_currentCell = cell;
    Q_EMIT toolbarFollows(cell);
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
        QCoreApplication::processEvents();
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
