#include "register/linevalue.h"

#include "register/registerdocument.h"

namespace linevalue {

Check check(const QString &value)
{
    Check c;
    if (RegisterDocument::markerNumber(value) != 0) {
        c.fault = Fault::Marker;
        return c;
    }
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t u = value.at(i).unicode();
        if (u == u'\r' || u == u'\n') {
            c.fault = Fault::LineBreak;
            c.index = i;
            return c;
        }
        if (u < 0x20 && c.fault == Fault::None) {
            c.fault = Fault::Control;
            c.index = i;
        }
    }
    return c;
}

QString codePointOf(const QString &value, const Check &c)
{
    if (c.index < 0 || c.index >= value.size())
        return QString();
    return QStringLiteral("U+%1").arg(value.at(c.index).unicode(), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace linevalue
