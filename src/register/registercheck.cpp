#include "register/registercheck.h"

#include "platform/conversion.h"

#include "register/registerformat.h"
#include "register/textrule.h"

namespace {

using namespace regfmt;

class Checker
{
public:
    Checker(const RegisterLines &lines, QList<RegisterProblem> *notes) : m_lines(lines), m_notes(notes) {}

    QList<RegisterProblem> run()
    {
        const int size = int(m_lines.size());
        if (size == 0)
            return {};
        // Bytes that are no character of the file's encoding are reported
        // wherever they stand; they are never replaced silently.
        for (int i : m_lines.undecodableLines())
            problem(i, QStringLiteral("読み込めないバイト列があります"));
        if (!m_lines.at(0).contains(QLatin1String("file-version:")))
            problem(0, QStringLiteral("バージョン行がありません"));
        int n = 0;
        if (size < 2) {
            problem(0, QStringLiteral("示名条の数の行がありません"));
            return m_problems;
        }
        if (!tryParseInt(m_lines.at(EntryCountLine), n) || n < 0) {
            problem(1, QStringLiteral("示名条の数 '%1' が数値ではありません").arg(m_lines.at(1)));
            return m_problems;
        }
        int p = 2;
        for (int e = 1; e <= n; ++e) {
            if (p >= size) {
                problem(size - 1, QStringLiteral("示名条 %1 がありません（ファイルの終わり）").arg(e));
                return m_problems;
            }
            // The store's marker index knows which lines are markers and
            // their numbers.
            if (m_lines.markerAt(p) != e) {
                problem(p, QStringLiteral("示名条 %1 の区切り行がありません").arg(e));
                return m_problems;
            }
            // The entry ends at the next marker line (or the end of the lines).
            const int end = m_lines.nextMarkerAfter(p);
            checkEntry(e, p, end); // a broken entry does not hide the next ones
            p = end;
        }
        if (p < size)
            problem(p, QStringLiteral("最後の示名条の後に余分な行があります"));
        return m_problems;
    }

private:
    void problem(int line, const QString &message) { m_problems.append({line, message}); }

    // A line read as it is in the file and made of printable ASCII only has
    // no control character; any other line is decoded and looked at.
    bool printableAscii(int i) const
    {
        QByteArrayView bytes;
        if (!m_lines.asciiCompatibleBytes(i, bytes))
            return false;
        for (char c : bytes)
            if (c < 0x20 || c > 0x7E) // bytes of 0x80 and more are negative here
                return false;
        return true;
    }

    // `what` makes the name of the part only when a problem is reported, so
    // that a sound register is checked without making a string per line.
    template <typename What>
    bool need(int q, int end, int entry, const What &what)
    {
        if (q < end)
            return true;
        problem(std::max(0, std::min(q, end) - 1),
                QStringLiteral("示名条 %1: %2 が%3").arg(entry).arg(what(),
                    end == m_lines.size() ? QStringLiteral("ファイルの終わりを越えています")
                                           : QStringLiteral("次の示名条に食い込んでいます")));
        return false;
    }

    template <typename What>
    bool intLine(int q, int end, int entry, const What &what, int *value = nullptr)
    {
        if (!need(q, end, entry, what))
            return false;
        try {
            const int v = m_lines.intAt(q);
            if (value)
                *value = v;
            return true;
        } catch (const ConversionError &) {
            problem(q, QStringLiteral("示名条 %1: %2 '%3' が整数ではありません").arg(entry).arg(what(), m_lines.at(q)));
            return false;
        }
    }

    // The reader the strip walk uses for a length: a decimal it refuses
    // (malformed, blanks other than spaces around it, 10^9 mm or more) is a
    // problem here too.
    template <typename What>
    void decimalLine(int q, int entry, const What &what)
    {
        try {
            m_lines.fixedAt(q);
        } catch (const ConversionError &) {
            problem(q, QStringLiteral("示名条 %1: %2 '%3' が数値ではありません").arg(entry).arg(what(), m_lines.at(q)));
        }
    }

    bool checkEntry(int e, int marker, int end)
    {
        const int h = marker + 1;
        if (!need(h + entry::HeaderLines - 1, end, e, [] { return QStringLiteral("見出し"); }))
            return false;
        int sections = 0;
        const int countLine = h + entry::SectionCount;
        if (!intLine(countLine, end, e, [] { return QStringLiteral("区画の数"); }, &sections))
            return false;
        if (sections < 0) {
            problem(countLine, QStringLiteral("示名条 %1: 区画の数 %2 が負です").arg(e).arg(sections));
            return false;
        }
        if (sections > MaxSections)
            problem(countLine, QStringLiteral("示名条 %1: 区画が %2 個あります（上限 %3）").arg(e).arg(sections).arg(MaxSections));
        int p = h + entry::FirstSection;
        qint64 cellsTotal = 0; // a count near the int limit after others must not wrap
        bool cellLimitReported = false;
        for (int s = 0; s < sections; ++s) {
            int flag = 0, cells = 0;
            if (!intLine(p + section::KeyNumberFlag, end, e, [s] { return QStringLiteral("区画 %1 のキー番号表示").arg(s); }, &flag))
                return false;
            for (int k = section::OriginX; k <= section::Height; ++k) {
                if (!need(p + k, end, e, [s] { return QStringLiteral("区画 %1 の見出し").arg(s); }))
                    return false;
                decimalLine(p + k, e, [s] { return QStringLiteral("区画 %1 の寸法").arg(s); });
            }
            const int cellCountLine = p + section::CellCount;
            if (!intLine(cellCountLine, end, e, [s] { return QStringLiteral("区画 %1 のキーの数").arg(s); }, &cells))
                return false;
            if (cells < 0) {
                problem(cellCountLine, QStringLiteral("示名条 %1: 区画 %2 のキーの数 %3 が負です").arg(e).arg(s).arg(cells));
                return false;
            }
            cellsTotal += cells;
            if (cellsTotal > MaxCells && !cellLimitReported) {
                problem(cellCountLine, QStringLiteral("示名条 %1: キーが %2 個を超えます（上限 %3）").arg(e).arg(cellsTotal).arg(MaxCells));
                cellLimitReported = true;
            }
            p += section::HeaderLines;
            for (int c = 0; c < cells; ++c) {
                const auto what = [s, c] { return QStringLiteral("区画 %1 のキー %2").arg(s).arg(c); };
                const int countAt = p + cell::TextCount;
                if (!need(countAt, end, e, what))
                    return false;
                for (int k : cell::DecimalLines)
                    decimalLine(p + k, e, [&] { return what() + QStringLiteral(" の寸法"); });
                for (int k : cell::IntegerLines) {
                    try {
                        m_lines.intAt(p + k);
                    } catch (const ConversionError &) {
                        problem(p + k, QStringLiteral("示名条 %1: %2 の %3 行目 '%4' が整数ではありません")
                                           .arg(e).arg(what()).arg(k).arg(m_lines.at(p + k)));
                    }
                }
                int textLines = 0;
                if (!intLine(countAt, end, e, [&] { return what() + QStringLiteral(" の行数"); }, &textLines))
                    return false;
                if (textLines < 0) {
                    problem(countAt, QStringLiteral("示名条 %1: %2 の行数 %3 が負です").arg(e).arg(what()).arg(textLines));
                    return false;
                }
                if (qint64(p) + cell::FixedLines + textLines > end) {
                    problem(countAt, QStringLiteral("示名条 %1: %2 の行数 %3 が%4").arg(e).arg(what()).arg(textLines)
                                        .arg(end == m_lines.size() ? QStringLiteral("ファイルの終わりを越えています")
                                                                   : QStringLiteral("次の示名条に食い込んでいます")));
                    return false;
                }
                // A stored control character (a tab from another program) is
                // kept and drawn: worth a note, no fault of the register.
                for (int k = 0; m_notes && k < textLines; ++k) {
                    const int at = p + cell::FirstText + k;
                    if (printableAscii(at))
                        continue;
                    const QString bad = textrule::controlCharacter(m_lines.at(at));
                    if (!bad.isEmpty())
                        m_notes->append({at, QStringLiteral("示名条 %1: %2 の %3 行目の文字列に制御文字 (%4) があります"
                                                            "（そのまま残します。新しい入力には使えません）")
                                                 .arg(e).arg(what()).arg(k + 1).arg(textrule::codePoint(bad))});
                }
                p += cell::FixedLines + textLines;
            }
        }
        if (p < end) {
            problem(p, QStringLiteral("示名条 %1: 最後のキーの後に余分な行があります").arg(e));
        }
        return true;
    }

    const RegisterLines &m_lines;
    QList<RegisterProblem> *m_notes;
    QList<RegisterProblem> m_problems;
};

} // namespace

QList<RegisterProblem> checkRegister(const RegisterLines &lines, QList<RegisterProblem> *notes)
{
    return Checker(lines, notes).run();
}
