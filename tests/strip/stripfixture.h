#pragma once
// Registers built in code for the strip tests and the benchmark: every line
// of a cell record can be set, so malformed records are made the same way.

#include "register/registerdocument.h"

#include <QList>
#include <QStringList>

struct TestCell
{
    QStringList keyBox{"1", "1", "30", "12"};
    QStringList keyNumberBox{"2", "2", "6", "4"};
    // Key-number face, size, colour, bold, italic, alignment (lines 8 to 13).
    QStringList keyNumberFormat{QStringLiteral("ＭＳ Ｐゴシック"), "7", "0", "0", "0", "1"};
    QString keyCode = "001";
    QStringList textArea{"9", "2", "21", "10"};
    QString face = QStringLiteral("ＭＳ Ｐゴシック");
    QString size = "9", colours = "0";
    QString pictureType, pictureData;
    QStringList text;

    QStringList lines() const
    {
        QStringList l = keyBox + keyNumberBox + keyNumberFormat;
        l << keyCode;
        l += textArea;
        l << face << size << colours << "0" << "0" << "2" << "" << "" << "" << "" << "" << pictureType << pictureData
          << QString::number(text.size());
        return l + text;
    }
};

struct TestSection
{
    QString flag = "1";
    QStringList rect{"5", "5", "70", "190"};
    QList<TestCell> cells;

    QStringList lines() const
    {
        QStringList l{flag};
        l += rect;
        l << QString::number(cells.size());
        for (const TestCell &c : cells)
            l += c.lines();
        return l;
    }
};

struct TestEntry
{
    QString series = QStringLiteral("ｕＬシリーズ主装置");
    QString type = QStringLiteral("標準");
    QList<TestSection> sections;

    QStringList lines(int number) const
    {
        QStringList l{RegisterDocument::markerLine(number), "201", "営業部", "山田", "2024/04/01 09:00", series, type,
                      QString::number(sections.size())};
        for (const TestSection &s : sections)
            l += s.lines();
        return l;
    }
};

// Header line H of entry 1 is 3.
constexpr int FirstHeader = 3;

inline QStringList registerLines(const QList<TestEntry> &entries)
{
    QStringList l{RegisterDocument::VersionLine, QString::number(entries.size())};
    for (qsizetype i = 0; i < entries.size(); ++i)
        l += entries.at(i).lines(int(i) + 1);
    return l;
}

// Sections of the given cell counts, cells stacked down each section.
inline TestEntry entryWithCells(const QList<int> &counts)
{
    TestEntry e;
    for (int n : counts) {
        TestSection s;
        for (int i = 0; i < n; ++i) {
            TestCell c;
            c.keyCode = QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0'));
            c.keyBox[1] = QString::number(1 + (i % 14) * 13);
            c.keyNumberBox[1] = QString::number(2 + (i % 14) * 13);
            c.textArea[1] = QString::number(2 + (i % 14) * 13);
            c.text = QStringList{QStringLiteral("内線%1").arg(i + 1)};
            s.cells.append(c);
        }
        e.sections.append(s);
    }
    return e;
}
