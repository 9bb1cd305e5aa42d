// Pictures in cells through the picture dialog: loading with the chooser
// (remembered folder, refused files), the size limit and its message, OK,
// クリア and ｷｬﾝｾﾙ, attaching over a selection, detaching, the settings read
// at creation and written at the end, and the sample logos of the build.

#include "cellfixture.h"
#include "strip/cellpicture.h"
#include "strip/picture.h"
#include "windows/main/application.h"
#include "windows/strip/picturecommands.h"
#include "windows/strip/tfviewimage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>

using namespace regfmt::cell;

namespace {

TestEntry cells(int n)
{
    return entryWithCells({n});
}

QByteArray jpegBytes(QSize size = QSize(40, 20))
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(20, 90, 200));
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "JPEG");
    return bytes;
}

// A JPEG file of exactly `size` bytes: a small picture followed by padding
// that readers ignore after the end-of-image marker.
QString writeJpeg(const QString &folder, const QString &name, qint64 size)
{
    QByteArray bytes = jpegBytes();
    Q_ASSERT(bytes.size() <= size);
    bytes.append(QByteArray(size - bytes.size(), '\0'));
    const QString path = folder + name;
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Loads `path` in the shown dialog, then presses OK.
std::function<void(TFViewImage &)> loadThenOk(const QString &path, ScriptedUserDialogs &dialogs)
{
    return [path, &dialogs](TFViewImage &d) {
        dialogs.fileNames << path;
        QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonLoad"), Qt::LeftButton);
        QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonOK"), Qt::LeftButton);
    };
}

} // namespace

// The picture dialog, made when first needed.
static TFViewImage *pictureDialog()
{
    return &FMain->pictureCommands().pictureDialog();
}

class TestPictures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialogLayout();
    void sizeLimit_data();
    void sizeLimit();
    void attachOverThreeCells();
    void upperCaseExtensionKept();
    void okWithoutLoadingKeepsPicture();
    void clearThenOkRemovesPicture();
    void cancelChangesNothing();
    void refusedFileIsNotStored();
    void doubleClickOnPictureAndDetach();
    void settingsWrittenAtEnd();
    void sampleLogos();
};

void TestPictures::dialogLayout()
{
    CellFixture f(cells(2));
    QCOMPARE(pictureDialog()->windowTitle(), QStringLiteral("画像取込み"));
    QCOMPARE(pictureDialog()->minimumSize(), QSize(360, 260));
    const QList<std::pair<QPushButton *, QString>> buttons{{uitest::child<QPushButton>(pictureDialog(), "ButtonLoad"), "取込み"},
                                                           {uitest::child<QPushButton>(pictureDialog(), "ButtonClear"), "クリア"},
                                                           {uitest::child<QPushButton>(pictureDialog(), "ButtonOK"), "OK"},
                                                           {uitest::child<QPushButton>(pictureDialog(), "ButtonCancel"), "ｷｬﾝｾﾙ"}};
    for (const auto &[b, caption] : buttons) {
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->size(), QSize(75, 23));
    }
    QVERIFY(uitest::child<QPushButton>(pictureDialog(), "ButtonOK")->isDefault());
    const QString path = writeJpeg(f.env.dataFolder(), "small.jpg", 2000);
    bool checked = false;
    uitest::whenPictureDialogShown([&](TFViewImage &d) {
        f.env.dialogs.fileNames << path;
        QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonLoad"), Qt::LeftButton);
        // A picture smaller than the area is centred, also after a resize.
        const QSize area = uitest::child<QScrollArea>(&d, "pictureScroll")->viewport()->size();
        QCOMPARE(uitest::child<QLabel>(&d, "pictureLabel")->size(), QSize(40, 20));
        QCOMPARE(uitest::child<QLabel>(&d, "pictureLabel")->pos(), QPoint((area.width() - 40) / 2, (area.height() - 20) / 2));
        d.resize(500, 400);
        QTRY_COMPARE(uitest::child<QLabel>(&d, "pictureLabel")->x(), (uitest::child<QScrollArea>(&d, "pictureScroll")->viewport()->width() - 40) / 2);
        QCOMPARE(d.fileSize(), 2000);
        QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonClear"), Qt::LeftButton);
        QCOMPARE(uitest::child<QLabel>(&d, "pictureLabel")->size(), uitest::child<QScrollArea>(&d, "pictureScroll")->viewport()->size());
        QCOMPARE(uitest::child<QLabel>(&d, "pictureLabel")->pixmap().toImage().pixel(3, 3), qRgb(255, 255, 255));
        QCOMPARE(d.fileSize(), -1);
        checked = true;
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    f.click(0);
    uitest::part<QAction>("ActionEditPicOn")->trigger();
    QVERIFY(checked);
    QVERIFY(!uitest::window<TFViewImage>()->isVisible());
    const auto &open = f.env.dialogs.shown.last();
    QCOMPARE(open.kind, QStringLiteral("open"));
    QCOMPARE(open.request.title, QStringLiteral("画像ﾌｧｲﾙ読み込み"));
    QCOMPARE(open.request.filter, QStringLiteral("画像ﾌｧｲﾙ(*.bmp;*.jpg;*.jpeg)"));
    QCOMPARE(open.request.folder, f.env.programFolder() + QStringLiteral("tvロゴ"));
    QVERIFY(!open.request.writable);
    QVERIFY(!f.doc().isModified());
}

void TestPictures::sizeLimit_data()
{
    QTest::addColumn<QString>("setting"); // PictureFileSizeMax, "" for none
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<QString>("shown");   // number in the message, "" when accepted
    QTest::newRow("default, exactly 30720") << "" << qint64(30720) << "";
    QTest::newRow("default, one byte more") << "" << qint64(30721) << "30";
    QTest::newRow("50 kbyte limit") << "51200" << qint64(51201) << "50";
    QTest::newRow("limit below 1024") << "1000" << qint64(1001) << "0";
}

void TestPictures::sizeLimit()
{
    QFETCH(QString, setting);
    QFETCH(qint64, fileSize);
    QFETCH(QString, shown);
    CellFixture f(cells(2), setting.isEmpty() ? QStringList() : QStringList{"[Data]", "PictureFileSizeMax=" + setting});
    const QString path = writeJpeg(f.env.dataFolder(), "logo.jpg", fileSize);
    bool stayedOpen = false;
    uitest::whenPictureDialogShown([&](TFViewImage &d) {
        loadThenOk(path, f.env.dialogs)(d);
        stayedOpen = d.isVisible();
    });
    f.click(1);
    uitest::part<QAction>("ActionEditPicOn")->trigger();
    if (shown.isEmpty()) {
        QVERIFY(!stayedOpen);
        QVERIFY(f.env.dialogs.texts("error").isEmpty());
        QCOMPARE(f.line(1, PictureType), QStringLiteral(".jpg"));
        QCOMPARE(strip::decodeBase64(f.line(1, PictureData)), fileBytes(path));
        QVERIFY(f.d().cell(1).showsPicture);
    } else {
        QVERIFY(stayedOpen);
        QCOMPARE(f.env.dialogs.texts("error"),
                 QStringList{"画像ファイルが大きすぎます。" + shown + "kbyte以下の画像ファイルを選択してください。"});
        QVERIFY(f.line(1, PictureType).isEmpty());
        QVERIFY(!f.doc().isModified());
    }
}

void TestPictures::attachOverThreeCells()
{
    CellFixture f(cells(5));
    const QString path = writeJpeg(f.env.dataFolder(), "logo.jpeg", 1500);
    f.selectRange(1, 3); // current cell 1
    QVERIFY(uitest::part<QAction>("ActionEditPicOn")->isEnabled());
    uitest::whenPictureDialogShown(loadThenOk(path, f.env.dialogs));
    uitest::part<QAction>("ActionEditPicOn")->trigger();
    for (int c : {1, 2, 3})
        QCOMPARE(f.line(c, TextCount), QStringLiteral("0"));
    QCOMPARE(f.line(1, PictureType), QStringLiteral(".jpeg"));
    QVERIFY(f.line(2, PictureType).isEmpty());
    QVERIFY(f.line(3, PictureType).isEmpty());
    QCOMPARE(f.textLines(0), QStringList{"内線1"});
    QCOMPARE(f.textLines(4), QStringList{"内線5"});
    QVERIFY(f.d().cell(1).showsPicture);
    // The overview shows the picture too.
    QCOMPARE(f.d().hitTest(strip::View::Overview, uitest::cellPoint(1, 1)).part, StripDisplay::Part::Picture);
}

void TestPictures::upperCaseExtensionKept()
{
    CellFixture f(cells(2));
    const QString path = writeJpeg(f.env.dataFolder(), "LOGO.JPG", 1200);
    QFile::setPermissions(path, QFileDevice::ReadOwner); // a read-only file opens
    f.click(0);
    uitest::whenPictureDialogShown(loadThenOk(path, f.env.dialogs));
    uitest::part<QAction>("PopupPicOn")->trigger();
    QCOMPARE(f.line(0, PictureType), QStringLiteral(".JPG"));
    QCOMPARE(strip::decodeBase64(f.line(0, PictureData)), fileBytes(path));
    QVERIFY(!strip::decodePicture(f.line(0, PictureType), f.line(0, PictureData)).isNull());
}

void TestPictures::okWithoutLoadingKeepsPicture()
{
    TestEntry e = cells(2);
    e.sections[0].cells[0].pictureType = ".jpg";
    e.sections[0].cells[0].pictureData = strip::encodeBase64(jpegBytes());
    CellFixture f(e);
    bool shownPicture = false;
    uitest::whenPictureDialogShown([&](TFViewImage &d) {
        shownPicture = uitest::child<QLabel>(&d, "pictureLabel")->size() == QSize(40, 20);
        QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonOK"), Qt::LeftButton);
    });
    QTest::mouseClick(uitest::part<StripSheet>("detailSheet"), Qt::LeftButton, {}, uitest::cellPoint(0, 0, QPoint(2, 2)));
    QTest::mouseDClick(uitest::part<StripSheet>("detailSheet"), Qt::LeftButton, {}, uitest::cellPoint(0, 0, QPoint(2, 2)));
    QVERIFY(shownPicture);
    QCOMPARE(f.line(0, PictureType), QStringLiteral(".jpg"));
    QCOMPARE(f.textLines(0), QStringList{"内線1"});
    QVERIFY(!f.doc().isModified());
}

void TestPictures::clearThenOkRemovesPicture()
{
    TestEntry e = cells(2);
    e.sections[0].cells[0].pictureType = ".jpg";
    e.sections[0].cells[0].pictureData = strip::encodeBase64(jpegBytes());
    CellFixture f(e);
    uitest::whenPictureDialogShown([](TFViewImage &d) {
        QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonClear"), Qt::LeftButton);
        QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonOK"), Qt::LeftButton);
    });
    QTest::mouseClick(uitest::part<StripSheet>("detailSheet"), Qt::LeftButton, {}, uitest::cellPoint(0, 0, QPoint(2, 2)));
    QTest::mouseDClick(uitest::part<StripSheet>("detailSheet"), Qt::LeftButton, {}, uitest::cellPoint(0, 0, QPoint(2, 2)));
    QVERIFY(f.line(0, PictureType).isEmpty());
    QVERIFY(f.line(0, PictureData).isEmpty());
    QCOMPARE(f.line(0, TextCount), QStringLiteral("0"));
    QVERIFY(!f.d().cell(0).showsPicture);
}

void TestPictures::cancelChangesNothing()
{
    CellFixture f(cells(2));
    const QString path = writeJpeg(f.env.dataFolder(), "a.jpg", 900);
    uitest::whenPictureDialogShown([&](TFViewImage &d) {
        f.env.dialogs.fileNames << path;
        QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonLoad"), Qt::LeftButton);
        QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonCancel"), Qt::LeftButton);
    });
    f.click(0);
    uitest::part<QAction>("ActionEditPicOn")->trigger();
    QVERIFY(!f.doc().isModified());
    // The folder of the chosen file is remembered for the next showing.
    uitest::whenPictureDialogShown([&](TFViewImage &d) {
        f.env.dialogs.fileNames << QString(); // chooser cancelled
        QTest::mouseClick(uitest::child<QPushButton>(&d, "ButtonLoad"), Qt::LeftButton);
    });
    uitest::part<QAction>("ActionEditPicOn")->trigger();
    QCOMPARE(f.env.dialogs.shown.last().request.folder, QDir(f.env.dataFolder()).absolutePath());
}

void TestPictures::refusedFileIsNotStored()
{
    CellFixture f(cells(2));
    QTemporaryDir other;
    QImage png(4, 4, QImage::Format_RGB32);
    png.fill(Qt::red);
    const QString path = other.filePath("fake.jpg");
    png.save(path, "PNG");
    uitest::whenPictureDialogShown(loadThenOk(path, f.env.dialogs));
    f.click(0);
    uitest::part<QAction>("ActionEditPicOn")->trigger();
    QCOMPARE(f.env.dialogs.texts("error").size(), 1);
    QVERIFY(f.env.dialogs.texts("error").at(0).startsWith(QStringLiteral("fake.jpg\n")));
    QVERIFY(f.line(0, PictureType).isEmpty());
    QVERIFY(!f.doc().isModified());
    // Remembered although the file did not load.
    f.env.destroyWindows();
    QCOMPARE(f.env.setting("Dir", "OpenPicture"), other.path());
}

void TestPictures::doubleClickOnPictureAndDetach()
{
    TestEntry e = cells(3);
    e.sections[0].cells[1].pictureType = ".jpg";
    e.sections[0].cells[1].pictureData = strip::encodeBase64(jpegBytes());
    CellFixture f(e);
    QTest::mouseClick(uitest::part<StripSheet>("detailSheet"), Qt::LeftButton, {}, uitest::cellPoint(1, 0, QPoint(2, 2)));
    QVERIFY(uitest::part<QAction>("ActionEditPicOff")->isEnabled());
    QVERIFY(!uitest::part<QAction>("ActionEditPicOn")->isEnabled());
    uitest::part<QAction>("PopupPicOff")->trigger();
    QVERIFY(f.line(1, PictureType).isEmpty());
    QVERIFY(f.line(1, PictureData).isEmpty());
    QCOMPARE(f.textLines(1), QStringList{"内線2"}); // its text shows again
    QVERIFY(!f.d().cell(1).showsPicture);
    QCOMPARE(f.d().hitTest(strip::View::Detail, uitest::cellPoint(1)).part, StripDisplay::Part::Text);
}

void TestPictures::settingsWrittenAtEnd()
{
    CellFixture f(cells(1), {"[Position]", "ViewImageLeft=140", "ViewImageTop=120"});
    QCOMPARE(pictureDialog()->pos(), QPoint(140, 120));
    f.env.destroyWindows();
    QCOMPARE(f.env.setting("Data", "PictureFileSizeMax"), QStringLiteral("30720"));
    QCOMPARE(f.env.setting("Dir", "OpenPicture"), f.env.programFolder() + QStringLiteral("tvロゴ"));
    QCOMPARE(f.env.setting("Position", "ViewImageLeft"), QStringLiteral("140"));
    QCOMPARE(f.env.setting("Position", "ViewImageTop"), QStringLiteral("120"));
}

void TestPictures::sampleLogos()
{
    const QDir logos(QStringLiteral(TAVREL_BINARY_DIR "/tvロゴ"));
    const QStringList files = logos.entryList(QDir::Files);
    QVERIFY(files.size() >= 3);
    QStringList formats;
    for (const QString &name : files) {
        strip::PictureFile file;
        QCOMPARE(strip::readPictureFile(logos.filePath(name), file), QString());
        QVERIFY2(file.size() < 30 * 1024, qPrintable(name));
        formats.append(QString::fromLatin1(strip::pictureFormatOf(file.type)));
    }
    QVERIFY(formats.contains("BMP"));
    QVERIFY(formats.contains("JPEG"));
}

TAVREL_UI_TEST_MAIN(TestPictures)
#include "test_pictures.moc"
