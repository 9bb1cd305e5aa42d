#include "windows/register/tftel_add.h"

#include "platform/conversion.h"
#include "register/templates.h"
#include "register/textrule.h"
#include "windows/common/userdialogs.h"

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

    stripGroup = new QGroupBox(QStringLiteral("示名条情報"), this);

    stripGroup->setObjectName(QStringLiteral("stripGroup"));
    stripGroup->setGeometry(10, 10, 421, 104);
    seriesLabel = new QLabel(QStringLiteral("主装置のシリーズ(&S)"), stripGroup);
    seriesLabel->setObjectName(QStringLiteral("seriesLabel"));
    seriesLabel->move(16, 34);
    pnlSeries = new QLabel(stripGroup);
    pnlSeries->setObjectName(QStringLiteral("pnlSeries"));
    pnlSeries->setGeometry(130, 30, 270, 20);
    pnlSeries->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlSeries->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pnlSeries->setIndent(3);
    typeLabel = new QLabel(QStringLiteral("示名条のタイプ(&P)"), stripGroup);
    typeLabel->setObjectName(QStringLiteral("typeLabel"));
    typeLabel->move(16, 64);
    cmbType = new QComboBox(stripGroup);
    cmbType->setObjectName(QStringLiteral("cmbType"));
    cmbType->setGeometry(130, 60, 270, 20);
    typeLabel->setBuddy(cmbType);
    seriesLabel->setBuddy(pnlSeries); // shows the mnemonic; the panel takes no focus

    userGroup = new QGroupBox(QStringLiteral("使用者情報"), this);

    userGroup->setObjectName(QStringLiteral("userGroup"));
    userGroup->setGeometry(10, 130, 421, 164);
    extensionLabel = new QLabel(QStringLiteral("内線番号(&E)"), userGroup);
    extensionLabel->setObjectName(QStringLiteral("extensionLabel"));
    extensionLabel->move(16, 34);
    extensionEdit = new QLineEdit(userGroup);
    extensionEdit->setObjectName(QStringLiteral("extensionEdit"));
    extensionEdit->setGeometry(100, 30, 300, 20);
    ComboBoxExternal = new QComboBox(userGroup);
    ComboBoxExternal->setObjectName(QStringLiteral("ComboBoxExternal"));
    ComboBoxExternal->setGeometry(100, 30, 300, 20);
    ComboBoxExternal->setEditable(true);
    ComboBoxExternal->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxExternal->setCompleter(nullptr); // typing must not pick an entry by itself
    departmentLabel = new QLabel(QStringLiteral("部署(&B)"), userGroup);
    departmentLabel->setObjectName(QStringLiteral("departmentLabel"));
    departmentLabel->move(16, 64);
    departmentEdit = new QLineEdit(userGroup);
    departmentEdit->setObjectName(QStringLiteral("departmentEdit"));
    departmentEdit->setGeometry(100, 60, 300, 20);
    departmentLabel->setBuddy(departmentEdit);
    userNameLabel = new QLabel(QStringLiteral("使用者名(&U)"), userGroup);
    userNameLabel->setObjectName(QStringLiteral("userNameLabel"));
    userNameLabel->move(16, 94);
    userNameEdit = new QLineEdit(userGroup);
    userNameEdit->setObjectName(QStringLiteral("userNameEdit"));
    userNameEdit->setGeometry(100, 90, 300, 20);
    userNameLabel->setBuddy(userNameEdit);
    copySourceLabel = new QLabel(QStringLiteral("複製元指定(&T)"), userGroup);
    copySourceLabel->setObjectName(QStringLiteral("copySourceLabel"));
    copySourceLabel->move(16, 124);
    copySourceBox = new QComboBox(userGroup);
    copySourceBox->setObjectName(QStringLiteral("copySourceBox"));
    copySourceBox->setGeometry(100, 120, 300, 20);
    copySourceLabel->setBuddy(copySourceBox);
    for (QLabel *l : {extensionLabel, seriesLabel, typeLabel, copySourceLabel, departmentLabel, userNameLabel})
        l->adjustSize();

    ButtonOk = new QPushButton(QStringLiteral("OK"), this);

    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setGeometry(270, 304, 75, 23);
    ButtonOk->setDefault(true);
    ButtonOk->setAutoDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setGeometry(356, 304, 75, 23);
    ButtonCancel->setAutoDefault(true); // focused, it takes Enter

    setTabOrder(cmbType, extensionEdit);
    setTabOrder(extensionEdit, ComboBoxExternal);
    setTabOrder(ComboBoxExternal, departmentEdit);
    setTabOrder(departmentEdit, userNameEdit);
    setTabOrder(userNameEdit, copySourceBox);
    setTabOrder(copySourceBox, ButtonOk);
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
    connect(extensionEdit, &QLineEdit::textChanged, this, &TFTelAdd::UpdateOk);
    connect(departmentEdit, &QLineEdit::textChanged, this, &TFTelAdd::UpdateOk);
    connect(userNameEdit, &QLineEdit::textChanged, this, &TFTelAdd::UpdateOk);
    connect(ButtonOk, &QPushButton::clicked, this, &TFTelAdd::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFTelAdd::~TFTelAdd() = default;

void TFTelAdd::start(const Request &request)
{
    m_request = request;
    m_result = Result();
    m_result.row = request.row;
}

std::optional<TFTelAdd::Result> TFTelAdd::ask(const Request &request)
{
    start(request);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return m_result;
}

QString TFTelAdd::copySourceText(const EntryHeader &r)
{
    return r.extension + QStringLiteral(" 使用者名：") + r.userName;
}

QLineEdit *TFTelAdd::activeExtensionEdit() const
{
    return m_request.mode == Mode::Edit ? ComboBoxExternal->lineEdit() : extensionEdit;
}

void TFTelAdd::fillTypes(const QString &series, const QString &keepType)
{
    Filling guard(m_filling);
    cmbType->clear();
    cmbType->addItems(templates::listTemplates(m_request.templateFolders, series));
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
    if (m_request.mode == Mode::Create) {
        setWindowTitle(QStringLiteral("示名条の作成"));
        pnlSeries->setText(m_request.selectorSeries);
        fillTypes(m_request.selectorSeries, QString());
        cmbType->setEnabled(true);
        copySourceBox->setEnabled(true);
        ComboBoxExternal->hide();
        extensionEdit->show();
        extensionLabel->setBuddy(extensionEdit);
        selectType(QString());
        extensionEdit->clear();
        departmentEdit->clear();
        userNameEdit->clear();
        cmbTypeChange();
        extensionEdit->setFocus();
    } else {
        setWindowTitle(QStringLiteral("示名条の編集"));
        const int row = m_request.row;
        const EntryHeader r = row >= 0 && row < m_request.rows.size() ? m_request.rows.at(row) : EntryHeader();
        pnlSeries->setText(r.seriesCaption);
        fillTypes(r.seriesCaption, r.stripType);
        cmbType->setEnabled(false);
        copySourceBox->setEnabled(false);
        extensionEdit->hide();
        ComboBoxExternal->show();
        extensionLabel->setBuddy(ComboBoxExternal);
        {
            Filling guard(m_filling);
            ComboBoxExternal->clear();
            for (const EntryHeader &h : m_request.rows)
                ComboBoxExternal->addItem(h.extension);
            ComboBoxExternal->setCurrentIndex(row >= 0 && row < m_request.rows.size() ? row : -1);
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
        copySourceBox->clear();
        copySourceBox->addItem(NoCopySource, -1);
        const QString type = cmbType->currentText();
        for (int row = 0; row < m_request.rows.size(); ++row)
            if (m_request.rows.at(row).stripType == type)
                copySourceBox->addItem(copySourceText(m_request.rows.at(row)), row);
        copySourceBox->setCurrentIndex(0);
    }
    UpdateOk();
    if (ComboBoxExternal->isVisible())
        ComboBoxExternal->setFocus();
    else if (extensionEdit->isVisible())
        extensionEdit->setFocus();
}

void TFTelAdd::ComboBoxExternalChange()
{
    UpdateOk();
    const int i = ComboBoxExternal->currentIndex();
    if (i < 0 || i >= m_request.rows.size())
        return;
    m_result.row = i;
    const EntryHeader &r = m_request.rows.at(i);
    // The series follows the picked entry too, so that OK does not give it
    // the series of the entry the dialog was opened for.
    if (pnlSeries->text() != r.seriesCaption || cmbType->findText(r.stripType) < 0) {
        pnlSeries->setText(r.seriesCaption);
        fillTypes(r.seriesCaption, r.stripType);
    }
    selectType(r.stripType);
    extensionEdit->setText(r.extension);
    departmentEdit->setText(r.department);
    userNameEdit->setText(r.userName);
}

void TFTelAdd::UpdateOk()
{
    const QString ext = m_request.mode == Mode::Edit ? ComboBoxExternal->currentText() : extensionEdit->text();
    ButtonOk->setEnabled(!trimControls(cmbType->currentText()).isEmpty() && !trimControls(ext).isEmpty());
}

void TFTelAdd::ButtonOkClick()
{
    if (!ButtonOk->isEnabled())
        return;
    extensionEdit->setText(trimControls(extensionEdit->text()));
    departmentEdit->setText(trimControls(departmentEdit->text()));
    userNameEdit->setText(trimControls(userNameEdit->text()));
    {
        Filling guard(m_filling);
        ComboBoxExternal->setEditText(trimControls(ComboBoxExternal->currentText()));
    }
    // Each value is mapped and checked by the register's input rule; the
    // first refused one is named and nothing is stored.
    const std::pair<QLineEdit *, textrule::Field> values[] = {
        {activeExtensionEdit(), textrule::Field::Extension},
        {departmentEdit, textrule::Field::Department},
        {userNameEdit, textrule::Field::UserName},
    };
    for (const auto &[edit, field] : values) {
        const QString mapped = textrule::mapInput(edit->text(), m_request.encoding);
        if (mapped != edit->text()) {
            Filling guard(m_filling);
            edit->setText(mapped);
        }
        if (const textrule::Refusal r = textrule::check(mapped, field, m_request.encoding)) {
            UserDialogs::current().message(this, r.message());
            edit->selectAll();
            edit->setFocus();
            return;
        }
    }
    const QString newExtension = m_request.mode == Mode::Edit ? ComboBoxExternal->currentText() : extensionEdit->text();
    const QString oldExtension = m_request.mode == Mode::Edit ? extensionEdit->text() : QString();
    if (newExtension != oldExtension) {
        for (const EntryHeader &r : m_request.rows) {
            if (r.extension == newExtension) {
                UserDialogs::current().message(this, DuplicateMessage);
                QLineEdit *edit = activeExtensionEdit();
                edit->selectAll();
                edit->setFocus();
                return;
            }
        }
    }
    EntryHeader &h = m_result.header;
    h.seriesCaption = pnlSeries->text();
    h.stripType = cmbType->currentText();
    h.extension = newExtension;
    h.department = departmentEdit->text();
    h.userName = userNameEdit->text();
    h.date = EntryHeader::dateText(QDateTime::currentDateTime());
    m_result.copySourceRow = m_request.mode == Mode::Create ? copySourceBox->currentData().toInt() : -1;
    accept();
}
