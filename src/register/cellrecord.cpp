#include "register/cellrecord.h"

#include "platform/conversion.h"
#include "register/stripwalk.h"

#include <cstdlib>

namespace strip {

int keyNumberOf(const QString &keyCode)
{
    const int v = parseIntOr(keyCode.left(3), 0);
    return std::abs(v); // three characters cannot hold INT_MIN
}

bool isAssignableKey(const QString &keyCode)
{
    return parseIntOr(keyCode, 0) >= 1;
}

bool isBlankKeyCode(const QString &keyCode)
{
    return trimControls(keyCode).isEmpty();
}

bool cellHasPicture(const RegisterLines &lines, int b)
{
    return !trimControls(lineAt(lines, b + regfmt::cell::PictureType)).isEmpty();
}

} // namespace strip
