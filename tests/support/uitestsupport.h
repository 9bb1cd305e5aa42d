#pragma once
// Support for tests that drive the real windows under the offscreen
// platform: a settings folder and a program folder of their own (APPDATA
// points into a temporary folder), strip templates written for the tests,
// scripted message boxes and file dialogs, and the windows created and
// destroyed in program order.

#include "register/registerdocument.h"
#include "windows/common/userdialogs.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class QComboBox;
class TFTelAdd;
class TFViewImage;

namespace uitest {

// One of the program's dialogs by its class: each is made when first needed,
// as a child of the main window (null before that and after destroyWindows).
template <class Window>
Window *window()
{
    return FMain ? FMain->findChild<Window *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

// True when `part` belongs to the main window itself, not to one of its
// dialogs (which are its children too and may name their parts alike).
bool ofMainWindow(const QObject *part);

// A part of the main window (an action, a menu or a control) by its object
// name, which is what the window calls it ("ActionFileNew", "registerList").
// Fails the test when there is none.
template <class Part>
Part *part(const char *name)
{
    if (FMain)
        for (Part *p : FMain->findChildren<Part *>(QLatin1String(name)))
            if (ofMainWindow(p))
                return p;
    qFatal("the main window has no part named %s", name);
    return nullptr;
}

// A part of a dialog (or any window) by its object name. Fails the test
// when there is none.
template <class Part>
Part *child(const QObject *window, const char *name)
{
    Part *p = window ? window->findChild<Part *>(QLatin1String(name)) : nullptr;
    if (!p)
        qFatal("the window has no part named %s", name);
    return p;
}

// One template cell: its key code and whether its section shows key numbers.
struct TemplateSection
{
    int keyNumberFlag = 1;
    QString x, y, width, height;
    QStringList keyCodes;
};

// Template file text: series line, section count, sections of 19-line cells.
QStringList templateLines(const QString &seriesLine, const QList<TemplateSection> &sections);
void writeTemplate(const QString &folder, const QString &stripType, const QStringList &lines);

// The templates the tests use:
//   電話機Ａ   series 0 (Ｋ) and 1 (Ｍｏ): one section, keys 001, 002 and a preset 000 key
//   電話機Ｂ   series 0: two sections, 4 keys
//   ＳＩＰ電話機 series 7: one section, 2 keys
void writeStandardTemplates(const QString &folder);

class Environment
{
public:
    Environment();
    ~Environment();

    QString programFolder() const { return m_program.path() + u'/'; }
    QString executablePath() const { return programFolder() + QStringLiteral("tavrel"); }
    QString settingsFile() const;
    QString dataFolder() const { return m_data.path() + u'/'; }
    // XDG_DATA_HOME points into the data folder, so the user's templates
    // are read from (and saved into) here.
    QString userTemplateFolder() const { return dataFolder() + QStringLiteral("share/tavrel/templates/"); }

    // INI lines written before the windows are created.
    void writeSettings(const QStringList &lines);
    // Value of a key in the settings file as written ("" when missing).
    QString setting(const QString &section, const QString &key) const;

    void createWindows();
    void destroyWindows();
    // Shows FMain and waits until it is active (shortcuts need that).
    void showMain();
    // Creates the windows, shows FMain and opens the register at path
    // through File ▸ Open (when a path is given).
    void start(const QString &registerPath = QString());

    // A register file of the given entries (series index, strip type,
    // extension, department, user); returns its path.
    struct Entry
    {
        int series;
        QString stripType;
        QString extension;
        QString department;
        QString userName;
        QString date = QStringLiteral("2022/10/26 09:05");
    };
    QString writeRegister(const QString &name, const QList<Entry> &entries);

    ScriptedUserDialogs dialogs;

private:
    QTemporaryDir m_program;
    QTemporaryDir m_data;
    QByteArray m_oldAppData;
    QByteArray m_oldDataHome;
    bool m_windows = false;
};

// Clicks register list row `row` of FMain, scrolled into view first.
void clickRow(int row);

// The sheet widget of FMain's detail view (0) or overview (1), and the point
// on it `at` from the top left of cell `cell`'s text area: where a person
// points at the cell.
QWidget *sheet(int view = 0);
QPoint cellPoint(int cell, int view = 0, QPoint at = QPoint(3, 3));
// A press and a release at a cell, as a click with the left button.
void clickCell(int cell, Qt::KeyboardModifiers mods = {}, int view = 0, QPoint at = QPoint(3, 3));
// A double-click as the platform delivers it: press, release, press,
// double-click, release.
void doubleClickCell(int cell, int view = 0, QPoint at = QPoint(3, 3));

// The outline of cell `cell`'s selection frame as the detail sheet paints
// it: 0 when no frame shows, 1 or 2 pixels.
int frameOutline(int cell);

// Picks item `index` of a combo box as the user does: opens its list with
// F4 and clicks the item.
void pickFromList(QComboBox *box, int index);

// Runs fill on the entry dialog once it is shown modally, then closes it
// with Cancel if fill left it open, so that a failing check cannot hang the
// test. Call before the command that opens the dialog.
void whenEntryDialogShown(const std::function<void(TFTelAdd &)> &fill);
// The same for the picture dialog (closed with ｷｬﾝｾﾙ if act left it open).
void whenPictureDialogShown(const std::function<void(TFViewImage &)> &act);

} // namespace uitest

// A test main with the program's application object (notify override,
// fonts, Japanese Qt texts).
#define TAVREL_UI_TEST_MAIN(TestClass)                                                                                \
    int main(int argc, char **argv)                                                                                   \
    {                                                                                                                 \
        TavrelApplication app(argc, argv);                                                                            \
        TestClass t;                                                                                                  \
        return QTest::qExec(&t, argc, argv);                                                                          \
    }
