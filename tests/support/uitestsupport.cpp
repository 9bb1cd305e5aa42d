#include "uitestsupport.h"

#include <QDialog>

#include "platform/textfile.h"
#include "register/series.h"
#include "register/templates.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/register/tftel_add.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace uitest {

bool ofMainWindow(const QObject *part)
{
    for (const QObject *o = part->parent(); o; o = o->parent()) {
        if (o == FMain)
            return true;
        if (qobject_cast<const QDialog *>(o))
            return false;
    }
    return false;
}


QStringList templateLines(const QString &seriesLine, const QList<TemplateSection> &sections)
{
    QStringList t{seriesLine, QString::number(sections.size())};
    for (const TemplateSection &s : sections) {
        t << QString::number(s.keyNumberFlag) << s.x << s.y << s.width << s.height << QString::number(s.keyCodes.size());
        for (int i = 0; i < s.keyCodes.size(); ++i) {
            const QString y = QString::number(2 + 10 * i);
            // key box, key-number box, key-number font, colour, style, alignment
            t << QStringLiteral("2") << y << QStringLiteral("30") << QStringLiteral("8");
            t << QStringLiteral("2") << y << QStringLiteral("5") << QStringLiteral("3");
            t << QStringLiteral("ＭＳ Ｐゴシック") << QStringLiteral("6") << QStringLiteral("0") << QStringLiteral("0")
              << QStringLiteral("0") << QStringLiteral("1");
            t << s.keyCodes.at(i);
            // text area
            t << QStringLiteral("8") << y << QStringLiteral("23") << QStringLiteral("8");
        }
    }
    return t;
}

void writeTemplate(const QString &folder, const QString &stripType, const QStringList &lines)
{
    textfile::write(folder + stripType + QStringLiteral(".tpl"), lines);
}

void writeStandardTemplates(const QString &folder)
{
    writeTemplate(folder, QStringLiteral("電話機Ａ"),
                  templateLines(series::caption(0) + series::caption(1),
                                {{1, "10", "10", "40", "40", {"001", "002", "000 10保留"}}}));
    writeTemplate(folder, QStringLiteral("電話機Ｂ"),
                  templateLines(series::caption(0), {{1, "10", "10", "40", "30", {"001", "002", "003"}},
                                                     {0, "60", "10", "40", "20", {"004"}}}));
    writeTemplate(folder, QStringLiteral("ＳＩＰ電話機"),
                  templateLines(series::caption(7), {{1, "10", "10", "40", "30", {"001", "002"}}}));
}

Environment::Environment()
{
    m_oldAppData = qgetenv("APPDATA");
    qputenv("APPDATA", m_data.path().toLocal8Bit());
    m_oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (dataFolder() + QStringLiteral("share")).toLocal8Bit());
    writeStandardTemplates(programFolder());
}

Environment::~Environment()
{
    destroyWindows();
    if (m_oldAppData.isNull())
        qunsetenv("APPDATA");
    else
        qputenv("APPDATA", m_oldAppData);
    if (m_oldDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", m_oldDataHome);
}

QString Environment::settingsFile() const
{
    return dataFolder() + QStringLiteral("tavrel/tavrel.ini");
}

void Environment::writeSettings(const QStringList &lines)
{
    QDir().mkpath(dataFolder() + QStringLiteral("tavrel"));
    textfile::write(settingsFile(), lines);
}

QString Environment::setting(const QString &section, const QString &key) const
{
    if (!QFile::exists(settingsFile()))
        return QString();
    const QStringList lines = textfile::read(settingsFile()).lines;
    bool inSection = false;
    for (const QString &l : lines) {
        if (l.startsWith(u'[')) {
            inSection = l.compare(u'[' + section + u']', Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = l.indexOf(u'=');
        if (inSection && eq > 0 && l.left(eq).compare(key, Qt::CaseInsensitive) == 0)
            return l.mid(eq + 1);
    }
    return QString();
}

void Environment::createWindows()
{
    ::createWindows(executablePath());
    m_windows = true;
}

void Environment::destroyWindows()
{
    if (!m_windows)
        return;
    ::destroyWindows();
    m_windows = false;
}

void Environment::showMain()
{
    FMain->show();
    FMain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
}

void Environment::start(const QString &registerPath)
{
    createWindows();
    showMain();
    if (registerPath.isEmpty())
        return;
    dialogs.fileNames << registerPath;
    uitest::part<QAction>("ActionFileOpen")->trigger();
}

QString Environment::writeRegister(const QString &name, const QList<Entry> &entries)
{
    RegisterDocument doc;
    for (const Entry &e : entries) {
        EntryHeader h{e.extension, e.department, e.userName, e.date, series::caption(e.series), e.stripType};
        templates::appendEntryFromTemplate(doc, programFolder(), h);
    }
    const QString path = dataFolder() + name;
    doc.save(path);
    return path;
}

void clickRow(int row)
{
    QTreeView *list = uitest::part<QTreeView>("registerList");
    const QModelIndex index = list->model()->index(row, 0);
    QVERIFY(index.isValid());
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

QWidget *sheet(int view)
{
    return view == 0 ? static_cast<QWidget *>(uitest::part<StripSheet>("detailSheet")) : static_cast<QWidget *>(uitest::part<StripSheet>("overviewSheet"));
}

QPoint cellPoint(int cell, int view, QPoint at)
{
    return FMain->display().cell(cell).textRect[view].topLeft() + at;
}

void clickCell(int cell, Qt::KeyboardModifiers mods, int view, QPoint at)
{
    QTest::mousePress(sheet(view), Qt::LeftButton, mods, cellPoint(cell, view, at));
    QTest::mouseRelease(sheet(view), Qt::LeftButton, mods, cellPoint(cell, view, at));
}

void doubleClickCell(int cell, int view, QPoint at)
{
    QWidget *w = sheet(view);
    const QPoint p = cellPoint(cell, view, at);
    QTest::mousePress(w, Qt::LeftButton, {}, p);
    QTest::mouseRelease(w, Qt::LeftButton, {}, p);
    QTest::mousePress(w, Qt::LeftButton, {}, p);
    QTest::mouseDClick(w, Qt::LeftButton, {}, p);
    QTest::mouseRelease(w, Qt::LeftButton, {}, p);
}

int frameOutline(int cell)
{
    QWidget *w = sheet(0);
    QImage image(w->size(), QImage::Format_RGB32);
    w->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground); // the sheet without its editors
    const QRect frame = FMain->display().cell(cell).frameRect[0];
    const int y = frame.center().y();
    const auto black = [&](int x) { return image.pixel(x, y) == qRgb(0, 0, 0); };
    return !black(frame.left()) ? 0 : black(frame.left() + 1) ? 2 : 1;
}

void pickFromList(QComboBox *box, int index)
{
    QWidget *target = box->lineEdit() ? static_cast<QWidget *>(box->lineEdit()) : box;
    QTest::keyClick(target, Qt::Key_F4);
    QAbstractItemView *view = box->view();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QModelIndex item = view->model()->index(index, box->modelColumn(), view->rootIndex());
    view->scrollTo(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
    QTRY_VERIFY(!view->isVisible());
}

void whenEntryDialogShown(const std::function<void(TFTelAdd &)> &fill)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, fill] {
        if (!uitest::window<TFTelAdd>() || !uitest::window<TFTelAdd>()->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        fill(*uitest::window<TFTelAdd>());
        if (uitest::window<TFTelAdd>()->isVisible())
            uitest::window<TFTelAdd>()->reject();
    });
    timer->start();
}

void whenPictureDialogShown(const std::function<void(TFViewImage &)> &act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (!uitest::window<TFViewImage>() || !uitest::window<TFViewImage>()->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(*uitest::window<TFViewImage>());
        if (uitest::window<TFViewImage>()->isVisible())
            uitest::window<TFViewImage>()->reject();
    });
    timer->start();
}

} // namespace uitest
