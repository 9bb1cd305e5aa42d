#pragma once
// TFTelAdd: the entry dialog, in create and edit mode. The caller sets the
// exchanged values and the register it works on, shows it modally and reads
// the values back after OK.

#include "register/registerdocument.h"
#include "register/templates.h"

#include <QDialog>

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

    explicit TFTelAdd(QWidget *parent = nullptr);
    ~TFTelAdd() override;

    // Exchanged values.
    Mode mode = Mode::Create;
    QString seriesCaption;
    QString stripType;
    QString extension;
    QString department;
    QString userName;
    QString copySource;
    QString registrationDate;
    int row = 0;

    // What the dialog reads from the main window: the program folder holding
    // the templates, the series selector's text, the register list rows and
    // the register's encoding (which characters a value may hold).
    void setRegister(const templates::Folders &templateFolders, const QString &selectorSeries, const QList<EntryHeader> &rows,
                     TextEncoding encoding = TextEncoding::Cp932);

    // The copy source text of a register row: extension + " 使用者名：" + user name.
    static QString copySourceText(const EntryHeader &row);

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

    templates::Folders m_templateFolders;
    QString m_selectorSeries;
    QList<EntryHeader> m_rows;
    TextEncoding m_encoding = TextEncoding::Cp932;
    int m_filling = 0;
};
