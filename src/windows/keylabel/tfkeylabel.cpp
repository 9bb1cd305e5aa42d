#include "windows/keylabel/tfkeylabel.h"
#include "windows/common/appsettings.h"

#include "platform/fontlist.h"
#include "platform/fonts.h"
#include "platform/settingsstore.h"
#include "register/textrule.h"
#include "register/celltext.h"
#include "strip/colourline.h"
#include "windows/common/screenplace.h"
#include "windows/common/userdialogs.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QTabWidget>

namespace keylabel {

LoadResult loadWithNotice(QWidget *parent, KeyLabelSet &set, int series)
{
    const LoadResult r = set.LoadKeyLabels(series);
    if (r == LoadResult::Malformed)
        UserDialogs::current().error(parent, malformedFileMessage(set.filePath(series)));
    return r;
}

const QStringList &fontSizes()
{
    static const QStringList sizes{"4",  "5",  "6",  "7",  "8",  "9",  "10", "11", "12", "14",
                                   "16", "18", "20", "22", "24", "26", "28", "36", "48", "72"};
    return sizes;
}

void FillFontSizes(QComboBox *box)
{
    // An editable box keeps its text: filling the list sets no size.
    const QString text = box->currentText();
    box->clear();
    box->addItems(fontSizes());
    if (box->isEditable()) {
        box->setCurrentIndex(-1);
        box->setEditText(text);
    }
}

} // namespace keylabel

namespace {

const QString DialogFace = QStringLiteral("ＭＳ Ｐゴシック");

QFont dialogFont(int pixels)
{
    QFont f(DialogFace);
    f.setPixelSize(pixels);
    return f;
}

// Item i of the font list: the TrueType mark when entry i of the mark list
// ends in "t", then the name, centred vertically.
void drawFontItem(QPainter &p, const QRect &r, const QString &mark, const QFont &font, bool selected,
                  const QPalette &pal)
{
    p.fillRect(r, selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base));
    if (mark.endsWith(u't')) {
        static const QImage picture = trueTypeMark();
        p.drawImage(r.left() + 2, r.top() + 2, picture);
    }
    p.setFont(font);
    p.setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
    const QFontMetrics fm(font);
    const int y = r.top() + (r.height() - fm.height()) / 2;
    p.drawText(QPoint(r.left() + 16 + 4, y + fm.ascent()), mark.left(mark.size() - 1));
}

class FontItemDelegate : public QStyledItemDelegate
{
public:
    FontItemDelegate(const QStringList *marks, QObject *parent) : QStyledItemDelegate(parent), m_marks(marks) {}
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width() + 20, 16);
    }
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int i = index.row();
        const QString mark = i < m_marks->size() ? m_marks->at(i) : index.data().toString() + u'u';
        drawFontItem(*p, option.rect, mark, option.font, option.state & QStyle::State_Selected, option.palette);
    }

private:
    const QStringList *m_marks;
};

// The font box draws its shown item like the items of its list.
class FontListBox : public QComboBox
{
public:
    FontListBox(const QStringList *marks, QWidget *parent) : QComboBox(parent), m_marks(marks)
    {
        setItemDelegate(new FontItemDelegate(marks, this));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter p(this);
        QStyleOptionComboBox opt;
        initStyleOption(&opt);
        opt.currentText.clear();
        opt.currentIcon = QIcon();
        p.drawComplexControl(QStyle::CC_ComboBox, opt);
        const int i = currentIndex();
        if (i < 0)
            return;
        const QRect r = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
        const QString mark = i < m_marks->size() ? m_marks->at(i) : itemText(i) + u'u';
        drawFontItem(p, r, mark, font(), hasFocus(), palette());
    }

private:
    const QStringList *m_marks;
};

QPushButton *makeButton(const QString &text, QWidget *parent, int x, int y, int w, int h)
{
    auto *b = new QPushButton(text, parent);
    b->setGeometry(x, y, w, h);
    b->setAutoDefault(true); // Enter presses the focused button, OK otherwise
    return b;
}

} // namespace

TFKeyLabel::TFKeyLabel(SettingsStore &settings, QWidget *parent) : QDialog(parent), m_settings(settings)
{
    setWindowTitle(QStringLiteral("キーラベル設定"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(518, 506);
    setFont(dialogFont(13));

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setGeometry(0, 0, 180, 506);
    PageControl->setFont(dialogFont(12));
    PageControl->tabBar()->setUsesScrollButtons(false);
    PageControl->tabBar()->setElideMode(Qt::ElideNone);
    PageControl->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 5px; }"));
    QWidget **sheets[3] = {&keyPage1, &keyPage2, &keyPage3};
    const char16_t *titles[3] = {u"ｷｰﾗﾍﾞﾙ1", u"ｷｰﾗﾍﾞﾙ2", u"ｷｰﾗﾍﾞﾙ3"};
    for (int p = 0; p < 3; ++p) {
        *sheets[p] = new QWidget;
        (*sheets[p])->setObjectName(QStringLiteral("keyPage%1").arg(p + 1));
        PageControl->addTab(*sheets[p], QString::fromUtf16(titles[p]));
    }

    editorPanel = new QWidget(this);
    editorPanel->setObjectName(QStringLiteral("editorPanel"));
    editorPanel->setGeometry(180, 0, 338, 506);

    fontLabel = new QLabel(QStringLiteral("フォント名"), editorPanel);

    fontLabel->setObjectName(QStringLiteral("fontLabel"));
    fontLabel->move(26, 42);
    ComboBoxFont = new FontListBox(&FontMarks, editorPanel);
    ComboBoxFont->setObjectName(QStringLiteral("ComboBoxFont"));
    ComboBoxFont->setGeometry(26, 58, 137, 22);
    ComboBoxFont->setMaxVisibleItems(16);
    sizeLabel = new QLabel(QStringLiteral("サイズ"), editorPanel);
    sizeLabel->setObjectName(QStringLiteral("sizeLabel"));
    sizeLabel->move(172, 42);
    ComboBoxFontSize = new QComboBox(editorPanel);
    ComboBoxFontSize->setObjectName(QStringLiteral("ComboBoxFontSize"));
    ComboBoxFontSize->setGeometry(172, 58, 65, 21);
    textColourButton = makeButton(QStringLiteral("文字色"), editorPanel, 248, 58, 75, 23);
    textColourButton->setObjectName(QStringLiteral("textColourButton"));
    backColourButton = makeButton(QStringLiteral("背景色"), editorPanel, 248, 86, 75, 23);
    backColourButton->setObjectName(QStringLiteral("backColourButton"));
    labelEdit = new QPlainTextEdit(editorPanel);
    labelEdit->setObjectName(QStringLiteral("labelEdit"));
    labelEdit->setGeometry(26, 138, 297, 87);
    labelEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab moves on to the next control; a tab character is no label text.
    labelEdit->setTabChangesFocus(true);
    labelEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    labelEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    confirmButton = makeButton(QStringLiteral("確定"), editorPanel, 250, 240, 75, 23);
    confirmButton->setObjectName(QStringLiteral("confirmButton"));

    buttonPanel = new QWidget(editorPanel);
    buttonPanel->setObjectName(QStringLiteral("buttonPanel"));
    buttonPanel->setGeometry(0, 462, 338, 44);
    defaultsButton = makeButton(QStringLiteral("初期値に戻す"), buttonPanel, 20, 10, 95, 23);
    defaultsButton->setObjectName(QStringLiteral("defaultsButton"));
    okButton = makeButton(QStringLiteral("OK"), buttonPanel, 168, 10, 75, 23);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    cancelButton = makeButton(QStringLiteral("ｷｬﾝｾﾙ"), buttonPanel, 248, 10, 75, 23);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));

    // The user's own picks only: selecting items from code (the editors
    // loaded from a key) must not change the key's font or size.
    connect(ComboBoxFont, &QComboBox::activated, this, &TFKeyLabel::ComboBoxFontChange);
    connect(ComboBoxFontSize, &QComboBox::activated, this, &TFKeyLabel::ComboBoxFontSizeChange);
    connect(textColourButton, &QPushButton::clicked, this, &TFKeyLabel::textColourClicked);
    connect(backColourButton, &QPushButton::clicked, this, &TFKeyLabel::backColourClicked);
    connect(confirmButton, &QPushButton::clicked, this, &TFKeyLabel::confirmClicked);
    connect(defaultsButton, &QPushButton::clicked, this, &TFKeyLabel::defaultsClicked);
    connect(okButton, &QPushButton::clicked, this, &TFKeyLabel::okClicked);
    connect(cancelButton, &QPushButton::clicked, this, &TFKeyLabel::cancelClicked);
    connect(PageControl, &QTabWidget::currentChanged, this, &TFKeyLabel::PageControlChange);

    screenplace::moveOnScreen(this, appsettings::read(m_settings, appsettings::KeyLabelPlace));
}

TFKeyLabel::~TFKeyLabel()
{
    appsettings::write(m_settings, appsettings::KeyLabelPlace, pos());
}

void TFKeyLabel::setSource(keylabel::KeyLabelSet *set, int series, const QStringList &fontMarks)
{
    m_set = set;
    m_series = series;
    m_sourceMarks = fontMarks;
}

// ---------------------------------------------------------------- showing

void TFKeyLabel::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFKeyLabel::FormShow()
{
    FillFontList();
    keylabel::FillFontSizes(ComboBoxFontSize);
    CreateKeyButtons();
    if (m_keyButtons.isEmpty())
        return;
    // The page that showed when the dialog last closed; its first key.
    SelectedKey = PageControl->currentIndex() * keylabel::keysPerPage(m_series);
    if (SelectedKey >= m_keyButtons.size())
        SelectedKey = 0;
    m_keyButtons.at(SelectedKey)->setChecked(true);
    showKeyCaptions();
    loadEditors();
}

void TFKeyLabel::FillFontList()
{
    ComboBoxFont->clear();
    FontMarks.clear();
    for (const QString &m : m_sourceMarks) {
        FontMarks.append(m);
        ComboBoxFont->addItem(m.left(m.size() - 1));
    }
}

void TFKeyLabel::CreateKeyButtons()
{
    FreeKeyButtons();
    if (!m_set)
        return;
    const int n = keylabel::keysPerPage(m_series);
    // A set that holds fewer keys than the series (never after a load) gets
    // buttons for the keys it has.
    const int keys = std::min(keylabel::Pages * n, m_set->keyCount());
    m_keyGroup = new QButtonGroup(this);
    m_keyGroup->setExclusive(true);
    QWidget *sheets[3] = {keyPage1, keyPage2, keyPage3};
    for (int k = 0; k < keys; ++k) {
        auto *b = new QPushButton(sheets[k / n]);
        b->setGeometry(0, (k % n) * 24, 172, 23);
        QFont f(DialogFace);
        f.setPointSize(9);
        b->setFont(f);
        b->setCheckable(true);
        b->setAutoDefault(true);
        b->show();
        m_keyGroup->addButton(b, k);
        m_keyButtons.append(b);
    }
    connect(m_keyGroup, &QButtonGroup::idClicked, this, &TFKeyLabel::KeyButtonClick);
}

void TFKeyLabel::FreeKeyButtons()
{
    qDeleteAll(m_keyButtons);
    m_keyButtons.clear();
    delete m_keyGroup;
    m_keyGroup = nullptr;
}

void TFKeyLabel::setButtonCaption(QPushButton *button, const QStringList &lines)
{
    const keylabel::ButtonCaption c = keylabel::KeyButtonCaption(lines);
    QFont f = button->font();
    f.setPointSize(c.pointSize);
    button->setFont(f);
    button->setText(c.text);
}

void TFKeyLabel::showKeyCaptions()
{
    for (int k = 0; k < m_keyButtons.size(); ++k) {
        QFont f = m_keyButtons.at(k)->font();
        f.setPointSize(9);
        m_keyButtons.at(k)->setFont(f);
        setButtonCaption(m_keyButtons.at(k), m_set->ReadKeyLabel(k).lines);
    }
}

void TFKeyLabel::loadEditors()
{
    labelEdit->clear();
    const keylabel::KeyLabel label = m_set->ReadKeyLabel(SelectedKey);
    EditFontName = label.fontName;
    EditFontSize = label.fontSize;
    EditTextColor = label.textColour;
    EditBackColor = label.backColour;
    showLabelLines(label.lines);
}

void TFKeyLabel::styleLabelEdit()
{
    QFont f = fontOfFace(EditFontName);
    if (EditFontSize > 0)
        f.setPointSize(EditFontSize);
    labelEdit->setFont(f);
    QPalette pal = labelEdit->palette();
    pal.setColor(QPalette::Text, strip::toQColor(EditTextColor));
    pal.setColor(QPalette::Base, strip::toQColor(EditBackColor));
    labelEdit->setPalette(pal);
}

void TFKeyLabel::showLabelLines(const QStringList &lines)
{
    labelEdit->setPlainText(lines.join(u'\n'));
    styleLabelEdit();
    // Selected from code: neither handler runs, so a font or size that is
    // not in its list stays the key's own.
    if (ComboBoxFont->count() > 0) {
        ComboBoxFont->setCurrentIndex(0);
        const int i = ComboBoxFont->findText(EditFontName, Qt::MatchFixedString);
        if (i >= 0)
            ComboBoxFont->setCurrentIndex(i);
    }
    if (ComboBoxFontSize->count() > 0) {
        ComboBoxFontSize->setCurrentIndex(0);
        const int i = ComboBoxFontSize->findText(QString::number(EditFontSize), Qt::MatchFixedString);
        if (i >= 0)
            ComboBoxFontSize->setCurrentIndex(i);
    }
}

// ---------------------------------------------------------------- handlers

void TFKeyLabel::KeyButtonClick(int k)
{
    if (k < 0 || k >= m_keyButtons.size())
        return;
    SelectedKey = k;
    loadEditors();
}

void TFKeyLabel::PageControlChange(int page)
{
    if (m_keyButtons.isEmpty() || page < 0)
        return;
    const int k = page * keylabel::keysPerPage(m_series);
    if (k >= m_keyButtons.size())
        return;
    SelectedKey = k;
    m_keyButtons.at(k)->setChecked(true);
    loadEditors();
}

void TFKeyLabel::ComboBoxFontChange()
{
    EditFontName = ComboBoxFont->currentText();
    styleLabelEdit();
}

void TFKeyLabel::ComboBoxFontSizeChange()
{
    EditFontSize = ComboBoxFontSize->currentText().toInt();
    styleLabelEdit();
}

void TFKeyLabel::textColourClicked()
{
    const QColor c = UserDialogs::current().chooseColour(this, strip::toQColor(EditTextColor));
    if (!c.isValid())
        return;
    EditTextColor = strip::fromQColor(c);
    styleLabelEdit();
}

void TFKeyLabel::backColourClicked()
{
    const QColor c = UserDialogs::current().chooseColour(this, strip::toQColor(EditBackColor));
    if (!c.isValid())
        return;
    EditBackColor = strip::fromQColor(c);
    styleLabelEdit();
}

void TFKeyLabel::confirmClicked()
{
    if (!m_set || SelectedKey >= m_keyButtons.size())
        return;
    confirmButton->setEnabled(false);
    keylabel::KeyLabel label;
    label.fontName = EditFontName;
    label.fontSize = EditFontSize;
    label.textColour = EditTextColor;
    label.backColour = EditBackColor;
    label.lines = strip::editorLines(labelEdit->toPlainText());
    // A character the file cannot hold is refused here, so that OK never
    // fails on it later.
    const QString bad = m_set->unencodableCharacter(label);
    // A control character (pasted: typing makes none) could never be
    // applied to a cell, so it is refused here too, in the cells' words.
    const textrule::Refusal control = textrule::check(label.lines, textrule::Field::KeyLabel, TextEncoding::Utf8Bom);
    if (!bad.isEmpty() || control) {
        UserDialogs::current().message(this, !bad.isEmpty() ? keylabel::unencodableMessage(bad) : control.message());
        confirmButton->setEnabled(true);
        return;
    }
    m_set->WriteKeyLabel(SelectedKey, label);
    setButtonCaption(m_keyButtons.at(SelectedKey), label.lines);
    confirmButton->setEnabled(true);
}

void TFKeyLabel::defaultsClicked()
{
    if (!m_set)
        return;
    defaultsButton->setEnabled(false);
    m_set->SetDefaultKeyLabels(m_series);
    showKeyCaptions();
    loadEditors();
    defaultsButton->setEnabled(true);
}

void TFKeyLabel::okClicked()
{
    if (m_set) {
        // A file that exists but could not be used is only replaced when the
        // user says so; otherwise the dialog stays open with the edits.
        if (m_set->unusedFileExists()
            && UserDialogs::current().question(this, keylabel::replaceUnusedFileMessage(m_set->filePath(m_series)),
                                               UserDialogs::Buttons::YesNo, UserDialogs::Answer::No)
                   != UserDialogs::Answer::Yes)
            return;
        try {
            m_set->SaveKeyLabels(m_series);
        } catch (const TavrelError &e) {
            // The edits stay in the set; the dialog stays open so that the
            // user can try again or leave it.
            UserDialogs::current().error(this, keylabel::saveFailedMessage(e.message()));
            return;
        }
    }
    accept();
}

void TFKeyLabel::cancelClicked()
{
    if (m_set)
        keylabel::loadWithNotice(this, *m_set, m_series);
    reject();
}

void TFKeyLabel::keyPressEvent(QKeyEvent *event)
{
    // Esc is ｷｬﾝｾﾙ; the close box only closes (both reach reject()).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancelClicked();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFKeyLabel::done(int result)
{
    FreeKeyButtons();
    QDialog::done(result);
}
