#include "register/templatecheck.h"

#include "platform/conversion.h"
#include "platform/fixed4.h"
#include "register/geometry.h"
#include "register/registerformat.h"
#include "register/series.h"
#include "register/textrule.h"

#include <algorithm>

namespace templates {

QString Problem::text() const
{
    QString out;
    if (line >= 0)
        out += QStringLiteral("%1 行目: ").arg(line + 1);
    if (section >= 0 && cell >= 0)
        out += QStringLiteral("区画 %1 のセル %2: ").arg(section + 1).arg(cell + 1);
    else if (section >= 0)
        out += QStringLiteral("区画 %1: ").arg(section + 1);
    return out + message;
}

bool hasErrors(const QList<Problem> &problems)
{
    return std::any_of(problems.begin(), problems.end(), [](const Problem &p) { return p.isError(); });
}

namespace {

using strip::MmRect;

bool inside(const MmRect &inner, const MmRect &outer)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width
           && inner.y + inner.height <= outer.y + outer.height;
}

bool overlap(const MmRect &a, const MmRect &b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

MmRect moved(const MmRect &r, const MmRect &origin)
{
    return {r.x + origin.x, r.y + origin.y, r.width, r.height};
}

struct KeyPlace
{
    int section, cell;
    MmRect box; // on the sheet
    int number; // assignable key number, 0 for a preset key
};

class Checker
{
public:
    explicit Checker(const QStringList &lines) : m_lines(lines) {}

    QList<Problem> run()
    {
        walk();
        std::stable_sort(m_problems.begin(), m_problems.end(),
                         [](const Problem &a, const Problem &b) { return a.line < b.line; });
        return m_problems;
    }

private:
    void add(Problem::Severity severity, int line, const QString &message)
    {
        m_problems.append({severity, line, m_section, m_cell, message});
    }
    void error(int line, const QString &message) { add(Problem::Severity::Error, line, message); }
    void warning(int line, const QString &message) { add(Problem::Severity::Warning, line, message); }

    // False (with the error) when the file ends before `count` more lines from `at`.
    bool present(int at, int count, const QString &what)
    {
        if (at + count <= m_lines.size())
            return true;
        error(int(m_lines.size()) - 1, QStringLiteral("ファイルが終わっています（%1 にはあと %2 行が必要です）。")
                                           .arg(what)
                                           .arg(at + count - int(m_lines.size())));
        return false;
    }

    bool integer(int line, const QString &what, int &value)
    {
        if (tryParseInt(m_lines.at(line), value))
            return true;
        error(line, QStringLiteral("%1「%2」が整数ではありません。").arg(what, m_lines.at(line)));
        return false;
    }

    bool decimal(int line, const QString &what, Fixed4 &value)
    {
        if (Fixed4::tryParse(m_lines.at(line), value))
            return true;
        error(line, QStringLiteral("%1「%2」が数値ではありません。").arg(what, m_lines.at(line)));
        return false;
    }

    // A box of four decimal lines from `at`; false when one is unreadable or
    // its size is not positive (sized true).
    bool box(int at, const QString &what, MmRect &r, bool sized)
    {
        const bool ok = decimal(at, what + QStringLiteral("の X"), r.x) & decimal(at + 1, what + QStringLiteral("の Y"), r.y)
                        & decimal(at + 2, what + QStringLiteral("の幅"), r.width)
                        & decimal(at + 3, what + QStringLiteral("の高さ"), r.height);
        if (!ok)
            return false;
        bool positive = true;
        if (sized && r.width <= Fixed4()) {
            error(at + 2, QStringLiteral("%1の幅が 0 以下です。").arg(what));
            positive = false;
        }
        if (sized && r.height <= Fixed4()) {
            error(at + 3, QStringLiteral("%1の高さが 0 以下です。").arg(what));
            positive = false;
        }
        return positive;
    }

    void walk()
    {
        if (m_lines.isEmpty()) {
            error(-1, QStringLiteral("ファイルが空です。"));
            return;
        }
        // Bytes that are no character of the code page read as U+FFFD; such
        // a line can be neither written back nor stored in a register.
        for (int i = 0; i < m_lines.size(); ++i)
            if (m_lines.at(i).contains(QChar::ReplacementCharacter))
                error(i, QStringLiteral("読み込めないバイト列があります。"));
        bool named = false;
        for (int s = 0; s < series::Count && !named; ++s)
            named = m_lines.at(0).contains(series::caption(s));
        if (!named)
            error(0, QStringLiteral("シリーズの行に主装置のシリーズ名がありません。"));
        if (!present(1, 1, QStringLiteral("区画の数")))
            return;
        int sections = 0;
        if (!integer(1, QStringLiteral("区画の数"), sections))
            return;
        if (sections < 0) {
            error(1, QStringLiteral("区画の数が負です。"));
            return;
        }
        if (sections > regfmt::MaxSections)
            error(1, QStringLiteral("区画が %1 個あります（%2 個まで）。").arg(sections).arg(regfmt::MaxSections));
        int p = 2;
        int cellsTotal = 0;
        bool tooMany = false;
        for (int s = 0; s < sections; ++s) {
            m_section = s;
            m_cell = -1;
            if (!present(p, 6, QStringLiteral("区画 %1 の見出し").arg(s + 1)))
                return;
            int flag = 0;
            integer(p, QStringLiteral("キー番号の表示"), flag);
            MmRect sectionRect;
            const bool sectionOk = box(p + 1, QStringLiteral("区画"), sectionRect, true);
            int cells = 0;
            if (!integer(p + 5, QStringLiteral("セルの数"), cells))
                return;
            if (cells < 0) {
                error(p + 5, QStringLiteral("セルの数が負です。"));
                return;
            }
            cellsTotal += cells;
            if (cellsTotal > regfmt::MaxCells && !tooMany) {
                error(p + 5, QStringLiteral("セルが %1 個を超えます。").arg(regfmt::MaxCells));
                tooMany = true;
            }
            p += 6;
            for (int c = 0; c < cells; ++c) {
                m_cell = c;
                if (!present(p, regfmt::cell::TextArea + 4, QStringLiteral("区画 %1 のセル %2").arg(s + 1).arg(c + 1)))
                    return;
                cell(p, sectionOk ? &sectionRect : nullptr);
                p += regfmt::cell::TextArea + 4;
            }
        }
    }

    void cell(int p, const MmRect *section)
    {
        using namespace regfmt::cell;
        MmRect key, number, text;
        const bool keyOk = box(p + KeyBox, QStringLiteral("キーの枠"), key, true);
        const bool numberOk = box(p + KeyNumberBox, QStringLiteral("キー番号の枠"), number, false);
        int v = 0;
        const QStringList names{QStringLiteral("キー番号の文字サイズ"), QStringLiteral("キー番号の色"),
                                QStringLiteral("キー番号の太字"), QStringLiteral("キー番号の斜体"),
                                QStringLiteral("キー番号の配置")};
        for (int k = KeyNumberSize; k <= KeyNumberAlignment; ++k)
            integer(p + k, names.at(k - KeyNumberSize), v);
        const bool textOk = box(p + TextArea, QStringLiteral("文字の枠"), text, true);

        const QString code = m_lines.at(p + KeyCode);
        const int keyNumber = parseIntOr(code.left(3), 0);
        if (keyNumber < 1) {
            // The preset text becomes a text line of the entry: a control
            // character there is refused by the register check, so the
            // template makes no entry; a character the code page cannot
            // hold can only come from an edit and stops the saving.
            const QString preset = code.mid(6);
            if (const QString bad = textrule::controlCharacter(preset); !bad.isEmpty())
                error(p + KeyCode, QStringLiteral("固定の文字列に制御文字 (%1) があります。").arg(textrule::codePoint(bad)));
            else if (const textrule::Refusal r = textrule::check(preset, textrule::Field::CellLine, TextEncoding::Cp932);
                     r.kind == textrule::Refusal::Kind::Unencodable)
                warning(p + KeyCode, QStringLiteral("固定の文字列に登録できない文字があります（%1）。").arg(r.message()));
        }
        if (section) {
            const MmRect own{Fixed4(), Fixed4(), section->width, section->height};
            if (keyOk && !inside(key, own))
                warning(p + KeyBox, QStringLiteral("キーの枠が区画の外にあります。"));
            if (textOk && !inside(text, own))
                warning(p + TextArea, QStringLiteral("文字の枠が区画の外にあります。"));
            if (numberOk && number.width > Fixed4() && number.height > Fixed4() && !inside(number, own))
                warning(p + KeyNumberBox, QStringLiteral("キー番号の枠が区画の外にあります。"));
        }
        if (keyOk && textOk && !inside(text, key))
            warning(p + TextArea, QStringLiteral("文字の枠がキーの枠の外にあります。"));
        if (keyOk && numberOk && number.width > Fixed4() && number.height > Fixed4() && !inside(number, key))
            warning(p + KeyNumberBox, QStringLiteral("キー番号の枠がキーの枠の外にあります。"));
        if (!keyOk || !section)
            return;
        const KeyPlace place{m_section, m_cell, moved(key, *section), keyNumber >= 1 ? keyNumber : 0};
        for (const KeyPlace &other : m_keys) {
            if (overlap(place.box, other.box)) {
                warning(p + KeyBox, QStringLiteral("キーの枠が区画 %1 のセル %2 のキーと重なっています。")
                                        .arg(other.section + 1)
                                        .arg(other.cell + 1));
                break;
            }
        }
        if (place.number > 0) {
            for (const KeyPlace &other : m_keys) {
                if (other.number == place.number) {
                    warning(p + KeyCode, QStringLiteral("キー番号 %1 は区画 %2 のセル %3 と同じです。")
                                             .arg(place.number)
                                             .arg(other.section + 1)
                                             .arg(other.cell + 1));
                    break;
                }
            }
        }
        m_keys.append(place);
    }

    const QStringList &m_lines;
    QList<Problem> m_problems;
    QList<KeyPlace> m_keys;
    int m_section = -1;
    int m_cell = -1;
};

} // namespace

QList<Problem> checkTemplate(const QStringList &lines)
{
    return Checker(lines).run();
}

} // namespace templates
