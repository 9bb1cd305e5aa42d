// The key label dialog and the key label panel, driven through the real
// widgets: key buttons, the edit box, 確定, 初期値に戻す, OK, ｷｬﾝｾﾙ, Esc and the
// close box; panel buttons clicked while cells of the strip are selected;
// series changes from the selector and from the register list.

#include "platform/textfile.h"
#include "register/series.h"
#include "strip/picture.h"
#include "uitestsupport.h"
#include "windows/keylabel/keylabelpanel.h"
#include "windows/keylabel/tfkeylabel.h"
#include "windows/main/application.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/strip/stripdisplay.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using namespace keylabel;

namespace {

const QString Sip4 = QStringLiteral("ＳＩＰ４キー");

QString keyFolder(const uitest::Environment &env)
{
    return env.dataFolder() + QStringLiteral("tavrel/");
}

// A key label file for the series: the defaults with key `key` replaced.
void writeKeyFile(const uitest::Environment &env, int series, int key, const KeyLabel &label)
{
    QDir().mkpath(keyFolder(env));
    KeyLabelSet set(keyFolder(env));
    set.SetDefaultKeyLabels(series);
    set.WriteKeyLabel(key, label);
    set.SaveKeyLabels(series);
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList defaultsOf(int series)
{
    KeyLabelSet set;
    set.SetDefaultKeyLabels(series);
    return set.lines();
}

// Runs fill on the key label dialog once it is shown modally; a dialog that
// fill left open is closed, so that a failing check cannot hang the test.
void whenDialogShown(const std::function<void(TFKeyLabel &)> &fill)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, fill] {
        if (!uitest::window<TFKeyLabel>() || !uitest::window<TFKeyLabel>()->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        fill(*uitest::window<TFKeyLabel>());
        if (uitest::window<TFKeyLabel>()->isVisible())
            uitest::window<TFKeyLabel>()->close();
    });
    timer->start();
}

void clickTab(QTabWidget *tabs, int page)
{
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(page).center());
}

void clickKey(TFKeyLabel &dlg, int k)
{
    const int n = int(dlg.keyButtons().size()) / 3;
    if (uitest::child<QTabWidget>(&dlg, "PageControl")->currentIndex() != k / n)
        clickTab(uitest::child<QTabWidget>(&dlg, "PageControl"), k / n);
    QTest::mouseClick(dlg.keyButtons().at(k), Qt::LeftButton);
}

// Types text, one key press per character (Japanese ones included).
void typeText(QWidget *w, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Replaces the edit box's text by typing.
void typeLabelLines(TFKeyLabel &dlg, const QStringList &lines)
{
    QTest::mouseClick(uitest::child<QPlainTextEdit>(&dlg, "labelEdit")->viewport(), Qt::LeftButton);
    QTest::keyClick(uitest::child<QPlainTextEdit>(&dlg, "labelEdit"), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(uitest::child<QPlainTextEdit>(&dlg, "labelEdit"), Qt::Key_Delete);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(uitest::child<QPlainTextEdit>(&dlg, "labelEdit"), Qt::Key_Return);
        typeText(uitest::child<QPlainTextEdit>(&dlg, "labelEdit"), lines.at(i));
    }
}

class Fixture
{
public:
    // Entries of series 7 on a four-key template (cell 1 shows a picture
    // when asked), then one of series 5 and two of series 2.
    explicit Fixture(const QStringList &settings = {"[Position]", "MainWState=0", "[Checked]", "DispLayout=0"},
                     bool pictureInCell1 = true)
    {
        uitest::writeTemplate(env.programFolder(), Sip4,
                              uitest::templateLines(series::caption(7),
                                                    {{1, "10", "10", "40", "45", {"001", "002", "003", "004"}}}));
        uitest::writeTemplate(env.programFolder(), QStringLiteral("ｕＶ電話機"),
                              uitest::templateLines(series::caption(5), {{1, "10", "10", "40", "20", {"001"}}}));
        uitest::writeTemplate(env.programFolder(), QStringLiteral("ｕＲ電話機"),
                              uitest::templateLines(series::caption(2), {{1, "10", "10", "40", "20", {"001"}}}));
        path = env.writeRegister("k.TAV", {{7, Sip4, "201", "総務部", "山田"},
                                           {5, "ｕＶ電話機", "202", "", "佐藤"},
                                           {2, "ｕＲ電話機", "203", "", "鈴木"},
                                           {5, "ｕＶ電話機", "204", "", "田中"}});
        if (pictureInCell1) {
            QImage red(4, 4, QImage::Format_RGB32);
            red.fill(Qt::red);
            QByteArray bmp;
            QBuffer buffer(&bmp);
            buffer.open(QIODevice::WriteOnly);
            red.save(&buffer, "BMP");
            RegisterDocument doc;
            doc.load(path);
            const int cell1 = strip::locateCell(doc.lines(), doc.findEntry(1) + 1, 1);
            doc.setLine(cell1 + 30, ".bmp");
            doc.setLine(cell1 + 31, strip::encodeBase64(bmp));
            doc.save(path);
        }
        env.writeSettings(settings);
    }
    ~Fixture() { env.dialogs.answers << UserDialogs::Answer::No; }

    void start() { env.start(path); }
    KeyLabelPanel &panel() { return FMain->keyLabelPanel(); }
    StripDisplay &d() { return FMain->display(); }
    RegisterDocument &doc() { return FMain->document(); }
    void clickCell(int cell, Qt::KeyboardModifiers mods = {})
    {
        uitest::clickCell(cell, mods);
    }
    // Clicks panel button k, on its tab.
    void clickPanelKey(int k)
    {
        const int n = keysPerPage(panel().series());
        if (uitest::part<QTabWidget>("keyLabelTabs")->currentIndex() != k / n)
            clickTab(uitest::part<QTabWidget>("keyLabelTabs"), k / n);
        QPushButton *b = panel().buttons().at(k);
        QVERIFY(b->isVisible());
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QStringList cellText(int cell)
    {
        const int a = strip::locateCell(doc().lines(), FMain->display().shownHeaderLine(), cell);
        return doc().lines().mid(a + 33, doc().intAt(a + 32));
    }
    QString cellLine(int cell, int line)
    {
        return doc().line(strip::locateCell(doc().lines(), FMain->display().shownHeaderLine(), cell) + line);
    }
    void openDialog(const std::function<void(TFKeyLabel &)> &fill)
    {
        whenDialogShown(fill);
        uitest::part<QAction>("ActionKeyLabelEdit")->trigger();
    }

    uitest::Environment env;
    QString path;
};

} // namespace

class TestKeyLabelWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void panelAtStart();
    void malformedFileAndSeriesOutOfRange();
    void applyToSelectedCells_data();
    void applyToSelectedCells();
    void applyDoesNothing_data();
    void applyDoesNothing();
    void applyRefusedByTheInputRule_data();
    void applyRefusedByTheInputRule();
    void seriesFromSelectorAndList();
    void panelVisibilityPersisted();
    void dialogLayoutAndPage();
    void dialogConfirmAndDrop();
    void dialogDefaultsThenCancel();
    void dialogCancelWithoutFile();
    void dialogFontAndColours();
    void dialogOkAndCloseBox();
    void dialogOkFailureKeepsEdits();
};

void TestKeyLabelWindows::panelAtStart()
{
    Fixture f({"[Position]", "MainWState=0", "[Data]", "SelSeriesNo=7"});
    f.start();
    QCOMPARE(f.panel().series(), 7);
    QCOMPARE(f.panel().buttons().size(), 45);
    QCOMPARE(f.panel().set().lines(), defaultsOf(7));
    QCOMPARE(uitest::part<QComboBox>("ComboBoxFontSize")->count(), 20);
    QCOMPARE(uitest::part<QComboBox>("ComboBoxFontSize")->itemText(19), QStringLiteral("72"));
    for (int k : {0, 1, 16, 44}) {
        QPushButton *b = f.panel().buttons().at(k);
        QCOMPARE(b->parentWidget(), uitest::part<QTabWidget>("keyLabelTabs")->widget(k / 15));
        QCOMPARE(b->geometry(), QRect(0, (k % 15) * 24, 172, 23));
        QCOMPARE(b->focusPolicy(), Qt::NoFocus);
        QVERIFY(!b->isCheckable());
    }
    QCOMPARE(f.panel().buttons().at(0)->text(), QStringLiteral("業務コード"));
    QCOMPARE(f.panel().buttons().at(0)->font().pointSize(), 9);
    QCOMPARE(f.panel().buttons().at(1)->text(), QStringLiteral("業務コード\n指定発信"));
    QCOMPARE(f.panel().buttons().at(1)->font().pointSize(), 8);
    QCOMPARE(f.panel().buttons().at(44)->text(), QString());
    QVERIFY(QDir(keyFolder(f.env)).entryList({"TAVKey*"}, QDir::Files).isEmpty());
}

void TestKeyLabelWindows::malformedFileAndSeriesOutOfRange()
{
    // A series outside 0–7 becomes 0 before any key label code runs; its
    // file is malformed, so the defaults are used and the user is told; the
    // file is not replaced without asking.
    Fixture f({"[Position]", "MainWState=0", "[Data]", "SelSeriesNo=9"});
    QDir().mkpath(keyFolder(f.env));
    const QString file = keyFolder(f.env) + QStringLiteral("TAVKey8.ini");
    textfile::write(file, {"ＭＳ 明朝", "大きい", "0", "1", "転送"});
    const QByteArray before = [&] {
        QFile r(file);
        r.open(QIODevice::ReadOnly);
        return r.readAll();
    }();
    f.env.start();
    QCOMPARE(uitest::part<QComboBox>("ComboBoxSeries")->currentIndex(), 0);
    QCOMPARE(f.panel().series(), 0);
    QCOMPARE(f.panel().buttons().size(), 60);
    QCOMPARE(f.panel().set().lines(), defaultsOf(0));
    const QStringList errors = f.env.dialogs.texts("error");
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.at(0).contains(file));
    QVERIFY(errors.at(0).contains(QStringLiteral("OK")));
    QFile r(file);
    QVERIFY(r.open(QIODevice::ReadOnly));
    QCOMPARE(r.readAll(), before);
    // OK asks before the defaults replace the file: いいえ keeps the file and
    // the dialog open, はい replaces it.
    f.env.dialogs.answers << UserDialogs::Answer::No << UserDialogs::Answer::Yes;
    f.openDialog([&](TFKeyLabel &dlg) {
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "okButton"), Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(bytesOf(file), before);
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "okButton"), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
    });
    const QStringList questions = f.env.dialogs.texts("question");
    QCOMPARE(questions.size(), 2);
    QVERIFY(questions.at(0).contains(file));
    QCOMPARE(textfile::read(file).lines, defaultsOf(0));
    f.env.dialogs.answers << UserDialogs::Answer::No;
    f.env.destroyWindows();
    QCOMPARE(f.env.setting("Data", "SelSeriesNo"), QStringLiteral("0"));
}

void TestKeyLabelWindows::applyToSelectedCells_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("confirmed"); // typed and confirmed in the dialog first; "-" for none
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("two-line default on one-line cells") << 1 << QStringList{"-"}
                                                        << QStringList{"業務コード", "指定発信"};
    QTest::newRow("empty default: one empty line") << 39 << QStringList{"-"} << QStringList{""};
    QTest::newRow("confirmed with an empty edit box: no lines") << 2 << QStringList() << QStringList();
    QTest::newRow("three lines") << 3 << QStringList{"一", "二", "三"} << QStringList{"一", "二", "三"};
}

// Cells 0, 1 (a picture) and 2 selected with the pointer, then a real click
// on a panel button: cells 0 and 2 take the label, the picture cell and
// cell 3 stay, bold/italic/alignment stay, the selection stays.
void TestKeyLabelWindows::applyToSelectedCells()
{
    QFETCH(int, key);
    QFETCH(QStringList, confirmed);
    QFETCH(QStringList, expected);
    Fixture f;
    f.start();
    QCOMPARE(f.panel().series(), 7);
    if (confirmed != QStringList{"-"}) {
        f.openDialog([&](TFKeyLabel &dlg) {
            clickKey(dlg, key);
            typeLabelLines(dlg, confirmed);
            QTest::mouseClick(uitest::child<QPushButton>(&dlg, "confirmButton"), Qt::LeftButton);
            QTest::mouseClick(uitest::child<QPushButton>(&dlg, "okButton"), Qt::LeftButton);
        });
    }
    QVERIFY(f.d().detailActive());
    QPlainTextEdit *editor0 = f.d().editor(0); // an editor made before the label comes
    f.clickCell(0);
    f.clickCell(2, Qt::ShiftModifier);
    QCOMPARE(f.d().selectedCells(), (QList<int>{0, 1, 2}));
    const int linesBefore = f.doc().lineCount();
    const QStringList picture = f.cellText(1);
    const QString pictureFace = f.cellLine(1, 19);
    const QStringList styles{f.cellLine(0, 22), f.cellLine(0, 23), f.cellLine(0, 24)};
    f.clickPanelKey(key);

    QCOMPARE(f.d().selectedCells(), (QList<int>{0, 1, 2}));
    const KeyLabel label = f.panel().set().ReadKeyLabel(key);
    for (int cell : {0, 2}) {
        QCOMPARE(f.cellText(cell), expected);
        QCOMPARE(f.cellLine(cell, 19), label.fontName);
        QCOMPARE(f.cellLine(cell, 20), QString::number(label.fontSize));
        QCOMPARE(f.cellLine(cell, 21), QStringLiteral("0,16777215")); // from the default "0"
        QCOMPARE((QStringList{f.cellLine(cell, 22), f.cellLine(cell, 23), f.cellLine(cell, 24)}), styles);
    }
    QCOMPARE(f.cellText(1), picture);
    QCOMPARE(f.cellLine(1, 19), pictureFace);
    QCOMPARE(f.cellText(3), QStringList());
    QCOMPARE(f.doc().lineCount(), linesBefore + 2 * int(expected.size()));
    QCOMPARE(editor0->toPlainText(), expected.isEmpty() ? QString() : expected.join(u'\n') + u'\n');
    QCOMPARE(editor0->font().family(), QFont(label.fontName).family());
    QVERIFY(f.doc().isModified());
}

void TestKeyLabelWindows::applyDoesNothing_data()
{
    QTest::addColumn<bool>("overview");
    QTest::newRow("overview shown") << true;
    QTest::newRow("no entry shown") << false;
}

void TestKeyLabelWindows::applyDoesNothing()
{
    QFETCH(bool, overview);
    Fixture f({"[Position]", "MainWState=0", "[Checked]", overview ? "DispLayout=1" : "DispLayout=0"});
    if (overview) {
        f.start();
        QVERIFY(!f.d().detailActive());
    } else {
        f.env.start(); // no register: nothing is displayed
        QCOMPARE(f.d().cellCount(), 0);
    }
    const QStringList before = f.doc().lines().toStringList();
    f.clickPanelKey(0);
    QCOMPARE(f.doc().lines().toStringList(), before);
    QVERIFY(!f.doc().isModified());
}

void TestKeyLabelWindows::applyRefusedByTheInputRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("Señor into a Shift-JIS register") << "Señor" << 9 << "キーラベルの文字「ñ」(U+00F1)";
    QTest::newRow("size 100000") << "代表" << 100000 << "フォントサイズ 100000";
    QTest::newRow("size -3") << "代表" << -3 << "フォントサイズ -3";
}

// A key label file (here UTF-8, so it holds ñ) may hold what the register
// cannot: clicking the label says so and changes nothing.
void TestKeyLabelWindows::applyRefusedByTheInputRule()
{
    QFETCH(QString, text);
    QFETCH(int, size);
    QFETCH(QString, refusal);
    Fixture f;
    QDir().mkpath(keyFolder(f.env));
    KeyLabelSet set(keyFolder(f.env));
    set.SetDefaultKeyLabels(7);
    set.WriteKeyLabel(0, {QStringLiteral("ＭＳ 明朝"), size, 0, 16777215, {text}});
    textfile::write(set.filePath(7), set.lines(), TextEncoding::Utf8Bom);
    f.start();
    QCOMPARE(f.panel().set().ReadKeyLabel(0).lines, QStringList{text});
    f.clickCell(0);
    const QStringList before = f.doc().lines().toStringList();
    f.clickPanelKey(0);
    const QStringList messages = f.env.dialogs.texts("message");
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.at(0).contains(refusal), qPrintable(messages.at(0)));
    QCOMPARE(f.doc().lines().toStringList(), before);
    QVERIFY(!f.doc().isModified());
}

void TestKeyLabelWindows::seriesFromSelectorAndList()
{
    Fixture f({"[Position]", "MainWState=0", "[Data]", "SelSeriesNo=4"}, false);
    writeKeyFile(f.env, 5, 0, {"ＭＳ ゴシック", 9, 0, 16777215, {"ファイルから"}});
    f.env.start(); // no register yet: the selector alone decides
    QCOMPARE(f.panel().buttons().size(), 60);
    QCOMPARE(uitest::part<QTabWidget>("keyLabelTabs")->widget(0)->findChildren<QPushButton *>().size(), 20);
    // The user picks series 5 with the keyboard: 15 buttons on each tab.
    clickTab(uitest::part<QTabWidget>("keyLabelTabs"), 2);
    uitest::part<QComboBox>("ComboBoxSeries")->setFocus();
    QTest::keyClick(uitest::part<QComboBox>("ComboBoxSeries"), Qt::Key_Down);
    QCOMPARE(FMain->selSeriesNo(), 5);
    for (int p = 0; p < 3; ++p)
        QCOMPARE(uitest::part<QTabWidget>("keyLabelTabs")->widget(p)->findChildren<QPushButton *>().size(), 15);
    QCOMPARE(f.panel().buttons().at(0)->text(), QStringLiteral("ファイルから"));
    QCOMPARE(uitest::part<QTabWidget>("keyLabelTabs")->currentIndex(), 2); // the active tab stays

    // Series 2 current; the register list selects an entry of series 5.
    uitest::part<QComboBox>("ComboBoxSeries")->setFocus();
    QTest::keyClick(uitest::part<QComboBox>("ComboBoxSeries"), Qt::Key_Up);
    QTest::keyClick(uitest::part<QComboBox>("ComboBoxSeries"), Qt::Key_Up);
    QTest::keyClick(uitest::part<QComboBox>("ComboBoxSeries"), Qt::Key_Up);
    QCOMPARE(f.panel().series(), 2);
    f.env.dialogs.fileNames << f.path;
    uitest::part<QAction>("ActionFileOpen")->trigger();
    uitest::clickRow(2); // series 2: nothing changes
    QCOMPARE(f.panel().series(), 2);
    uitest::clickRow(1); // series 5
    QCOMPARE(uitest::part<QComboBox>("ComboBoxSeries")->currentIndex(), 5);
    QCOMPARE(f.panel().series(), 5);
    QCOMPARE(f.panel().buttons().size(), 45);
    QCOMPARE(f.panel().buttons().at(0)->text(), QStringLiteral("ファイルから"));
    const QList<QPushButton *> buttons = f.panel().buttons();
    uitest::clickRow(3); // another entry of series 5: the panel stays as it is
    QCOMPARE(f.panel().buttons(), buttons);
}

void TestKeyLabelWindows::panelVisibilityPersisted()
{
    Fixture f;
    f.env.start();
    QTest::mouseClick(uitest::part<QToolButton>("ToolButtonKeyLabel"), Qt::LeftButton);
    QVERIFY(!uitest::part<QTabWidget>("keyLabelTabs")->isVisible());
    QCOMPARE(f.panel().buttons().size(), 60); // hidden, not destroyed
    f.env.destroyWindows();
    QCOMPARE(f.env.setting("Checked", "DispKeyLabel"), QStringLiteral("0"));
    f.env.start();
    QVERIFY(!uitest::part<QTabWidget>("keyLabelTabs")->isVisible());
    QVERIFY(!uitest::part<QAction>("ActionKeyLabelShow")->isChecked());
    QVERIFY(!uitest::part<QToolButton>("ToolButtonKeyLabel")->isChecked());
}

void TestKeyLabelWindows::dialogLayoutAndPage()
{
    Fixture f({"[Position]", "MainWState=0", "KeyLabelTop=120", "KeyLabelLeft=140", "[Data]", "SelSeriesNo=4"});
    f.env.start();
    QCOMPARE(FMain->keyLabelPanel().dialog().pos(), QPoint(140, 120));
    f.openDialog([&](TFKeyLabel &dlg) {
        QCOMPARE(dlg.windowTitle(), QStringLiteral("キーラベル設定"));
        QCOMPARE(dlg.size(), QSize(518, 506));
        QCOMPARE(dlg.keyButtons().size(), 60);
        QCOMPARE(dlg.keyButtons().at(25)->parentWidget(), uitest::child<QWidget>(&dlg, "keyPage2"));
        QCOMPARE(dlg.keyButtons().at(25)->geometry(), QRect(0, 5 * 24, 172, 23));
        QCOMPARE(dlg.SelectedKey, 0);
        QVERIFY(dlg.keyButtons().at(0)->isChecked());
        QCOMPARE(uitest::child<QComboBox>(&dlg, "ComboBoxFontSize")->count(), 20);
        QVERIFY(uitest::child<QComboBox>(&dlg, "ComboBoxFont")->count() > 0);
        QCOMPARE(dlg.FontMarks.size(), uitest::child<QComboBox>(&dlg, "ComboBoxFont")->count());
        QCOMPARE(uitest::child<QPlainTextEdit>(&dlg, "labelEdit")->toPlainText(), QStringLiteral("電話帳検索"));
        QCOMPARE(uitest::child<QComboBox>(&dlg, "ComboBoxFont")->currentText(), QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(uitest::child<QComboBox>(&dlg, "ComboBoxFontSize")->currentText(), QStringLiteral("8"));
        // One toggle group: pressing another key releases the first.
        clickKey(dlg, 5);
        QVERIFY(dlg.keyButtons().at(5)->isChecked() && !dlg.keyButtons().at(0)->isChecked());
        clickTab(uitest::child<QTabWidget>(&dlg, "PageControl"), 1);
        QCOMPARE(dlg.SelectedKey, 20);
        QVERIFY(dlg.keyButtons().at(20)->isChecked());
        QCOMPARE(uitest::child<QPlainTextEdit>(&dlg, "labelEdit")->toPlainText(), QStringLiteral("留守再生１"));
        // Font list items: the TrueType mark for a "t" family only, the name
        // from x = 20.
        dlg.FontMarks[0] = uitest::child<QComboBox>(&dlg, "ComboBoxFont")->itemText(0) + u't';
        dlg.FontMarks[1] = uitest::child<QComboBox>(&dlg, "ComboBoxFont")->itemText(1) + u'u';
        for (int i : {0, 1}) {
            QImage img(137, 16, QImage::Format_RGB32);
            img.fill(Qt::white);
            QPainter p(&img);
            QStyleOptionViewItem opt;
            opt.rect = QRect(0, 0, 137, 16);
            opt.font = uitest::child<QComboBox>(&dlg, "ComboBoxFont")->font();
            opt.palette = uitest::child<QComboBox>(&dlg, "ComboBoxFont")->palette();
            uitest::child<QComboBox>(&dlg, "ComboBoxFont")->itemDelegate()->paint(&p, opt, uitest::child<QComboBox>(&dlg, "ComboBoxFont")->model()->index(i, 0));
            p.end();
            int markInk = 0, textInk = 0, leftOfText = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 137; ++x) {
                    const bool dark = qGray(img.pixel(x, y)) < 160;
                    markInk += dark && x >= 2 && x < 18 && y >= 2;
                    textInk += dark && x >= 20;
                    leftOfText += dark && x < 20 && (x < 2 || y < 2);
                }
            QCOMPARE(markInk > 20, i == 0);
            QVERIFY(textInk > 10);
            QCOMPARE(leftOfText, 0);
        }
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "okButton"), Qt::LeftButton);
    });
    QVERIFY(!uitest::window<TFKeyLabel>()->isVisible());
    QVERIFY(uitest::window<TFKeyLabel>()->keyButtons().isEmpty()); // freed on close
    // The next showing opens on the same page with its first key.
    f.openDialog([&](TFKeyLabel &dlg) {
        QCOMPARE(uitest::child<QTabWidget>(&dlg, "PageControl")->currentIndex(), 1);
        QCOMPARE(dlg.SelectedKey, 20);
        QVERIFY(dlg.keyButtons().at(20)->isChecked());
        dlg.move(150, 130);
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "cancelButton"), Qt::LeftButton);
    });
    f.env.destroyWindows();
    QCOMPARE(f.env.setting("Position", "KeyLabelLeft"), QStringLiteral("150"));
    QCOMPARE(f.env.setting("Position", "KeyLabelTop"), QStringLiteral("130"));
}

void TestKeyLabelWindows::dialogConfirmAndDrop()
{
    Fixture f({"[Position]", "MainWState=0", "[Data]", "SelSeriesNo=7"});
    f.env.start();
    f.openDialog([&](TFKeyLabel &dlg) {
        // Three lines confirmed: the button shows two at 8 points, the set
        // holds three.
        clickKey(dlg, 4);
        typeLabelLines(dlg, {"一行目", "二行目", "三行目"});
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "confirmButton"), Qt::LeftButton);
        QCOMPARE(dlg.keyButtons().at(4)->text(), QStringLiteral("一行目\n二行目"));
        QCOMPARE(dlg.keyButtons().at(4)->font().pointSize(), 8);
        QCOMPARE(f.panel().set().ReadKeyLabel(4).lines, (QStringList{"一行目", "二行目", "三行目"}));
        QVERIFY(uitest::child<QPushButton>(&dlg, "confirmButton")->isEnabled());
        // An empty edit box confirmed: no lines, empty caption at 9 points.
        clickKey(dlg, 1);
        typeLabelLines(dlg, {});
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "confirmButton"), Qt::LeftButton);
        QCOMPARE(f.panel().set().ReadKeyLabel(1).lines, QStringList());
        QCOMPARE(dlg.keyButtons().at(1)->text(), QString());
        QCOMPARE(dlg.keyButtons().at(1)->font().pointSize(), 9);
        // Typed but not confirmed, then another key: dropped.
        const QStringList before = f.panel().set().lines();
        clickKey(dlg, 2);
        typeLabelLines(dlg, {"捨てる"});
        clickKey(dlg, 3);
        clickKey(dlg, 2);
        QCOMPARE(uitest::child<QPlainTextEdit>(&dlg, "labelEdit")->toPlainText(), QStringLiteral("着信拒否"));
        typeLabelLines(dlg, {"捨てる"});
        clickTab(uitest::child<QTabWidget>(&dlg, "PageControl"), 2);
        QCOMPARE(f.panel().set().lines(), before);
        // A character the file cannot hold is refused at 確定.
        typeLabelLines(dlg, {QStringLiteral("한국")});
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "confirmButton"), Qt::LeftButton);
        QCOMPARE(f.env.dialogs.texts("message"), QStringList{unencodableMessage(QStringLiteral("한"))});
        QCOMPARE(f.panel().set().lines(), before);
        QVERIFY(uitest::child<QPushButton>(&dlg, "confirmButton")->isEnabled());
        // So is a control character pasted in, which no cell would take.
        QGuiApplication::clipboard()->setText(QStringLiteral("転\t送"));
        uitest::child<QPlainTextEdit>(&dlg, "labelEdit")->setFocus();
        uitest::child<QPlainTextEdit>(&dlg, "labelEdit")->selectAll();
        QTest::keyClick(uitest::child<QPlainTextEdit>(&dlg, "labelEdit"), Qt::Key_V, Qt::ControlModifier);
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "confirmButton"), Qt::LeftButton);
        QVERIFY2(f.env.dialogs.texts("message").constLast().contains(QStringLiteral("U+0009")),
                 qPrintable(f.env.dialogs.texts("message").constLast()));
        QCOMPARE(f.panel().set().lines(), before);
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "okButton"), Qt::LeftButton);
    });
    // OK wrote the file, created now.
    KeyLabelSet saved(keyFolder(f.env));
    QCOMPARE(saved.LoadKeyLabels(7), LoadResult::File);
    QCOMPARE(saved.lines(), f.panel().set().lines());
    QCOMPARE(f.panel().buttons().at(4)->text(), QStringLiteral("一行目\n二行目"));
}

void TestKeyLabelWindows::dialogDefaultsThenCancel()
{
    Fixture f({"[Position]", "MainWState=0", "[Data]", "SelSeriesNo=5"});
    writeKeyFile(f.env, 5, 30, {"ＭＳ ゴシック", 12, 255, 0, {"ファイル"}});
    f.env.start();
    const QStringList fromFile = f.panel().set().lines();
    f.openDialog([&](TFKeyLabel &dlg) {
        clickTab(uitest::child<QTabWidget>(&dlg, "PageControl"), 1);
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "defaultsButton"), Qt::LeftButton);
        QCOMPARE(f.panel().set().lines(), defaultsOf(5)); // all three pages
        QCOMPARE(dlg.keyButtons().at(30)->text(), QStringLiteral("内線"));
        QCOMPARE(dlg.SelectedKey, 15);
        QCOMPARE(uitest::child<QTabWidget>(&dlg, "PageControl")->currentIndex(), 1);
        QVERIFY(uitest::child<QPushButton>(&dlg, "defaultsButton")->isEnabled());
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "cancelButton"), Qt::LeftButton);
    });
    QCOMPARE(f.panel().set().lines(), fromFile);
    QCOMPARE(f.panel().buttons().at(30)->text(), QStringLiteral("ファイル"));
    // Read, change nothing, OK: the file is written again byte for byte.
    const QString file = keyFolder(f.env) + QStringLiteral("TAVKey2.ini");
    const QByteArray before = bytesOf(file);
    QFile::remove(file);
    f.openDialog([&](TFKeyLabel &dlg) { QTest::mouseClick(uitest::child<QPushButton>(&dlg, "okButton"), Qt::LeftButton); });
    QCOMPARE(bytesOf(file), before);
}

void TestKeyLabelWindows::dialogCancelWithoutFile()
{
    Fixture f({"[Position]", "MainWState=0", "[Data]", "SelSeriesNo=3"});
    f.env.start();
    f.openDialog([&](TFKeyLabel &dlg) {
        for (int k : {0, 7}) {
            clickKey(dlg, k);
            typeLabelLines(dlg, {"変更"});
            QTest::mouseClick(uitest::child<QPushButton>(&dlg, "confirmButton"), Qt::LeftButton);
        }
        QVERIFY(f.panel().set().lines() != defaultsOf(3));
        QTest::keyClick(uitest::child<QPlainTextEdit>(&dlg, "labelEdit"), Qt::Key_Escape); // Esc is ｷｬﾝｾﾙ
    });
    QVERIFY(!uitest::window<TFKeyLabel>()->isVisible());
    QCOMPARE(f.panel().set().lines(), defaultsOf(3));
    QVERIFY(QDir(keyFolder(f.env)).entryList({"TAVKey*"}, QDir::Files).isEmpty());
}

void TestKeyLabelWindows::dialogFontAndColours()
{
    Fixture f({"[Position]", "MainWState=0", "[Data]", "SelSeriesNo=7"});
    writeKeyFile(f.env, 7, 0, {"存在しない書体", 13, 255, 65280, {"赤"}});
    f.env.start();
    f.env.dialogs.colours << QColor(0, 0, 255) << QColor() << QColor(0, 0, 0);
    f.openDialog([&](TFKeyLabel &dlg) {
        // A face and a size that are not in the lists: the first items show,
        // the key keeps its own.
        QCOMPARE(uitest::child<QComboBox>(&dlg, "ComboBoxFont")->currentIndex(), 0);
        QCOMPARE(uitest::child<QComboBox>(&dlg, "ComboBoxFontSize")->currentIndex(), 0);
        QCOMPARE(dlg.EditFontName, QStringLiteral("存在しない書体"));
        QCOMPARE(dlg.EditFontSize, 13);
        // Each chooser opens at the colour being edited; a cancelled one
        // changes nothing.
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "textColourButton"), Qt::LeftButton);
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "backColourButton"), Qt::LeftButton);
        QCOMPARE(f.env.dialogs.shown.at(f.env.dialogs.shown.size() - 2).initialColour, QColor(255, 0, 0));
        QCOMPARE(f.env.dialogs.shown.last().initialColour, QColor(0, 255, 0));
        QCOMPARE(dlg.EditTextColor, 16711680);
        QCOMPARE(dlg.EditBackColor, 65280);
        QCOMPARE(uitest::child<QPlainTextEdit>(&dlg, "labelEdit")->palette().color(QPalette::Text), QColor(0, 0, 255));
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "confirmButton"), Qt::LeftButton);
        const KeyLabel k0 = f.panel().set().ReadKeyLabel(0);
        QCOMPARE(k0.fontName, QStringLiteral("存在しない書体"));
        QCOMPARE(k0.fontSize, 13);
        QCOMPARE(k0.textColour, 16711680);
        QCOMPARE(k0.backColour, 65280);
        // The user's own pick of a size changes the key's size.
        clickKey(dlg, 1);
        QCOMPARE(uitest::child<QComboBox>(&dlg, "ComboBoxFontSize")->currentText(), QStringLiteral("6"));
        uitest::child<QComboBox>(&dlg, "ComboBoxFontSize")->setFocus();
        QTest::keyClick(uitest::child<QComboBox>(&dlg, "ComboBoxFontSize"), Qt::Key_Down);
        QCOMPARE(dlg.EditFontSize, 7);
        QCOMPARE(uitest::child<QPlainTextEdit>(&dlg, "labelEdit")->font().pointSize(), 7);
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "textColourButton"), Qt::LeftButton);
        QCOMPARE(f.env.dialogs.shown.last().initialColour, QColor(0, 0, 0));
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "confirmButton"), Qt::LeftButton);
        QCOMPARE(f.panel().set().ReadKeyLabel(1).fontSize, 7);
        QCOMPARE(f.panel().set().ReadKeyLabel(1).fontName, QStringLiteral("ＭＳ 明朝"));
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "cancelButton"), Qt::LeftButton);
    });
    QVERIFY(!f.env.dialogs.anyUnanswered());
}

void TestKeyLabelWindows::dialogOkAndCloseBox()
{
    Fixture f({"[Position]", "MainWState=0", "[Data]", "SelSeriesNo=7"});
    f.env.start();
    // A caption set here shows whether the panel was refreshed.
    f.panel().buttons().at(0)->setText(QStringLiteral("未更新"));
    f.openDialog([&](TFKeyLabel &dlg) { QTest::mouseClick(uitest::child<QPushButton>(&dlg, "okButton"), Qt::LeftButton); });
    QCOMPARE(f.panel().buttons().at(0)->text(), QStringLiteral("未更新"));
    const QString file = keyFolder(f.env) + QStringLiteral("TAVKey4.ini");
    QVERIFY(QFile::exists(file)); // OK writes even without changes
    QFile::remove(file);
    // 確定 and then the close box: the panel follows, nothing is saved.
    f.openDialog([&](TFKeyLabel &dlg) {
        clickKey(dlg, 5);
        typeLabelLines(dlg, {"閉じる"});
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "confirmButton"), Qt::LeftButton);
        dlg.close();
    });
    QCOMPARE(f.panel().buttons().at(0)->text(), QStringLiteral("業務コード"));
    QCOMPARE(f.panel().buttons().at(5)->text(), QStringLiteral("閉じる"));
    QCOMPARE(f.panel().set().ReadKeyLabel(5).lines, QStringList{"閉じる"});
    QVERIFY(!QFile::exists(file));
}

void TestKeyLabelWindows::dialogOkFailureKeepsEdits()
{
    Fixture f({"[Position]", "MainWState=0", "[Data]", "SelSeriesNo=0"});
    f.env.start();
    QVERIFY(QDir().mkpath(keyFolder(f.env) + QStringLiteral("TAVKey8.ini"))); // a folder where the file goes
    f.openDialog([&](TFKeyLabel &dlg) {
        typeLabelLines(dlg, {"保存できない"});
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "confirmButton"), Qt::LeftButton);
        QTest::mouseClick(uitest::child<QPushButton>(&dlg, "okButton"), Qt::LeftButton);
        const QStringList errors = f.env.dialogs.texts("error");
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.at(0).startsWith(QStringLiteral("キーラベルファイルを保存できませんでした。\n")));
        QVERIFY(errors.at(0).contains(QStringLiteral("TAVKey8.ini")));
        QVERIFY(dlg.isVisible());
        QCOMPARE(f.panel().set().ReadKeyLabel(0).lines, QStringList{"保存できない"});
        dlg.close();
    });
    QCOMPARE(f.panel().set().ReadKeyLabel(0).lines, QStringList{"保存できない"});
    QCOMPARE(f.panel().buttons().at(0)->text(), QStringLiteral("保存できない"));
}

TAVREL_UI_TEST_MAIN(TestKeyLabelWindows)
#include "test_keylabelwindows.moc"
