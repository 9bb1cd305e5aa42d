#include "strip/cellrecord.h"

#include "platform/conversion.h"

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

} // namespace strip
