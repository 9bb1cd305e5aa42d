#include "windows/print/sheetprintdialog.h"

#include "platform/settingsstore.h"
#include "windows/common/appsettings.h"
#include "windows/common/userdialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

const QString SheetPrintDialog::Caption = QStringLiteral("印刷する用紙");
const QString SheetPrintDialog::NumbersOnly = QStringLiteral("数字のみ入力してください。");
const QString SheetPrintDialog::PaperRefused =
    QStringLiteral("用紙は一覧から選ぶか、幅x高さ（mm、たとえば 100x148）を入力してください。");

namespace {

// The cut guides in the order the list offers them.
const print::CutGuides CutOrder[] = {print::CutGuides::Marks, print::CutGuides::Lines, print::CutGuides::None};

int cutIndex(print::CutGuides cut)
{
    for (int i = 0; i < 3; ++i)
        if (CutOrder[i] == cut)
            return i;
    return 0;
}

} // namespace

SheetChoice SheetChoice::read(const SettingsStore &store)
{
    namespace as = appsettings;
    SheetChoice c;
    print::SheetSettings &s = c.settings;
    c.onSheets = as::read(store, as::SheetOnSheets);
    if (const auto paper = print::sheetPaperNamed(as::read(store, as::SheetPaper)))
        s.paper = *paper;
    s.landscape = as::read(store, as::SheetLandscape);
    for (const auto &[key, target] : {std::pair{&as::SheetMargin, &s.margin}, std::pair{&as::SheetGap, &s.gap}}) {
        Fixed4 v;
        if (Fixed4::tryParse(as::read(store, *key), v) && v >= Fixed4() && v <= Fixed4::fromInt(1000))
            *target = v;
    }
    s.cut = CutOrder[qBound(0, as::read(store, as::SheetCut), 2)];
    s.captions = as::read(store, as::SheetCaptions);
    s.start = qBound(1, as::read(store, as::SheetStart), 999);
    s.rotate = as::read(store, as::SheetRotate);
    return c;
}

void SheetChoice::write(SettingsStore &store) const
{
    namespace as = appsettings;
    const print::SheetSettings &s = settings;
    as::write(store, as::SheetOnSheets, onSheets);
    as::write(store, as::SheetPaper, s.paper.name);
    as::write(store, as::SheetLandscape, s.landscape);
    as::write(store, as::SheetMargin, s.margin.toString());
    as::write(store, as::SheetGap, s.gap.toString());
    as::write(store, as::SheetCut, cutIndex(s.cut));
    as::write(store, as::SheetCaptions, s.captions);
    as::write(store, as::SheetStart, s.start);
    as::write(store, as::SheetRotate, s.rotate);
}

SheetPrintDialog::SheetPrintDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("sheetPrintDialog"));
    setWindowTitle(Caption);
    auto *layout = new QVBoxLayout(this);
    auto named = [](auto *w, const char *name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    m_formsButton = named(new QRadioButton(QStringLiteral("専用用紙に１枚ずつ印刷(&F)"), this), "formsButton");
    m_sheetsButton = named(new QRadioButton(QStringLiteral("普通紙に複数枚まとめて印刷(&S)"), this), "sheetsButton");
    auto *group = new QButtonGroup(this);
    group->addButton(m_formsButton);
    group->addButton(m_sheetsButton);
    layout->addWidget(m_formsButton);
    layout->addWidget(m_sheetsButton);

    auto *form = new QFormLayout;
    form->setContentsMargins(24, 0, 0, 0);
    m_paperBox = named(new QComboBox(this), "paperBox");
    for (const QString &name : print::sheetPaperNames())
        m_paperBox->addItem(name == QLatin1String("B4") ? QStringLiteral("B4(JIS)")
                            : name == QLatin1String("JIS-B5") ? QStringLiteral("B5(JIS)")
                                                              : name,
                            name);
    // A paper of any size is typed as width x height in mm.
    m_paperBox->setEditable(true);
    m_paperBox->setInsertPolicy(QComboBox::NoInsert);
    m_paperBox->setCompleter(nullptr);
    m_paperBox->lineEdit()->setObjectName(QStringLiteral("paperEdit"));
    m_paperBox->setToolTip(QStringLiteral("一覧にない用紙は 幅x高さ（mm）で入力します"));
    m_orientationBox = named(new QComboBox(this), "orientationBox");
    m_orientationBox->addItems({QStringLiteral("縦"), QStringLiteral("横")});
    m_marginEdit = named(new QLineEdit(this), "marginEdit");
    m_gapEdit = named(new QLineEdit(this), "gapEdit");
    for (QLineEdit *e : {m_marginEdit, m_gapEdit}) {
        e->setAlignment(Qt::AlignRight);
        e->setMaximumWidth(60);
    }
    m_cutBox = named(new QComboBox(this), "cutBox");
    m_cutBox->addItems({QStringLiteral("トンボ"), QStringLiteral("切り取り線"), QStringLiteral("なし")});
    m_captionsBox = named(new QCheckBox(QStringLiteral("内線番号・部署・使用者名を添える(&N)"), this), "captionsBox");
    m_startBox = named(new QSpinBox(this), "startBox");
    m_startBox->setRange(1, 999);
    m_rotateBox = named(new QCheckBox(QStringLiteral("収まらないときは90度回して置く(&R)"), this), "rotateBox");

    auto withUnit = [this](QWidget *w, const QString &unit) {
        auto *row = new QHBoxLayout;
        row->addWidget(w);
        row->addWidget(new QLabel(unit, this));
        row->addStretch(1);
        return row;
    };
    auto label = [this](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    form->addRow(label(QStringLiteral("用紙(&P)"), m_paperBox), m_paperBox);
    form->addRow(label(QStringLiteral("向き(&O)"), m_orientationBox), m_orientationBox);
    form->addRow(label(QStringLiteral("余白(&M)"), m_marginEdit), withUnit(m_marginEdit, QStringLiteral("mm")));
    form->addRow(label(QStringLiteral("間隔(&G)"), m_gapEdit), withUnit(m_gapEdit, QStringLiteral("mm")));
    form->addRow(label(QStringLiteral("切り取り(&C)"), m_cutBox), m_cutBox);
    form->addRow(QString(), m_captionsBox);
    form->addRow(label(QStringLiteral("開始位置(&T)"), m_startBox),
                 withUnit(m_startBox, QStringLiteral("面目から（１枚目のみ）")));
    form->addRow(QString(), m_rotateBox);
    layout->addLayout(form);
    m_sheetControls = {m_paperBox, m_orientationBox, m_marginEdit, m_gapEdit, m_cutBox, m_captionsBox, m_startBox,
                       m_rotateBox};

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_okButton = named(new QPushButton(QStringLiteral("OK"), this), "okButton");
    m_cancelButton = named(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this), "cancelButton");
    m_okButton->setDefault(true);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    layout->addLayout(buttons);

    connect(m_formsButton, &QRadioButton::toggled, this, &SheetPrintDialog::syncEnabled);
    connect(m_okButton, &QPushButton::clicked, this, [this] {
        m_result = read();
        if (m_result)
            accept();
    });
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<SheetChoice> SheetPrintDialog::ask(QWidget *parent, const SheetChoice &current)
{
    SheetPrintDialog dialog(parent);
    dialog.show(current);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.m_result;
}

void SheetPrintDialog::show(const SheetChoice &c)
{
    m_current = c;
    const print::SheetSettings &s = c.settings;
    (c.onSheets ? m_sheetsButton : m_formsButton)->setChecked(true);
    const int paper = m_paperBox->findData(s.paper.name);
    if (paper < 0) // a paper given by its size in the settings file
        m_paperBox->addItem(s.paper.name, s.paper.name);
    m_paperBox->setCurrentIndex(paper >= 0 ? paper : m_paperBox->count() - 1);
    m_orientationBox->setCurrentIndex(s.landscape ? 1 : 0);
    m_marginEdit->setText(s.margin.toString());
    m_gapEdit->setText(s.gap.toString());
    m_cutBox->setCurrentIndex(cutIndex(s.cut));
    m_captionsBox->setChecked(s.captions);
    m_startBox->setValue(s.start);
    m_rotateBox->setChecked(s.rotate);
    syncEnabled();
}

void SheetPrintDialog::syncEnabled()
{
    for (QWidget *w : m_sheetControls)
        w->setEnabled(m_sheetsButton->isChecked());
}

std::optional<SheetChoice> SheetPrintDialog::read()
{
    SheetChoice c = m_current;
    c.onSheets = m_sheetsButton->isChecked();
    print::SheetSettings &s = c.settings;
    // A paper of the list by its shown name, or one typed as W x H.
    QString typed = m_paperBox->currentText().trimmed();
    typed.replace(QChar(0x00D7), u'x').replace(QChar(0xFF58), u'x');
    const int listed = m_paperBox->findText(typed, Qt::MatchFixedString);
    if (const auto paper = print::sheetPaperNamed(listed >= 0 ? m_paperBox->itemData(listed).toString() : typed)) {
        s.paper = *paper;
    } else if (c.onSheets) {
        UserDialogs::current().error(this, PaperRefused);
        m_paperBox->lineEdit()->selectAll();
        m_paperBox->setFocus();
        return std::nullopt;
    }
    s.landscape = m_orientationBox->currentIndex() == 1;
    for (const auto &[edit, target] : {std::pair{m_marginEdit, &s.margin}, std::pair{m_gapEdit, &s.gap}}) {
        const QString text = edit->text().trimmed();
        Fixed4 v;
        // Digits and one point only: no sign, no blanks inside.
        const bool digits = !text.isEmpty() && text.count(u'.') <= 1
                            && std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.isDigit() || ch == u'.'; })
                            && text != QLatin1String(".");
        if (!digits || !Fixed4::tryParse(text, v) || v > Fixed4::fromInt(1000)) {
            if (c.onSheets) {
                UserDialogs::current().error(this, NumbersOnly);
                edit->selectAll();
                edit->setFocus();
                return std::nullopt;
            }
            continue; // not used for forms: the old value stays
        }
        *target = v;
    }
    s.cut = CutOrder[qBound(0, m_cutBox->currentIndex(), 2)];
    s.captions = m_captionsBox->isChecked();
    s.start = m_startBox->value();
    s.rotate = m_rotateBox->isChecked();
    return c;
}
