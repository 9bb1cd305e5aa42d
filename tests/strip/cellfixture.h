#pragma once
// The main window showing one entry built in code (every line of its cell
// records can be set), for the tests of the cell commands.

#include "platform/textfile.h"
#include "register/cellrecord.h"
#include "register/stripwalk.h"
#include "stripfixture.h"
#include "uitestsupport.h"
#include "windows/main/tfmain.h"
#include "windows/main/windows.h"
#include "windows/strip/stripdisplay.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

// Types any text, one character (a surrogate pair whole) per key press.
inline void typeText(QWidget *w, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString ch = text.mid(i, n);
        QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, ch, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, ch, Qt::NoModifier);
        i += n - 1;
    }
}

class CellFixture
{
public:
    explicit CellFixture(const TestEntry &entry, const QStringList &settings = {}, bool detail = true,
                         TextEncoding encoding = TextEncoding::Cp932)
    {
        path = env.dataFolder() + QStringLiteral("cells.TAV");
        textfile::write(path, registerLines({entry}), encoding);
        // The test's keys join the sections of the same name.
        QStringList ini{"[Position]", "MainWState=0", "[Checked]", detail ? "DispLayout=0" : "DispLayout=1"};
        qsizetype at = ini.size();
        for (const QString &l : settings) {
            if (l.startsWith(u'[')) {
                at = ini.indexOf(l);
                if (at < 0) {
                    ini.append(l);
                    at = ini.size();
                } else {
                    ++at;
                }
                continue;
            }
            ini.insert(at++, l);
        }
        env.writeSettings(ini);
        env.start(path);
    }
    ~CellFixture() { env.dialogs.answers << UserDialogs::Answer::No; }

    StripDisplay &d() { return FMain->display(); }
    RegisterDocument &doc() { return FMain->document(); }
    int record(int cell) { return strip::locateCell(doc().lines(), FMain->display().shownHeaderLine(), cell); }
    QString line(int cell, int recordLine) { return doc().line(record(cell) + recordLine); }
    void setLine(int cell, int recordLine, const QString &text) { doc().setLine(record(cell) + recordLine, text); }
    QStringList textLines(int cell)
    {
        const int b = record(cell);
        return doc().lines().mid(b + regfmt::cell::FirstText, doc().intAt(b + regfmt::cell::TextCount));
    }
    QPlainTextEdit *editor(int cell) { return d().editor(cell); }
    void click(int cell, Qt::KeyboardModifiers mods = {}) { uitest::clickCell(cell, mods); }
    void doubleClick(int cell) { uitest::doubleClickCell(cell); }
    // Selects the cells from `from` to `to` as the user does: a click, then
    // a Shift press and release.
    void selectRange(int from, int to)
    {
        click(from);
        click(to, Qt::ShiftModifier);
    }

    uitest::Environment env;
    QString path;
};
