#include "register/tftel_add.h"

#include "platform/conversion.h"
#include "platform/userdialogs.h"
#include "register/textrule.h"
#include "register/templates.h"

#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

const QString TFTelAdd::NoCopySource = QStringLiteral("登録済み使用者情報を使用しない");
const QString TFTelAdd::DuplicateMessage = QStringLiteral("すでにこの内線番号は存在します。");

namespace {
// Guards programmatic changes of the lists against their change handlers.
struct Filling
{
    explicit Filling(int &n) : n(n) { ++n; }
    ~Filling() { --n; }
    int &n;
};
} // namespace

TFTelAdd::TFTelAdd(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("示名条の作成"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(442, 336);
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    setFont(f);

    GroupBox1 = new QGroupBox(QStringLiteral("示名条情報"), this);
    GroupBox1->setGeometry(10, 10, 421, 104);
    Label2 = new QLabel(QStringLiteral("主装置のシリーズ(&S)"), GroupBox1);
    Label2->move(16, 34);
    pnlSeries = new QLabel(GroupBox1);
    pnlSeries->setGeometry(130, 30, 270, 20);
    pnlSeries->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlSeries->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pnlSeries->setIndent(3);
    Label3 = new QLabel(QStringLiteral("示名条のタイプ(&P)"), GroupBox1);
    Label3->move(16, 64);
    cmbType = new QComboBox(GroupBox1);
    cmbType->setGeometry(130, 60, 270, 20);
    Label3->setBuddy(cmbType);
    Label2->setBuddy(pnlSeries); // shows the mnemonic; the panel takes no focus

    GroupBox2 = new QGroupBox(QStringLiteral("使用者情報"), this);
    GroupBox2->setGeometry(10, 130, 421, 164);
    Label1 = new QLabel(QStringLiteral("内線番号(&E)"), GroupBox2);
    Label1->move(16, 34);
    Edit1 = new QLineEdit(GroupBox2);
    Edit1->setGeometry(100, 30, 300, 20);
    ComboBoxExternal = new QComboBox(GroupBox2);
    ComboBoxExternal->setGeometry(100, 30, 300, 20);
    ComboBoxExternal->setEditable(true);
    ComboBoxExternal->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxExternal->setCompleter(nullptr); // typing must not pick an entry by itself
    Label5 = new QLabel(QStringLiteral("部署(&B)"), GroupBox2);
    Label5->move(16, 64);
    Edit2 = new QLineEdit(GroupBox2);
    Edit2->setGeometry(100, 60, 300, 20);
    Label5->setBuddy(Edit2);
    Label6 = new QLabel(QStringLiteral("使用者名(&U)"), GroupBox2);
    Label6->move(16, 94);
    Edit3 = new QLineEdit(GroupBox2);
    Edit3->setGeometry(100, 90, 300, 20);
    Label6->setBuddy(Edit3);
    Label4 = new QLabel(QStringLiteral("複製元指定(&T)"), GroupBox2);
    Label4->move(16, 124);
    ComboBox3 = new QComboBox(GroupBox2);
    ComboBox3->setGeometry(100, 120, 300, 20);
    Label4->setBuddy(ComboBox3);
    for (QLabel *l : {Label1, Label2, Label3, Label4, Label5, Label6})
        l->adjustSize();

    ButtonOk = new QPushButton(QStringLiteral("OK"), this);
    ButtonOk->setGeometry(270, 304, 75, 23);
    ButtonOk->setDefault(true);
    ButtonOk->setAutoDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    ButtonCancel->setGeometry(356, 304, 75, 23);
    ButtonCancel->setAutoDefault(false);

    setTabOrder(cmbType, Edit1);
    setTabOrder(Edit1, ComboBoxExternal);
    setTabOrder(ComboBoxExternal, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, ComboBox3);
    setTabOrder(ComboBox3, ButtonOk);
    setTabOrder(ButtonOk, ButtonCancel);

    connect(cmbType, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            cmbTypeChange();
    });
    // Only the user's pick from the box (its list, the arrow keys, the
    // wheel) switches the dialog to another entry; typing leaves no item
    // selected, and only the OK button follows it. Qt's editable box picks
    // the item equal to the typed text by itself when the typing ends (focus
    // lost, Enter), and reports that as a pick too; that matching is cut off,
    // so that a typed extension of another entry stays typed and OK refuses
    // it as a duplicate.
    disconnect(ComboBoxExternal->lineEdit(), &QLineEdit::editingFinished, ComboBoxExternal, nullptr);
    connect(ComboBoxExternal, &QComboBox::activated, this, [this] {
        if (!m_filling)
            ComboBoxExternalChange();
    });
    connect(ComboBoxExternal, &QComboBox::editTextChanged, this, &TFTelAdd::UpdateOk);
    connect(Edit1, &QLineEdit::textChanged, this, &TFTelAdd::UpdateOk);
    connect(Edit2, &QLineEdit::textChanged, this, &TFTelAdd::UpdateOk);
    connect(Edit3, &QLineEdit::textChanged, this, &TFTelAdd::UpdateOk);
    connect(ButtonOk, &QPushButton::clicked, this, &TFTelAdd::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFTelAdd::~TFTelAdd() = default;

void TFTelAdd::setRegister(const QString &programFolder, const QString &selectorSeries, const QList<EntryHeader> &rows,
                           TextEncoding encoding)
{
    m_encoding = encoding;
    m_programFolder = programFolder;
    m_selectorSeries = selectorSeries;
    m_rows = rows;
}

QString TFTelAdd::copySourceText(const EntryHeader &r)
{
    return r.extension + QStringLiteral(" 使用者名：") + r.userName;
}

QLineEdit *TFTelAdd::extensionEdit() const
{
    return mode == Mode::Edit ? ComboBoxExternal->lineEdit() : Edit1;
}

void TFTelAdd::fillTypes(const QString &series, const QString &keepType)
{
    Filling guard(m_filling);
    cmbType->clear();
    cmbType->addItems(templates::listTemplates(m_programFolder, series));
    if (!keepType.isEmpty() && cmbType->findText(keepType, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        cmbType->addItem(keepType);
}

void TFTelAdd::selectType(const QString &type)
{
    Filling guard(m_filling);
    const int i = cmbType->findText(type, Qt::MatchExactly | Qt::MatchCaseSensitive);
    cmbType->setCurrentIndex(i >= 0 ? i : (cmbType->count() > 0 ? 0 : -1));
}

void TFTelAdd::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (mode == Mode::Create) {
        setWindowTitle(QStringLiteral("示名条の作成"));
        pnlSeries->setText(m_selectorSeries);
        fillTypes(m_selectorSeries, QString());
        cmbType->setEnabled(true);
        ComboBox3->setEnabled(true);
        ComboBoxExternal->hide();
        Edit1->show();
        Label1->setBuddy(Edit1);
        selectType(QString());
        Edit1->clear();
        Edit2->clear();
        Edit3->clear();
        cmbTypeChange();
        Edit1->setFocus();
    } else {
        setWindowTitle(QStringLiteral("示名条の編集"));
        const EntryHeader r = row >= 0 && row < m_rows.size() ? m_rows.at(row) : EntryHeader();
        pnlSeries->setText(r.seriesCaption);
        fillTypes(r.seriesCaption, r.stripType);
        cmbType->setEnabled(false);
        ComboBox3->setEnabled(false);
        Edit1->hide();
        ComboBoxExternal->show();
        Label1->setBuddy(ComboBoxExternal);
        {
            Filling guard(m_filling);
            ComboBoxExternal->clear();
            for (const EntryHeader &h : m_rows)
                ComboBoxExternal->addItem(h.extension);
            ComboBoxExternal->setCurrentIndex(row >= 0 && row < m_rows.size() ? row : -1);
        }
        ComboBoxExternalChange();
        cmbTypeChange();
        ComboBoxExternal->setFocus();
    }
}

void TFTelAdd::cmbTypeChange()
{
    {
        Filling guard(m_filling);
        ComboBox3->clear();
        ComboBox3->addItem(NoCopySource);
        const QString type = cmbType->currentText();
        for (const EntryHeader &r : m_rows)
            if (r.stripType == type)
                ComboBox3->addItem(copySourceText(r));
        ComboBox3->setCurrentIndex(0);
    }
    UpdateOk();
    if (ComboBoxExternal->isVisible())
        ComboBoxExternal->setFocus();
    else if (Edit1->isVisible())
        Edit1->setFocus();
}

void TFTelAdd::ComboBoxExternalChange()
{
    UpdateOk();
    const int i = ComboBoxExternal->currentIndex();
    if (i < 0 || i >= m_rows.size())
        return;
    row = i;
    const EntryHeader &r = m_rows.at(i);
    // The series follows the picked entry too, so that OK does not give it
    // the series of the entry the dialog was opened for.
    if (pnlSeries->text() != r.seriesCaption || cmbType->findText(r.stripType) < 0) {
        pnlSeries->setText(r.seriesCaption);
        fillTypes(r.seriesCaption, r.stripType);
    }
    selectType(r.stripType);
    Edit1->setText(r.extension);
    Edit2->setText(r.department);
    Edit3->setText(r.userName);
}

void TFTelAdd::UpdateOk()
{
    const QString ext = mode == Mode::Edit ? ComboBoxExternal->currentText() : Edit1->text();
    ButtonOk->setEnabled(!trimControls(cmbType->currentText()).isEmpty() && !trimControls(ext).isEmpty());
}

void TFTelAdd::ButtonOkClick()
{
    if (!ButtonOk->isEnabled())
        return;
    Edit1->setText(trimControls(Edit1->text()));
    Edit2->setText(trimControls(Edit2->text()));
    Edit3->setText(trimControls(Edit3->text()));
    {
        Filling guard(m_filling);
        ComboBoxExternal->setEditText(trimControls(ComboBoxExternal->currentText()));
    }
    // Each value is mapped and checked by the register's input rule; the
    // first refused one is named and nothing is stored.
    const std::pair<QLineEdit *, textrule::Field> values[] = {
        {extensionEdit(), textrule::Field::Extension},
        {Edit2, textrule::Field::Department},
        {Edit3, textrule::Field::UserName},
    };
    for (const auto &[edit, field] : values) {
        const QString mapped = textrule::mapInput(edit->text(), m_encoding);
        if (mapped != edit->text()) {
            Filling guard(m_filling);
            edit->setText(mapped);
        }
        if (const textrule::Refusal r = textrule::check(mapped, field, m_encoding)) {
            UserDialogs::current().message(this, r.message());
            edit->selectAll();
            edit->setFocus();
            return;
        }
    }
    const QString newExtension = mode == Mode::Edit ? ComboBoxExternal->currentText() : Edit1->text();
    const QString oldExtension = mode == Mode::Edit ? Edit1->text() : extension;
    if (newExtension != oldExtension) {
        for (const EntryHeader &r : m_rows) {
            if (r.extension == newExtension) {
                UserDialogs::current().message(this, DuplicateMessage);
                QLineEdit *edit = extensionEdit();
                edit->selectAll();
                edit->setFocus();
                return;
            }
        }
    }
    seriesCaption = pnlSeries->text();
    stripType = cmbType->currentText();
    extension = newExtension;
    department = Edit2->text();
    userName = Edit3->text();
    copySource = ComboBox3->currentText();
    registrationDate = EntryHeader::dateText(QDateTime::currentDateTime());
    accept();
}
