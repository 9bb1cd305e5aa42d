#include "register/linevalue.h"

#include "platform/characters.h"
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
    return characters::codePoint(QStringView(value).mid(c.index));
}

} // namespace linevalue
