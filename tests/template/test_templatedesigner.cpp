// The template designer driven as a person does: mouse drags on the canvas,
// clicks on the tool bar and the property panel, typing and key presses.

#include "platform/textfile.h"
#include "print/pdfoutput.h"
#include "print/strippage.h"
#include "register/registercheck.h"
#include "register/registerdocument.h"
#include "register/series.h"
#include "register/templates.h"
#include "pdfprobe.h"
#include "strip/colourline.h"
#include "uitestsupport.h"
#include "windows/main/application.h"
#include "windows/register/tftel_add.h"
#include "windows/template/templatecanvas.h"
#include "windows/template/tftemplatedesigner.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using tpl::CellRef;

namespace {

// The point of the canvas at sheet millimetres (x, y).
QPoint at(const TemplateCanvas &canvas, double x, double y)
{
    return canvas.toPixels(Fixed4::parse(QString::number(x, 'f', 4)), Fixed4::parse(QString::number(y, 'f', 4))).toPoint();
}

// Typing text that no ASCII key gives, one key event with its text per
// character, as an input method delivers it.
void type(QWidget *w, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void drag(QWidget *w, QPoint from, QPoint to)
{
    QTest::mousePress(w, Qt::LeftButton, {}, from);
    QTest::mouseMove(w, (from + to) / 2);
    QTest::mouseMove(w, to);
    QTest::mouseRelease(w, Qt::LeftButton, {}, to);
}

template <class T>
T *part(QWidget *w, const QString &name)
{
    T *found = w->findChild<T *>(name);
    if (!found)
        qFatal("no part named %s", qPrintable(name));
    return found;
}

// Runs `answer` on the modal dialog that the next step opens.
void whenDialogOpens(const std::function<void(QWidget *)> &answer)
{
    QTimer::singleShot(0, [answer] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            qFatal("no dialog opened");
        answer(dialog);
    });
}

struct Designer
{
    uitest::Environment env;
    templates::Folders folders{QString(), QString(), QString()};
    std::unique_ptr<TFTemplateDesigner> window;
    TemplateCanvas *canvas = nullptr;

    Designer()
    {
        folders = templates::Folders(env.programFolder(), QString(), env.userTemplateFolder());
        window = std::make_unique<TFTemplateDesigner>(folders, nullptr);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        canvas = part<TemplateCanvas>(window.get(), QStringLiteral("templateCanvas"));
    }
    QWidget *button(const char *action) const
    {
        return part<QWidget>(window.get(), QLatin1String(action) + QStringLiteral("Button"));
    }
};

} // namespace

class TestTemplateDesigner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawnFromNothingMakesEntries();
    void arrowsMoveAndUndo();
    void rubberBandSelects();
    void problemDoubleClickSelectsCell();
    void closeAsksAboutChanges();
};

void TestTemplateDesigner::drawnFromNothingMakesEntries()
{
    Designer d;
    TemplateCanvas &canvas = *d.canvas;
    // Offered for the ｕＬ series instead of the new template's default.
    for (const char *name : {"seriesCheck3", "seriesCheck7"}) {
        auto *check = part<QCheckBox>(d.window.get(), QLatin1String(name));
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2)); // on the box
    }
    QCOMPARE(d.window->model().offeredSeries(), QList<int>{3});

    // A section drawn with the mouse, snapped to the half-millimetre grid.
    QTest::mouseClick(d.button("ActionDesignerSectionTool"), Qt::LeftButton);
    drag(&canvas, at(canvas, 10.1, 9.9), at(canvas, 110.1, 120.05));
    QCOMPARE(d.window->model().sectionCount(), 1);
    QCOMPARE(d.window->model().sectionRect(0),
             (strip::MmRect{Fixed4::fromInt(10), Fixed4::fromInt(10), Fixed4::fromInt(100), Fixed4::fromInt(110)}));
    QCOMPARE(canvas.selectedSection(), 0);

    // A column of 9 keys.
    whenDialogOpens([](QWidget *dialog) {
        auto *count = part<QSpinBox>(dialog, "keyCountSpin");
        count->setFocus();
        QTest::keyClick(count, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(count, QStringLiteral("9"));
        QTest::keyClick(count, Qt::Key_Return);
    });
    QTest::mouseClick(d.button("ActionDesignerAddColumn"), Qt::LeftButton);
    QCOMPARE(d.window->model().cellCount(0), 9);
    QCOMPARE(d.window->model().cell({0, 8}).keyCode, QStringLiteral("009"));

    // One more key below them, made a preset key with its text.
    whenDialogOpens([](QWidget *dialog) {
        auto *count = part<QSpinBox>(dialog, "keyCountSpin");
        count->setFocus();
        QTest::keyClick(count, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(count, QStringLiteral("1"));
        QTest::keyClick(count, Qt::Key_Return);
    });
    QTest::mouseClick(d.button("ActionDesignerAddRow"), Qt::LeftButton);
    QCOMPARE(d.window->model().cellCount(0), 10);
    const strip::MmRect key = d.window->model().sheetKeyBox({0, 9});
    QTest::mouseClick(&canvas, Qt::LeftButton, {},
                      at(canvas, double((key.x + key.width / Fixed4::fromInt(2)).raw()) / 10000,
                         double((key.y + key.height / Fixed4::fromInt(2)).raw()) / 10000));
    QCOMPARE(canvas.selection(), (QList<CellRef>{{0, 9}}));
    auto *preset = part<QCheckBox>(d.window.get(), "presetCheck");
    QTest::mouseClick(preset, Qt::LeftButton, {}, QPoint(8, preset->height() / 2));
    auto *text = part<QLineEdit>(d.window.get(), "presetTextEdit");
    QTest::mouseClick(text, Qt::LeftButton);
    type(text, QStringLiteral("保留"));
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(d.window->model().cell({0, 9}).keyCode, QStringLiteral("000 09保留"));

    // Saved into the user folder under a name typed in the save dialog.
    d.window->activateWindow(); // back from the dialogs
    QVERIFY(QTest::qWaitForWindowActive(d.window.get()));
    whenDialogOpens([](QWidget *dialog) {
        auto *name = part<QLineEdit>(dialog, "templateNameEdit");
        QTest::mouseClick(name, Qt::LeftButton);
        type(name, QStringLiteral("設計電話機"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::keyClick(&canvas, Qt::Key_S, Qt::ControlModifier);
    const QString saved = d.env.userTemplateFolder() + QStringLiteral("設計電話機.tpl");
    QVERIFY(QFile::exists(saved));
    QCOMPARE(d.window->filePath(), saved);
    QVERIFY(!d.window->model().isModified());
    QVERIFY(!templates::hasErrors(templates::checkTemplate(textfile::read(saved).lines)));

    // The entry dialog offers it for its series.
    TFTelAdd dialog;
    TFTelAdd::Request request;
    request.templateFolders = d.folders;
    request.selectorSeries = series::caption(3);
    dialog.start(request);
    dialog.show();
    QVERIFY(uitest::child<QComboBox>(&dialog, "cmbType")->findText(QStringLiteral("設計電話機")) >= 0);

    // An entry made from it passes check, and its preset text prints
    // centred in the text area set: section x 10 + text area x 4.8, width 24.4.
    RegisterDocument doc;
    templates::appendEntryFromTemplate(doc, d.folders,
                                       {"201", "総務部", "山田", "2024/04/01 09:00", series::caption(3), "設計電話機"});
    QVERIFY(checkRegister(doc.lines()).isEmpty());
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("strip.pdf"));
    print::writeStripPdf(pdf, doc, {{0, 1}}, {}, QStringLiteral("t"));
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">保留"));
    const auto m = word.match(pdfprobe::wordBoxes(pdf));
    QVERIFY2(m.hasMatch(), qPrintable(pdfprobe::wordBoxes(pdf)));
    const double centreMm = (m.captured(1).toDouble() + m.captured(3).toDouble()) / 2 * 25.4 / 72;
    QVERIFY2(std::abs(centreMm - (10 + 4.8 + 24.4 / 2)) <= 0.1, qPrintable(QString::number(centreMm)));
    const double topMm = m.captured(2).toDouble() * 25.4 / 72, bottomMm = m.captured(4).toDouble() * 25.4 / 72;
    QVERIFY2(topMm >= 10 + 91.8 - 0.1 && bottomMm <= 10 + 91.8 + 8.4 + 0.1,
             qPrintable(QStringLiteral("%1 %2").arg(topMm).arg(bottomMm)));
}

void TestTemplateDesigner::arrowsMoveAndUndo()
{
    Designer d;
    d.window->model().loadLines(tpl::gridTemplate(tpl::GridSpec{}, series::caption(7), Fixed4::fromInt(5), Fixed4::fromInt(5)));
    TemplateCanvas &canvas = *d.canvas;
    const strip::MmRect key = d.window->model().sheetKeyBox({0, 0});
    QTest::mouseClick(&canvas, Qt::LeftButton, {}, at(canvas, double(key.x.raw()) / 10000 + 5, double(key.y.raw()) / 10000 + 3));
    QCOMPARE(canvas.selection().size(), 1);
    QTest::keyClick(&canvas, Qt::Key_Right);
    QTest::keyClick(&canvas, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(d.window->model().sheetKeyBox({0, 0}).x, key.x + Fixed4::fromRaw(1000));
    QCOMPARE(d.window->model().sheetKeyBox({0, 0}).y, key.y + Fixed4::fromInt(1));
    // A drag moves by the pointer's distance, snapped to the grid.
    const QPoint from = at(canvas, double(key.x.raw()) / 10000 + 5, double(key.y.raw()) / 10000 + 4);
    drag(&canvas, from, from + (at(canvas, 20, 20) - at(canvas, 10, 10)));
    QCOMPARE(d.window->model().sheetKeyBox({0, 0}).x, key.x + Fixed4::fromRaw(100000));
    // The key number's colour, from the colour dialog; cancelled, nothing.
    d.env.dialogs.colours << QColor(0, 0, 255) << QColor();
    QTest::mouseClick(part<QPushButton>(d.window.get(), QStringLiteral("keyNumberColourButton")), Qt::LeftButton);
    QCOMPARE(strip::toQColor(d.window->model().cell({0, 0}).keyNumberColour), QColor(0, 0, 255));
    QTest::mouseClick(part<QPushButton>(d.window.get(), QStringLiteral("keyNumberColourButton")), Qt::LeftButton);
    QCOMPARE(strip::toQColor(d.window->model().cell({0, 0}).keyNumberColour), QColor(0, 0, 255));
    // Each step undoes on its own: colour, drag, Shift+Down, Right.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(&canvas, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(d.window->model().sheetKeyBox({0, 0}), key);
    QCOMPARE(d.window->model().cell({0, 0}).keyNumberColour, 0);
    QVERIFY(!d.window->model().isModified());
}

void TestTemplateDesigner::rubberBandSelects()
{
    Designer d;
    tpl::GridSpec g;
    g.columns = 3;
    g.rows = 3;
    d.window->model().loadLines(tpl::gridTemplate(g, series::caption(7), Fixed4::fromInt(5), Fixed4::fromInt(5)));
    TemplateCanvas &canvas = *d.canvas;
    // From outside the section over the first column's upper two keys.
    drag(&canvas, at(canvas, 2, 2), at(canvas, 10, 20));
    QCOMPARE(canvas.selection(), (QList<CellRef>{{0, 0}, {0, 3}}));
    // Ctrl+click adds a key; Delete removes the three.
    const strip::MmRect k = d.window->model().sheetKeyBox({0, 8});
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::ControlModifier,
                      at(canvas, double(k.x.raw()) / 10000 + 3, double(k.y.raw()) / 10000 + 3));
    QCOMPARE(canvas.selection().size(), 3);
    QTest::keyClick(&canvas, Qt::Key_Delete);
    QCOMPARE(d.window->model().totalCells(), 6);
}

void TestTemplateDesigner::problemDoubleClickSelectsCell()
{
    Designer d;
    tpl::GridSpec g;
    g.rows = 3;
    QStringList lines = tpl::gridTemplate(g, series::caption(7), Fixed4::fromInt(5), Fixed4::fromInt(5));
    lines[2 + 6 + 19 * 2 + 14] = QStringLiteral("001"); // the third key repeats number 1
    d.window->model().loadLines(lines);
    auto *list = part<QListWidget>(d.window.get(), "problemList");
    QCOMPARE(list->count(), 1);
    QVERIFY(list->item(0)->text().contains(QStringLiteral("区画 1 のセル 3")));
    const QRect r = list->visualItemRect(list->item(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(d.canvas->selection(), (QList<CellRef>{{0, 2}}));
}

void TestTemplateDesigner::closeAsksAboutChanges()
{
    Designer d;
    d.window->model().addSection({Fixed4::fromInt(5), Fixed4::fromInt(5), Fixed4::fromInt(20), Fixed4::fromInt(20)});
    d.env.dialogs.answers << UserDialogs::Answer::Cancel << UserDialogs::Answer::No;
    QVERIFY(!d.window->close()); // キャンセル: the window stays with its change
    QVERIFY(d.window->isVisible());
    QCOMPARE(d.window->model().sectionCount(), 1);
    QVERIFY(d.window->close()); // いいえ: closed without saving
    QCOMPARE(d.env.dialogs.shown.size(), 2);
    QCOMPARE(d.env.dialogs.shown.at(0).text, QStringLiteral("テンプレートは変更されています。保存しますか?"));
    QVERIFY(QDir(d.env.userTemplateFolder()).entryList(QDir::Files).isEmpty());
}

TAVREL_UI_TEST_MAIN(TestTemplateDesigner)
#include "test_templatedesigner.moc"
