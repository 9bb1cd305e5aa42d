#pragma once
// The CSV dialogs of the main window: the import preview, which lists every
// row of the file with its problem and imports the sound rows on 取込み, and
// the export dialog, which asks for the character encoding.

#include "register/csvimport.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;
class QTreeWidget;

class TFCsvImport : public QDialog
{
    Q_OBJECT

public:
    enum ListColumn { LineColumn, ExtensionColumn, DepartmentColumn, UserColumn, SeriesColumn, TypeColumn,
                      CopyColumn, ProblemColumn, ColumnCount };

    explicit TFCsvImport(QWidget *parent = nullptr);

    // Fills the list from an analysis of the file `fileName`.
    void setAnalysis(const QString &fileName, const csvimport::Analysis &analysis);

    // A value shown in the list: line breaks and other control characters
    // drawn as visible symbols.
    static QString visible(const QString &text);

private:
    // The widgets, named after these fields (tests find them by name).
    QLabel *LabelFile = nullptr;
    QLabel *LabelSummary = nullptr;
    QTreeWidget *ListRows = nullptr;
    QPushButton *ButtonImport = nullptr;
    QPushButton *ButtonCancel = nullptr;
};

class TFCsvExport : public QDialog
{
    Q_OBJECT

public:
    explicit TFCsvExport(QWidget *parent = nullptr);

    csv::Encoding encoding() const;
    void setEncoding(csv::Encoding encoding);

private:
    // The widgets, named after these fields (tests find them by name).
    QRadioButton *RadioCp932 = nullptr;
    QRadioButton *RadioUtf8 = nullptr;
    QPushButton *ButtonOk = nullptr;
    QPushButton *ButtonCancel = nullptr;
};
