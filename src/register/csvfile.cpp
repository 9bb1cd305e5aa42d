#include "register/csvfile.h"

#include "platform/conversion.h"

#include <QStringDecoder>

namespace csv {

const QString NotTextMessage =
    QStringLiteral("CSV ファイルとして読み込めません（UTF-8 でもシフトJIS でもない内容です）。");

QList<Record> parseText(const QString &text)
{
    QList<Record> out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    while (i < n) {
        Record r;
        r.line = line;
        QString field;
        bool quotedField = false;
        bool recordEnded = false;
        while (i < n && !recordEnded) {
            const QChar c = text.at(i);
            if (c == u'"' && field.isEmpty() && !quotedField) {
                // A quoted field: up to the closing quote; "" is one quote.
                quotedField = true;
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar q = text.at(i);
                    if (q == u'"') {
                        if (i + 1 < n && text.at(i + 1) == u'"') {
                            field += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (q == u'\r' || q == u'\n') {
                        // A line break inside the field: kept as LF, counted as a line.
                        ++line;
                        if (q == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                            ++i;
                        field += u'\n';
                        ++i;
                        continue;
                    }
                    field += q;
                    ++i;
                }
                if (!closed)
                    r.fault = QStringLiteral("引用符（\"）が閉じられていません");
                continue;
            }
            if (c == u',') {
                r.fields.append(field);
                field.clear();
                quotedField = false;
                ++i;
                continue;
            }
            if (c == u'\r' || c == u'\n') {
                ++line;
                if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                    ++i;
                ++i;
                recordEnded = true;
                continue;
            }
            // Text after a closing quote, or a quote inside an unquoted
            // field, is taken as it stands.
            field += c;
            ++i;
        }
        r.fields.append(field);
        // An empty line is no record.
        if (r.fields.size() == 1 && r.fields.at(0).isEmpty() && !quotedField && r.fault.isEmpty())
            continue;
        out.append(r);
    }
    return out;
}

namespace {

bool validUtf8(const QByteArray &bytes, qsizetype from, QString &text)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = dec.decode(QByteArrayView(bytes.constData() + from, bytes.size() - from));
    return !dec.hasError();
}

} // namespace

Table parse(const QByteArray &bytes)
{
    Table t;
    int mark = 0;
    const TextEncoding bom = textfile::detectEncoding(bytes, &mark);
    QString text;
    if (bom == TextEncoding::Utf16LE || bom == TextEncoding::Utf16BE) {
        bool valid = true;
        text = textfile::decodeLine(bom, bytes.constData() + mark, bytes.size() - mark, &valid);
        if (!valid || text.contains(QChar(0)))
            throw TavrelError(NotTextMessage);
        t.encoding = Encoding::Utf16;
    } else {
        if (bytes.contains('\0'))
            throw TavrelError(NotTextMessage);
        if (bom == TextEncoding::Utf8Bom) {
            if (!validUtf8(bytes, mark, text))
                throw TavrelError(NotTextMessage);
            t.encoding = Encoding::Utf8Bom;
        } else if (validUtf8(bytes, 0, text)) {
            // Plain ASCII reads the same either way.
            t.encoding = Encoding::Utf8;
        } else {
            bool valid = true;
            text = textfile::decodeLine(TextEncoding::Cp932, bytes.constData(), bytes.size(), &valid);
            if (!valid)
                throw TavrelError(NotTextMessage);
            t.encoding = Encoding::Cp932;
        }
    }
    t.records = parseText(text);
    return t;
}

QString quoteField(const QString &field)
{
    bool quote = field.contains(u',') || field.contains(u'"') || field.contains(u'\r') || field.contains(u'\n');
    if (!field.isEmpty() && (field.front().isSpace() || field.back().isSpace()))
        quote = true;
    if (!quote)
        return field;
    QString out = field;
    out.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

QByteArray write(const QList<QStringList> &records, Encoding encoding)
{
    const TextEncoding enc = encoding == Encoding::Cp932 ? TextEncoding::Cp932 : TextEncoding::Utf8Bom;
    QByteArray out = encoding == Encoding::Utf8 ? QByteArray() : textfile::byteOrderMark(enc);
    for (qsizetype r = 0; r < records.size(); ++r) {
        QString line;
        const QStringList &fields = records.at(r);
        for (qsizetype f = 0; f < fields.size(); ++f) {
            if (f > 0)
                line += u',';
            line += quoteField(fields.at(f));
        }
        qsizetype bad = 0;
        if (!textfile::encodeLine(enc, line, out, &bad))
            throw textfile::unencodable(line, bad, int(r), enc);
        out.append("\r\n", 2);
    }
    return out;
}

} // namespace csv
