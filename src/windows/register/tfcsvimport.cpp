#include "windows/register/tfcsvimport.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString encodingName(csv::Encoding e)
{
    switch (e) {
    case csv::Encoding::Utf8:
        return QStringLiteral("UTF-8");
    case csv::Encoding::Utf8Bom:
        return QStringLiteral("UTF-8（BOM付き）");
    case csv::Encoding::Cp932:
        return QStringLiteral("シフトJIS");
    case csv::Encoding::Utf16:
        return QStringLiteral("UTF-16");
    }
    return QString();
}

} // namespace

TFCsvImport::TFCsvImport(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("CSV取込み"));
    setModal(true);
    resize(1000, 440);
    auto *layout = new QVBoxLayout(this);
    LabelFile = new QLabel(this);
    LabelFile->setObjectName(QStringLiteral("LabelFile"));
    LabelSummary = new QLabel(this);
    LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
    layout->addWidget(LabelFile);
    layout->addWidget(LabelSummary);

    ListRows = new QTreeWidget(this);
    ListRows->setObjectName(QStringLiteral("ListRows"));
    ListRows->setRootIsDecorated(false);
    ListRows->setUniformRowHeights(true);
    ListRows->setAlternatingRowColors(true);
    ListRows->setSelectionMode(QAbstractItemView::SingleSelection);
    ListRows->setColumnCount(ColumnCount);
    ListRows->setHeaderLabels({QStringLiteral("行"), QStringLiteral("内線番号"), QStringLiteral("部署"),
                               QStringLiteral("使用者名"), QStringLiteral("主装置のシリーズ"),
                               QStringLiteral("示名条のタイプ"), QStringLiteral("複製元"), QStringLiteral("問題")});
    const int widths[] = {40, 70, 110, 90, 120, 180, 60, 300};
    for (int c = 0; c < ColumnCount; ++c)
        ListRows->setColumnWidth(c, widths[c]);
    layout->addWidget(ListRows, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ButtonImport = new QPushButton(QStringLiteral("取込み(&I)"), this);
    ButtonImport->setObjectName(QStringLiteral("ButtonImport"));
    ButtonImport->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    buttons->addWidget(ButtonImport);
    buttons->addWidget(ButtonCancel);
    layout->addLayout(buttons);
    connect(ButtonImport, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TFCsvImport::visible(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c == u'\n')
            c = QChar(0x21B5); // ↵
        else if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode()); // the control picture
        else if (c.unicode() == 0x7F)
            c = QChar(0x2421);
    }
    return out;
}

void TFCsvImport::setAnalysis(const QString &fileName, const csvimport::Analysis &analysis)
{
    LabelFile->setText(QStringLiteral("ファイル: %1（%2）").arg(QFileInfo(fileName).fileName(),
                                                              encodingName(analysis.encoding)));
    const int sound = analysis.soundCount();
    const int refused = analysis.refusedCount();
    LabelSummary->setText(refused > 0
                              ? QStringLiteral("取り込む行: %1　問題のある行: %2（取り込みません）").arg(sound).arg(refused)
                              : QStringLiteral("取り込む行: %1").arg(sound));
    ListRows->clear();
    QList<QTreeWidgetItem *> items;
    for (const csvimport::Row &r : analysis.rows) {
        auto *item = new QTreeWidgetItem;
        item->setText(LineColumn, QString::number(r.line));
        item->setTextAlignment(LineColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(ExtensionColumn, visible(r.header.extension));
        item->setText(DepartmentColumn, visible(r.header.department));
        item->setText(UserColumn, visible(r.header.userName));
        item->setText(SeriesColumn, visible(r.header.seriesCaption));
        item->setText(TypeColumn, visible(r.header.stripType));
        item->setText(CopyColumn, visible(r.copyFrom));
        item->setText(ProblemColumn, r.sound() ? QString() : r.problem);
        item->setToolTip(ProblemColumn, r.problem);
        if (!r.sound())
            for (int c = 0; c < ColumnCount; ++c)
                item->setForeground(c, QColor(0xC0, 0, 0));
        items.append(item);
    }
    ListRows->addTopLevelItems(items);
    ButtonImport->setEnabled(sound > 0);
    if (sound > 0)
        ButtonImport->setFocus();
    else
        ButtonCancel->setFocus();
}

TFCsvExport::TFCsvExport(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("CSV出力"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *group = new QGroupBox(QStringLiteral("文字コード"), this);
    auto *groupLayout = new QVBoxLayout(group);
    RadioCp932 = new QRadioButton(QStringLiteral("シフトJIS（CP932）(&S)"), group);
    RadioCp932->setObjectName(QStringLiteral("RadioCp932"));
    RadioUtf8 = new QRadioButton(QStringLiteral("UTF-8（BOM付き）(&U)"), group);
    RadioUtf8->setObjectName(QStringLiteral("RadioUtf8"));
    RadioCp932->setChecked(true);
    groupLayout->addWidget(RadioCp932);
    groupLayout->addWidget(RadioUtf8);
    layout->addWidget(group);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ButtonOk = new QPushButton(QStringLiteral("OK"), this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    layout->addLayout(buttons);
    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

csv::Encoding TFCsvExport::encoding() const
{
    return RadioUtf8->isChecked() ? csv::Encoding::Utf8Bom : csv::Encoding::Cp932;
}

void TFCsvExport::setEncoding(csv::Encoding encoding)
{
    (encoding == csv::Encoding::Cp932 ? RadioCp932 : RadioUtf8)->setChecked(true);
}
