#pragma once
// TFTelAdd: the entry dialog, in create and edit mode. ask() opens it on a
// Request (the mode, the row and the register it works on) and gives back
// the values confirmed with OK, or nothing when it was cancelled.

#include "register/registerdocument.h"
#include "register/templates.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFTelAdd : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { Create, Edit };

    static const QString NoCopySource; // "登録済み使用者情報を使用しない"
    static const QString DuplicateMessage; // "すでにこの内線番号は存在します。"

    // What the dialog is opened on: the template folders, the series
    // selector's text (the series of a new entry), the register list's rows
    // and the register's encoding (which characters a value may hold).
    struct Request
    {
        Mode mode = Mode::Create;
        int row = 0; // edit mode: the row opened (0-based)
        templates::Folders templateFolders;
        QString selectorSeries;
        QList<EntryHeader> rows;
        TextEncoding encoding = TextEncoding::Cp932;
    };
    // What OK gives back.
    struct Result
    {
        // Series, type, extension, department, user name; the date is the
        // time of OK.
        EntryHeader header;
        int row = 0;            // edit mode: the row the values are for (the user may pick another)
        int copySourceRow = -1; // create mode: the row whose strip is copied; -1: a new strip from its template
    };

    explicit TFTelAdd(QWidget *parent = nullptr);
    ~TFTelAdd() override;

    // Shows the dialog modally on `request`; empty when it was cancelled.
    std::optional<Result> ask(const Request &request);
    // Sets the dialog up for `request` without showing it (ask() shows it).
    void start(const Request &request);
    // The values the dialog holds, as OK gives them back.
    const Result &values() const { return m_result; }

    // The copy source text of a register row: extension + " 使用者名：" + user name.
    static QString copySourceText(const EntryHeader &row);

public Q_SLOTS:
    void cmbTypeChange();
    void ComboBoxExternalChange();
    void UpdateOk();
    void ButtonOkClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Fills the type list with the series' templates; in edit mode a strip
    // type without a template is added so that the entry keeps its own type.
    void fillTypes(const QString &series, const QString &keepType);
    void selectType(const QString &type);
    QLineEdit *activeExtensionEdit() const;

    Request m_request;
    Result m_result;
    int m_filling = 0;

    // The widgets, named after these fields (tests find them by name).
    QGroupBox *stripGroup = nullptr;
    QLabel *seriesLabel = nullptr;
    QLabel *pnlSeries = nullptr;
    QLabel *typeLabel = nullptr;
    QComboBox *cmbType = nullptr;
    QGroupBox *userGroup = nullptr;
    QLabel *extensionLabel = nullptr;
    QLineEdit *extensionEdit = nullptr;
    QComboBox *ComboBoxExternal = nullptr;
    QLabel *departmentLabel = nullptr;
    QLineEdit *departmentEdit = nullptr;
    QLabel *userNameLabel = nullptr;
    QLineEdit *userNameEdit = nullptr;
    QLabel *copySourceLabel = nullptr;
    QComboBox *copySourceBox = nullptr;
    QPushButton *ButtonOk = nullptr;
    QPushButton *ButtonCancel = nullptr;
};
