#include "windows/template/tftemplatedesigner.h"

#include "platform/settingsstore.h"
#include "platform/textfile.h"
#include "print/pageformat.h"
#include "print/strippage.h"
#include "register/series.h"
#include "register/textrule.h"
#include "strip/colourline.h"
#include "windows/common/userdialogs.h"
#include "windows/template/templatecanvas.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

using strip::MmRect;
using tpl::CellData;
using tpl::CellRef;

namespace {

const QString Title = QStringLiteral("テンプレートの設計");

double real(Fixed4 v)
{
    return double(v.raw()) / Fixed4::Scale;
}

Fixed4 fixedOf(double v)
{
    return Fixed4::parse(QString::number(v, 'f', 4));
}

QDoubleSpinBox *mmBox(QWidget *parent, const QString &name, double minimum = -1000)
{
    auto *b = new QDoubleSpinBox(parent);
    b->setObjectName(name);
    b->setAccessibleName(name);
    b->setDecimals(4);
    b->setRange(minimum, 1000);
    b->setSingleStep(0.1);
    b->setSuffix(QStringLiteral(" mm"));
    b->setKeyboardTracking(false);
    return b;
}

MmRect rectOf(QDoubleSpinBox *const boxes[4])
{
    return {fixedOf(boxes[0]->value()), fixedOf(boxes[1]->value()), fixedOf(boxes[2]->value()),
            fixedOf(boxes[3]->value())};
}

void showRect(QDoubleSpinBox *const boxes[4], const MmRect &r)
{
    const Fixed4 v[] = {r.x, r.y, r.width, r.height};
    for (int i = 0; i < 4; ++i)
        boxes[i]->setValue(real(v[i]));
}

// "キーの列を追加": how many keys, their size, pitch and first number.
class AddKeysDialog : public QDialog
{
public:
    AddKeysDialog(bool column, int firstNumber, QWidget *parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("addKeysDialog"));
        setWindowTitle(column ? QStringLiteral("キーの列を追加") : QStringLiteral("キーの行を追加"));
        auto *form = new QFormLayout(this);
        count = new QSpinBox(this);
        count->setObjectName(QStringLiteral("keyCountSpin"));
        count->setRange(1, 100);
        count->setValue(column ? 9 : 3);
        width = mmBox(this, QStringLiteral("keyWidthSpin"), 0.1);
        width->setValue(28);
        height = mmBox(this, QStringLiteral("keyHeightSpin"), 0.1);
        height->setValue(9);
        pitch = mmBox(this, QStringLiteral("keyPitchSpin"), 0.1);
        pitch->setValue(column ? 10 : 32);
        first = new QSpinBox(this);
        first->setObjectName(QStringLiteral("firstKeySpin"));
        first->setRange(1, 999);
        first->setValue(firstNumber);
        form->addRow(QStringLiteral("キーの数(&N):"), count);
        form->addRow(QStringLiteral("キーの幅(&W):"), width);
        form->addRow(QStringLiteral("キーの高さ(&H):"), height);
        form->addRow(QStringLiteral("間隔(&P):"), pitch);
        form->addRow(QStringLiteral("最初のキー番号(&F):"), first);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        form->addRow(buttons);
    }
    QSpinBox *count, *first;
    QDoubleSpinBox *width, *height, *pitch;
};

// The name and folder a template is saved under.
class SaveTemplateDialog : public QDialog
{
public:
    SaveTemplateDialog(const QString &name, bool siteAvailable, QWidget *parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("saveTemplateDialog"));
        setWindowTitle(QStringLiteral("テンプレートの保存"));
        auto *form = new QFormLayout(this);
        edit = new QLineEdit(name, this);
        edit->setObjectName(QStringLiteral("templateNameEdit"));
        user = new QRadioButton(QStringLiteral("自分用(&U)"), this);
        user->setObjectName(QStringLiteral("userFolderRadio"));
        user->setChecked(true);
        site = new QRadioButton(QStringLiteral("共有(&S)"), this);
        site->setObjectName(QStringLiteral("siteFolderRadio"));
        site->setEnabled(siteAvailable);
        form->addRow(QStringLiteral("示名条のタイプ(&T):"), edit);
        form->addRow(QStringLiteral("保存先:"), user);
        form->addRow(QString(), site);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        form->addRow(buttons);
    }
    QLineEdit *edit;
    QRadioButton *user, *site;
};

} // namespace

TFTemplateDesigner::TFTemplateDesigner(const templates::Folders &folders, SettingsStore *settings, QWidget *parent)
    : QMainWindow(parent), m_folders(folders), m_settings(settings)
{
    setObjectName(QStringLiteral("FTemplateDesigner"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_canvas = new TemplateCanvas(m_model, this);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("canvasScroll"));
    scroll->setWidget(m_canvas);
    scroll->setWidgetResizable(false);
    setCentralWidget(scroll);
    buildActions();
    buildPanel();
    connect(&m_model, &tpl::TemplateModel::changed, this, &TFTemplateDesigner::refresh);
    connect(m_canvas, &TemplateCanvas::selectionChanged, this, &TFTemplateDesigner::showSelection);
    m_model.newBlank(series::caption(7));
    refresh();
    resize(1100, 760);
}

TFTemplateDesigner::~TFTemplateDesigner() = default;

QAction *TFTemplateDesigner::makeAction(const char *name, const QString &text, const QKeySequence &key)
{
    auto *a = new QAction(text, this);
    a->setObjectName(QLatin1String(name));
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    addAction(a);
    m_actions.insert(QLatin1String(name), a);
    return a;
}

void TFTemplateDesigner::buildActions()
{
    QAction *newAction = makeAction("ActionDesignerNew", QStringLiteral("新規作成(&N)"), QKeySequence(Qt::CTRL | Qt::Key_N));
    QAction *open = makeAction("ActionDesignerOpen", QStringLiteral("開く(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction *saveAction = makeAction("ActionDesignerSave", QStringLiteral("上書き保存(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction *saveAsAction = makeAction("ActionDesignerSaveAs", QStringLiteral("名前を付けて保存(&A)..."));
    QAction *site = makeAction("ActionDesignerSiteFolder", QStringLiteral("共有フォルダの設定(&F)..."));
    QAction *previewAction = makeAction("ActionDesignerPreview", QStringLiteral("印刷プレビュー(&V)..."));
    QAction *close = makeAction("ActionDesignerClose", QStringLiteral("閉じる(&X)"));
    QAction *undo = makeAction("ActionDesignerUndo", QStringLiteral("元に戻す(&U)"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction *redo = makeAction("ActionDesignerRedo", QStringLiteral("やり直し(&Y)"), QKeySequence(Qt::CTRL | Qt::Key_Y));
    QAction *del = makeAction("ActionDesignerDelete", QStringLiteral("削除(&D)"), QKeySequence(Qt::Key_Delete));
    QAction *dup = makeAction("ActionDesignerDuplicate", QStringLiteral("複製(&C)"), QKeySequence(Qt::CTRL | Qt::Key_D));
    QAction *sectionTool = makeAction("ActionDesignerSectionTool", QStringLiteral("区画を描く(&B)"));
    QAction *column = makeAction("ActionDesignerAddColumn", QStringLiteral("キーの列を追加(&L)..."));
    QAction *row = makeAction("ActionDesignerAddRow", QStringLiteral("キーの行を追加(&R)..."));
    QAction *renumberAction = makeAction("ActionDesignerRenumber", QStringLiteral("キー番号の振り直し(&M)"));
    QAction *snapAction = makeAction("ActionDesignerSnap", QStringLiteral("スナップ(&G)"));
    snapAction->setCheckable(true);
    snapAction->setChecked(true);
    QAction *zoomIn = makeAction("ActionDesignerZoomIn", QStringLiteral("拡大(&I)"), QKeySequence(Qt::CTRL | Qt::Key_Plus));
    QAction *zoomOut = makeAction("ActionDesignerZoomOut", QStringLiteral("縮小(&O)"), QKeySequence(Qt::CTRL | Qt::Key_Minus));

    connect(newAction, &QAction::triggered, this, [this] { newTemplate({7}); });
    connect(open, &QAction::triggered, this, &TFTemplateDesigner::openDialog);
    connect(saveAction, &QAction::triggered, this, &TFTemplateDesigner::save);
    connect(saveAsAction, &QAction::triggered, this, &TFTemplateDesigner::saveAs);
    connect(site, &QAction::triggered, this, &TFTemplateDesigner::chooseSiteFolder);
    connect(previewAction, &QAction::triggered, this, &TFTemplateDesigner::preview);
    connect(close, &QAction::triggered, this, &QWidget::close);
    connect(undo, &QAction::triggered, this, [this] {
        if (m_model.canUndo())
            m_model.undo();
    });
    connect(redo, &QAction::triggered, this, [this] {
        if (m_model.canRedo())
            m_model.redo();
    });
    connect(del, &QAction::triggered, this, &TFTemplateDesigner::deleteSelection);
    connect(dup, &QAction::triggered, this, &TFTemplateDesigner::duplicateSelection);
    connect(sectionTool, &QAction::triggered, this, [this] { m_canvas->setTool(TemplateCanvas::Tool::Section); });
    connect(column, &QAction::triggered, this, [this] { addKeys(true); });
    connect(row, &QAction::triggered, this, [this] { addKeys(false); });
    connect(renumberAction, &QAction::triggered, this, &TFTemplateDesigner::renumber);
    connect(snapAction, &QAction::toggled, this, [this](bool on) {
        m_canvas->snap().grid = on;
        m_canvas->snap().edges = on;
    });
    connect(zoomIn, &QAction::triggered, this, [this] { m_canvas->setZoom(m_canvas->zoom() * 1.25); });
    connect(zoomOut, &QAction::triggered, this, [this] { m_canvas->setZoom(m_canvas->zoom() / 1.25); });

    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("ファイル(&F)"));
    file->addActions({newAction, open, saveAction, saveAsAction});
    file->addSeparator();
    file->addActions({site, previewAction});
    file->addSeparator();
    file->addAction(close);
    QMenu *edit = bar->addMenu(QStringLiteral("編集(&E)"));
    edit->addActions({undo, redo});
    edit->addSeparator();
    edit->addActions({del, dup});
    QMenu *keys = bar->addMenu(QStringLiteral("キー(&K)"));
    keys->addActions({sectionTool, column, row, renumberAction});
    QMenu *view = bar->addMenu(QStringLiteral("表示(&V)"));
    view->addActions({zoomIn, zoomOut, snapAction});

    QToolBar *tools = addToolBar(QStringLiteral("道具"));
    tools->setObjectName(QStringLiteral("designerToolBar"));
    tools->addActions({saveAction, undo, redo});
    tools->addSeparator();
    tools->addActions({sectionTool, column, row, renumberAction});
    tools->addSeparator();
    tools->addActions({snapAction, zoomIn, zoomOut, previewAction});
    for (QAction *a : tools->actions())
        if (QWidget *w = tools->widgetForAction(a))
            w->setObjectName(a->objectName() + QStringLiteral("Button"));
}

void TFTemplateDesigner::buildPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("propertyPanel"));
    auto *layout = new QVBoxLayout(panel);

    auto *seriesGroup = new QGroupBox(QStringLiteral("使うシリーズ"), panel);
    auto *seriesLayout = new QGridLayout(seriesGroup);
    for (int s = 0; s < series::Count; ++s) {
        auto *c = new QCheckBox(series::caption(s), seriesGroup);
        c->setObjectName(QStringLiteral("seriesCheck%1").arg(s));
        seriesLayout->addWidget(c, s / 2, s % 2);
        connect(c, &QCheckBox::toggled, this, &TFTemplateDesigner::applySeries);
        m_seriesChecks.append(c);
    }
    layout->addWidget(seriesGroup);

    m_sectionGroup = new QGroupBox(QStringLiteral("区画"), panel);
    auto *sectionForm = new QFormLayout(m_sectionGroup);
    m_keyNumbersCheck = new QCheckBox(QStringLiteral("キー番号を表示する"), m_sectionGroup);
    m_keyNumbersCheck->setObjectName(QStringLiteral("keyNumbersCheck"));
    sectionForm->addRow(m_keyNumbersCheck);
    const QStringList parts{QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("幅"), QStringLiteral("高さ")};
    const QStringList partNames{QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Width"), QStringLiteral("Height")};
    for (int i = 0; i < 4; ++i) {
        m_sectionBox[i] = mmBox(m_sectionGroup, QStringLiteral("section") + partNames.at(i), i >= 2 ? 0 : -1000);
        sectionForm->addRow(parts.at(i), m_sectionBox[i]);
        connect(m_sectionBox[i], &QDoubleSpinBox::editingFinished, this, &TFTemplateDesigner::applySection);
    }
    connect(m_keyNumbersCheck, &QCheckBox::toggled, this, &TFTemplateDesigner::applySection);
    layout->addWidget(m_sectionGroup);

    m_cellGroup = new QGroupBox(QStringLiteral("キー"), panel);
    auto *cellForm = new QFormLayout(m_cellGroup);
    auto boxes = [&](QDoubleSpinBox **target, const QString &prefix, const QString &label) {
        auto *row = new QWidget(m_cellGroup);
        auto *h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        for (int i = 0; i < 4; ++i) {
            target[i] = mmBox(row, prefix + partNames.at(i), i >= 2 ? 0 : -1000);
            target[i]->setToolTip(label + u' ' + parts.at(i));
            h->addWidget(target[i]);
            connect(target[i], &QDoubleSpinBox::editingFinished, this, &TFTemplateDesigner::applyCell);
        }
        cellForm->addRow(label, row);
    };
    boxes(m_keyBox, QStringLiteral("keyBox"), QStringLiteral("キーの枠"));
    boxes(m_numberBox, QStringLiteral("keyNumberBox"), QStringLiteral("キー番号の枠"));
    boxes(m_textBox, QStringLiteral("textArea"), QStringLiteral("文字の枠"));
    m_keyNumber = new QSpinBox(m_cellGroup);
    m_keyNumber->setObjectName(QStringLiteral("keyNumberSpin"));
    m_keyNumber->setRange(1, 999);
    m_keyNumber->setKeyboardTracking(false);
    cellForm->addRow(QStringLiteral("キー番号"), m_keyNumber);
    m_preset = new QCheckBox(QStringLiteral("固定の文字列(&P)"), m_cellGroup);
    m_preset->setObjectName(QStringLiteral("presetCheck"));
    cellForm->addRow(m_preset);
    m_presetSize = new QSpinBox(m_cellGroup);
    m_presetSize->setObjectName(QStringLiteral("presetSizeSpin"));
    m_presetSize->setRange(1, 99);
    m_presetSize->setKeyboardTracking(false);
    cellForm->addRow(QStringLiteral("文字サイズ"), m_presetSize);
    m_presetText = new QLineEdit(m_cellGroup);
    m_presetText->setObjectName(QStringLiteral("presetTextEdit"));
    cellForm->addRow(QStringLiteral("文字列"), m_presetText);
    m_numberFace = new QComboBox(m_cellGroup);
    m_numberFace->setObjectName(QStringLiteral("keyNumberFaceCombo"));
    m_numberFace->addItems({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("ＭＳ ゴシック"), QStringLiteral("ＭＳ 明朝"),
                            QStringLiteral("ＭＳ Ｐ明朝")});
    cellForm->addRow(QStringLiteral("キー番号の書体"), m_numberFace);
    m_numberSize = new QSpinBox(m_cellGroup);
    m_numberSize->setObjectName(QStringLiteral("keyNumberSizeSpin"));
    m_numberSize->setRange(1, 99);
    m_numberSize->setKeyboardTracking(false);
    cellForm->addRow(QStringLiteral("キー番号のサイズ"), m_numberSize);
    m_numberBold = new QCheckBox(QStringLiteral("太字"), m_cellGroup);
    m_numberBold->setObjectName(QStringLiteral("keyNumberBoldCheck"));
    m_numberItalic = new QCheckBox(QStringLiteral("斜体"), m_cellGroup);
    m_numberItalic->setObjectName(QStringLiteral("keyNumberItalicCheck"));
    cellForm->addRow(m_numberBold);
    cellForm->addRow(m_numberItalic);
    m_numberAlignment = new QComboBox(m_cellGroup);
    m_numberAlignment->setObjectName(QStringLiteral("keyNumberAlignmentCombo"));
    m_numberAlignment->addItems({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    cellForm->addRow(QStringLiteral("キー番号の配置"), m_numberAlignment);
    m_numberColour = new QPushButton(QStringLiteral("色を選ぶ..."), m_cellGroup);
    m_numberColour->setObjectName(QStringLiteral("keyNumberColourButton"));
    m_numberColour->setAccessibleName(QStringLiteral("キー番号の色"));
    cellForm->addRow(QStringLiteral("キー番号の色"), m_numberColour);
    connect(m_numberColour, &QPushButton::clicked, this, &TFTemplateDesigner::chooseNumberColour);
    connect(m_keyNumber, &QSpinBox::editingFinished, this, &TFTemplateDesigner::applyCell);
    connect(m_preset, &QCheckBox::toggled, this, &TFTemplateDesigner::applyCell);
    connect(m_presetSize, &QSpinBox::editingFinished, this, &TFTemplateDesigner::applyCell);
    connect(m_presetText, &QLineEdit::editingFinished, this, &TFTemplateDesigner::applyCell);
    connect(m_numberFace, &QComboBox::activated, this, &TFTemplateDesigner::applyCell);
    connect(m_numberSize, &QSpinBox::editingFinished, this, &TFTemplateDesigner::applyCell);
    connect(m_numberBold, &QCheckBox::toggled, this, &TFTemplateDesigner::applyCell);
    connect(m_numberItalic, &QCheckBox::toggled, this, &TFTemplateDesigner::applyCell);
    connect(m_numberAlignment, &QComboBox::activated, this, &TFTemplateDesigner::applyCell);
    layout->addWidget(m_cellGroup);

    m_problems = new QListWidget(panel);
    m_problems->setObjectName(QStringLiteral("problemList"));
    m_problems->setAccessibleName(QStringLiteral("チェックの結果"));
    connect(m_problems, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        const int section = item->data(Qt::UserRole).toInt(), cell = item->data(Qt::UserRole + 1).toInt();
        if (section >= 0 && cell >= 0 && m_model.isValid({section, cell}))
            m_canvas->selectCells({{section, cell}});
        else if (section >= 0 && section < m_model.sectionCount())
            m_canvas->selectSection(section);
    });
    layout->addWidget(new QLabel(QStringLiteral("チェックの結果:"), panel));
    layout->addWidget(m_problems, 1);

    auto *dock = new QDockWidget(QStringLiteral("プロパティ"), this);
    dock->setObjectName(QStringLiteral("propertyDock"));
    auto *scroll = new QScrollArea(dock);
    scroll->setWidget(panel);
    scroll->setWidgetResizable(true);
    dock->setWidget(scroll);
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    addDockWidget(Qt::RightDockWidgetArea, dock);
}

void TFTemplateDesigner::refresh()
{
    m_updating = true;
    const QList<int> offered = m_model.offeredSeries();
    for (int s = 0; s < m_seriesChecks.size(); ++s)
        m_seriesChecks.at(s)->setChecked(offered.contains(s));
    m_updating = false;
    m_problems->clear();
    for (const templates::Problem &p : m_model.check()) {
        auto *item = new QListWidgetItem((p.isError() ? QStringLiteral("エラー: ") : QStringLiteral("警告: ")) + p.text(),
                                         m_problems);
        item->setData(Qt::UserRole, p.section);
        item->setData(Qt::UserRole + 1, p.cell);
    }
    m_actions.value(QStringLiteral("ActionDesignerUndo"))->setEnabled(m_model.canUndo());
    m_actions.value(QStringLiteral("ActionDesignerRedo"))->setEnabled(m_model.canRedo());
    showSelection();
    updateTitle();
}

void TFTemplateDesigner::updateTitle()
{
    QString name = m_name.isEmpty() ? QStringLiteral("無題") : m_name;
    if (m_installed)
        name += QStringLiteral("（インストール済み・読み取り専用）");
    setWindowTitle(name + (m_model.isModified() ? QStringLiteral(" *") : QString()) + QStringLiteral(" - ") + Title);
}

void TFTemplateDesigner::showSelection()
{
    m_updating = true;
    const QList<CellRef> &cells = m_canvas->selection();
    const int section = cells.size() == 1 ? cells.first().section : m_canvas->selectedSection();
    m_sectionGroup->setEnabled(section >= 0);
    if (section >= 0 && section < m_model.sectionCount()) {
        m_keyNumbersCheck->setChecked(m_model.keyNumbersShown(section));
        showRect(m_sectionBox, m_model.sectionRect(section));
    }
    m_cellGroup->setEnabled(cells.size() == 1);
    if (cells.size() == 1 && m_model.isValid(cells.first())) {
        const CellData d = m_model.cell(cells.first());
        showRect(m_keyBox, d.keyBox);
        showRect(m_numberBox, d.keyNumberBox);
        showRect(m_textBox, d.textArea);
        m_preset->setChecked(!d.isAssignable());
        m_keyNumber->setValue(std::max(1, std::abs(d.keyNumber())));
        m_keyNumber->setEnabled(d.isAssignable());
        m_presetSize->setValue(d.presetSize());
        m_presetSize->setEnabled(!d.isAssignable());
        m_presetText->setText(d.presetText());
        m_presetText->setEnabled(!d.isAssignable());
        m_numberFace->setCurrentText(d.keyNumberFace);
        m_numberSize->setValue(d.keyNumberSize);
        m_numberBold->setChecked(d.keyNumberBold != 0);
        m_numberItalic->setChecked(d.keyNumberItalic != 0);
        m_numberAlignment->setCurrentIndex(std::clamp(d.keyNumberAlignment, 0, 3));
        QPixmap swatch(16, 12);
        swatch.fill(strip::toQColor(d.keyNumberColour));
        m_numberColour->setIcon(swatch);
    }
    m_updating = false;
}

void TFTemplateDesigner::applyCell()
{
    if (m_updating || m_canvas->selection().size() != 1)
        return;
    const CellRef ref = m_canvas->selection().first();
    if (!m_model.isValid(ref))
        return;
    CellData d = m_model.cell(ref);
    d.keyBox = rectOf(m_keyBox);
    d.keyNumberBox = rectOf(m_numberBox);
    d.textArea = rectOf(m_textBox);
    if (m_preset->isChecked()) {
        const QString text = textrule::mapInput(m_presetText->text(), TextEncoding::Cp932);
        if (const textrule::Refusal r = textrule::check(text, textrule::Field::CellLine, TextEncoding::Cp932);
            r && r.kind != textrule::Refusal::Kind::TooLong) {
            UserDialogs::current().message(this, r.message());
            showSelection();
            return;
        }
        // A preset key keeps the digits of a negative key number it shows.
        const QString digits = d.keyNumber() < 0 ? d.keyCode.left(3) : QStringLiteral("000");
        d.keyCode = digits + CellData::presetCode(m_presetSize->value(), text).mid(3);
    } else {
        d.keyCode = CellData::assignableCode(m_keyNumber->value());
    }
    d.keyNumberFace = m_numberFace->currentText();
    d.keyNumberSize = m_numberSize->value();
    d.keyNumberBold = m_numberBold->isChecked() ? 1 : 0;
    d.keyNumberItalic = m_numberItalic->isChecked() ? 1 : 0;
    d.keyNumberAlignment = m_numberAlignment->currentIndex();
    m_model.setCell(ref, d);
    showSelection();
}

// The key number's colour of the one selected key, through the colour dialog.
void TFTemplateDesigner::chooseNumberColour()
{
    if (m_canvas->selection().size() != 1)
        return;
    const CellRef ref = m_canvas->selection().first();
    if (!m_model.isValid(ref))
        return;
    CellData d = m_model.cell(ref);
    const QColor chosen = UserDialogs::current().chooseColour(this, strip::toQColor(d.keyNumberColour));
    if (!chosen.isValid())
        return;
    d.keyNumberColour = strip::fromQColor(chosen);
    m_model.setCell(ref, d);
    showSelection();
}

void TFTemplateDesigner::applySection()
{
    if (m_updating)
        return;
    const QList<CellRef> &cells = m_canvas->selection();
    const int section = cells.size() == 1 ? cells.first().section : m_canvas->selectedSection();
    if (section < 0 || section >= m_model.sectionCount())
        return;
    tpl::TemplateModel::Step step(m_model, QStringLiteral("区画の変更"));
    m_model.setKeyNumbersShown(section, m_keyNumbersCheck->isChecked());
    m_model.setSectionRect(section, rectOf(m_sectionBox));
}

void TFTemplateDesigner::applySeries()
{
    if (m_updating)
        return;
    QList<int> chosen;
    for (int s = 0; s < m_seriesChecks.size(); ++s)
        if (m_seriesChecks.at(s)->isChecked())
            chosen.append(s);
    m_model.setOfferedSeries(chosen);
}

void TFTemplateDesigner::addKeys(bool column)
{
    int section = m_canvas->selection().isEmpty() ? m_canvas->selectedSection() : m_canvas->selection().first().section;
    if (section < 0) {
        if (m_model.sectionCount() == 0) {
            UserDialogs::current().message(this, QStringLiteral("先に区画を描いてください。"));
            return;
        }
        section = m_model.sectionCount() - 1;
    }
    int next = 1;
    for (const CellRef &r : m_model.allCells())
        next = std::max(next, m_model.cell(r).keyNumber() + 1);
    AddKeysDialog dialog(column, std::min(next, 999), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    tpl::GridSpec g;
    g.columns = column ? 1 : dialog.count->value();
    g.rows = column ? dialog.count->value() : 1;
    g.keyWidth = fixedOf(dialog.width->value());
    g.keyHeight = fixedOf(dialog.height->value());
    g.pitchX = g.pitchY = fixedOf(dialog.pitch->value());
    g.firstNumber = dialog.first->value();
    // Beside (a column) or below (a row) the keys the section holds.
    Fixed4 right, bottom;
    for (int c = 0; c < m_model.cellCount(section); ++c) {
        const MmRect k = m_model.cell({section, c}).keyBox;
        right = std::max(right, k.x + k.width);
        bottom = std::max(bottom, k.y + k.height);
    }
    if (m_model.cellCount(section) > 0) {
        if (column)
            g.firstX = right + Fixed4::fromInt(2);
        else
            g.firstY = bottom + Fixed4::fromInt(1);
    }
    if (const QString problem = g.problem(); !problem.isEmpty()) {
        UserDialogs::current().message(this, problem);
        return;
    }
    m_canvas->selectCells(m_model.addCells(section, g.cells()));
}

void TFTemplateDesigner::renumber()
{
    m_model.renumber();
}

void TFTemplateDesigner::deleteSelection()
{
    if (!m_canvas->selection().isEmpty())
        m_model.removeCells(m_canvas->selection());
    else if (m_canvas->selectedSection() >= 0)
        m_model.removeSection(m_canvas->selectedSection());
    m_canvas->selectCells({});
}

void TFTemplateDesigner::duplicateSelection()
{
    if (m_canvas->selection().isEmpty())
        return;
    m_canvas->selectCells(m_model.duplicateCells(m_canvas->selection(), Fixed4::fromInt(2), Fixed4::fromInt(2)));
}

void TFTemplateDesigner::preview()
{
    const QList<int> offered = m_model.offeredSeries();
    const QString caption = series::caption(offered.isEmpty() ? 7 : offered.first());
    const QString type = m_name.isEmpty() ? QStringLiteral("無題") : m_name;
    const print::PageFormatInfo &f = print::pageFormatInfo(print::selectPageFormat(caption, type));
    QImage page(f.pixelWidth, f.pixelHeight, QImage::Format_RGB32);
    page.fill(Qt::white);
    try {
        const RegisterLines lines(tpl::previewRegister(m_model.lines(), caption, type));
        QPainter p(&page);
        print::drawStripPageAt(p, lines, tpl::PreviewHeaderLine, {f.sx, f.sy, Fixed4(), Fixed4(), {}});
    } catch (const TavrelError &e) {
        UserDialogs::current().error(this, e.message());
        return;
    }
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("templatePreview"));
    dialog.setWindowTitle(QStringLiteral("印刷プレビュー"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(&dialog);
    label->setObjectName(QStringLiteral("previewImage"));
    label->setPixmap(QPixmap::fromImage(page));
    label->setFrameShape(QFrame::Box);
    layout->addWidget(label);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.exec();
}

void TFTemplateDesigner::chooseSiteFolder()
{
    if (!m_settings)
        return;
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("共有フォルダ"), m_settings->readString(templates::SettingsSection, templates::SiteKey, QString()));
    if (folder.isEmpty())
        return;
    m_settings->writeString(templates::SettingsSection, templates::SiteKey, folder + u'/');
    if (const QString failure = m_settings->takeFailure(); !failure.isEmpty())
        UserDialogs::current().error(this, failure);
}

bool TFTemplateDesigner::maybeSave()
{
    if (!m_model.isModified())
        return true;
    switch (UserDialogs::current().question(this, QStringLiteral("テンプレートは変更されています。保存しますか?"),
                                            UserDialogs::Buttons::YesNoCancel, UserDialogs::Answer::Yes)) {
    case UserDialogs::Answer::Yes:
        return save();
    case UserDialogs::Answer::No:
        return true;
    case UserDialogs::Answer::Cancel:
        break;
    }
    return false;
}

void TFTemplateDesigner::setFile(const QString &path, bool installed)
{
    m_lock.release();
    m_locked = false;
    m_path = installed ? QString() : path;
    m_installed = installed;
    m_name = path.isEmpty() ? QString() : templates::stripTypeOfFile(QFileInfo(path).fileName());
    if (!m_path.isEmpty() && RegisterLock::probe(m_path).state != RegisterLock::State::Live)
        m_locked = m_lock.take(m_path, false).state == RegisterLock::State::Ours;
    m_canvas->selectCells({});
    updateTitle();
}

bool TFTemplateDesigner::newTemplate(const QList<int> &seriesIndexes)
{
    if (!maybeSave())
        return false;
    m_model.newBlank(tpl::seriesLineFor(seriesIndexes));
    setFile(QString(), false);
    refresh();
    return true;
}

void TFTemplateDesigner::openDialog()
{
    UserDialogs::FileRequest request{QStringLiteral("テンプレートを開く"), QStringLiteral("テンプレート(*.tpl *.TPL)"),
                                     QStringLiteral("tpl"), m_folders.folder(templates::Source::User), false};
    const QString path = UserDialogs::current().openFileName(this, request);
    if (!path.isEmpty())
        openTemplate(path);
}

bool TFTemplateDesigner::openTemplate(const QString &path)
{
    if (!maybeSave())
        return false;
    try {
        m_model.load(path);
    } catch (const TavrelError &e) {
        UserDialogs::current().error(this, e.message());
        return false;
    }
    const bool installed = !m_folders.program.isEmpty()
                           && QFileInfo(QFileInfo(path).absolutePath()) == QFileInfo(m_folders.program);
    setFile(path, installed);
    if (!m_path.isEmpty() && RegisterLock::probe(m_path).state == RegisterLock::State::Live && !m_locked)
        UserDialogs::current().message(this, QStringLiteral("%1 はほかで開かれています。保存するときは別の名前を付けてください。").arg(path));
    refresh();
    return true;
}

bool TFTemplateDesigner::openLines(const QStringList &lines, const QString &name)
{
    if (!maybeSave())
        return false;
    try {
        m_model.loadLines(lines);
    } catch (const TavrelError &e) {
        UserDialogs::current().error(this, e.message());
        return false;
    }
    setFile(QString(), false);
    m_name = name;
    // Made from an entry: nothing on disk holds it yet.
    m_model.markSaved();
    refresh();
    return true;
}

bool TFTemplateDesigner::save()
{
    if (m_path.isEmpty())
        return saveAs();
    return writeTo(m_path, true);
}

bool TFTemplateDesigner::writeTo(const QString &path, bool keepLock)
{
    const QList<templates::Problem> problems = m_model.check();
    if (templates::hasErrors(problems)) {
        QStringList lines;
        for (const templates::Problem &p : problems)
            if (p.isError())
                lines.append(p.text());
        UserDialogs::current().error(this, QStringLiteral("テンプレートに誤りがあるため保存できません。\n") + lines.mid(0, 10).join(u'\n'));
        return false;
    }
    // Another designer or a script holding the file's lock has it open.
    const RegisterLock::Probe probe = RegisterLock::probe(path);
    if (probe.state == RegisterLock::State::Live && !(m_locked && textfile::sameFile(path, m_path))) {
        UserDialogs::current().error(this, QStringLiteral("%1 は%2開いているため保存できません。").arg(path, probe.holder.describe()));
        return false;
    }
    try {
        QDir().mkpath(QFileInfo(path).absolutePath());
        textfile::writeBytes(path, m_model.bytes());
    } catch (const TavrelError &e) {
        UserDialogs::current().error(this, e.message());
        return false;
    }
    m_model.markSaved();
    if (keepLock)
        setFile(path, false);
    updateTitle();
    return true;
}

bool TFTemplateDesigner::saveAs()
{
    const QString site = m_folders.folder(templates::Source::Site);
    SaveTemplateDialog dialog(m_name, !site.isEmpty(), this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QString name = dialog.edit->text().trimmed();
    if (name.isEmpty() || name.contains(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|.\\x00-\\x1f]")))) {
        UserDialogs::current().message(this, QStringLiteral("示名条のタイプに使えない文字があります。"));
        return false;
    }
    if (const QString problem = templates::installedNameProblem(m_folders, name); !problem.isEmpty()) {
        UserDialogs::current().message(this, problem);
        return false;
    }
    const QString folder = dialog.site->isChecked() ? site : m_folders.folder(templates::Source::User);
    QString path = templates::templatePathIn(folder, name);
    if (!path.isEmpty() && !textfile::sameFile(path, m_path)
        && UserDialogs::current().question(this, UserDialogs::ReplaceQuestion.arg(path), UserDialogs::Buttons::YesNo,
                                           UserDialogs::Answer::No)
               != UserDialogs::Answer::Yes)
        return false;
    if (path.isEmpty())
        path = QDir(folder).filePath(name + QStringLiteral(".tpl"));
    return writeTo(path, true);
}

void TFTemplateDesigner::closeEvent(QCloseEvent *event)
{
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    m_lock.release();
    event->accept();
}
