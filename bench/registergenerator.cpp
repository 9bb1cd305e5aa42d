#include "registergenerator.h"

#include "register/registerdocument.h"

#include "platform/textfile.h"

namespace {

void appendEntry(QStringList &l, int e, int cellsPerEntry)
{
    const QStringList departments{QStringLiteral("総務部"), QStringLiteral("営業部"), QStringLiteral("技術部"),
                                  QStringLiteral("経理部")};
    const QStringList labels{QStringLiteral("保留"), QStringLiteral("転送"), QStringLiteral("内線"),
                             QStringLiteral("外線１"), QStringLiteral("会議室Ａ")};
    const int perSection = 20;
    {
        l << RegisterDocument::markerLine(e) << QString::number(1000 + e) << departments.at(e % 4)
          << QStringLiteral("利用者 %1").arg(e) << QStringLiteral("2024/04/01 09:00")
          << QStringLiteral("ｕＴシリーズ主装置") << QStringLiteral("ｕＴ－９６ボタンＤＳＳコンソール");
        const int sections = (cellsPerEntry + perSection - 1) / perSection;
        l << QString::number(sections);
        int left = cellsPerEntry;
        for (int s = 0; s < sections; ++s) {
            const int c = std::min(perSection, left);
            left -= c;
            l << QStringLiteral("1") << QString::number(5 + s * 35) << QStringLiteral("10") << QStringLiteral("34")
              << QStringLiteral("200") << QString::number(c);
            for (int k = 0; k < c; ++k) {
                l << QStringLiteral("1") << QString::number(1 + k * 9.5, 'f', 1) << QStringLiteral("30")
                  << QStringLiteral("8.5") << QStringLiteral("0.5") << QStringLiteral("0.5") << QStringLiteral("3.5")
                  << QStringLiteral("3.5") << QStringLiteral("ＭＳ Ｐゴシック") << QStringLiteral("6")
                  << QStringLiteral("0") << QStringLiteral("0") << QStringLiteral("0") << QStringLiteral("1")
                  << QStringLiteral("%1").arg(s * perSection + k + 1, 3, 10, QLatin1Char('0'))
                  << QStringLiteral("4.5") << QStringLiteral("1.1") << QStringLiteral("25")
                  << QStringLiteral("6.6") << QStringLiteral("ＭＳ 明朝") << QStringLiteral("9")
                  << QStringLiteral("0") << QStringLiteral("0") << QStringLiteral("0") << QStringLiteral("2");
                for (int r = 0; r < 7; ++r)
                    l << QString();
                l << QStringLiteral("1") << labels.at((e + k) % labels.size());
            }
        }
    }
}

} // namespace

QStringList generateRegister(int entries, int cellsPerEntry)
{
    QStringList l;
    l.reserve(qsizetype(entries) * (cellsPerEntry * 35 + 20) + 2);
    l << RegisterDocument::VersionLine << QString::number(entries);
    for (int e = 1; e <= entries; ++e)
        appendEntry(l, e, cellsPerEntry);
    return l;
}

QByteArray generateRegisterBytes(int entries, int cellsPerEntry)
{
    QByteArray out = textfile::encode({RegisterDocument::VersionLine, QString::number(entries)});
    for (int e = 1; e <= entries; ++e) {
        QStringList l;
        appendEntry(l, e, cellsPerEntry);
        out += textfile::encode(l);
    }
    return out;
}
