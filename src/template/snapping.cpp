#include "template/snapping.h"

#include <optional>

namespace tpl {

namespace {

Fixed4 magnitude(Fixed4 v)
{
    return v < Fixed4() ? -v : v;
}

// The adjustment that brings `value` onto the nearest target, if any is
// within the tolerance.
std::optional<Fixed4> adjustment(Fixed4 value, const QList<Fixed4> &targets, const SnapOptions &o)
{
    std::optional<Fixed4> best;
    auto consider = [&](Fixed4 target) {
        const Fixed4 d = target - value;
        if (magnitude(d) <= o.tolerance && (!best || magnitude(d) < magnitude(*best)))
            best = d;
    };
    if (o.edges)
        for (Fixed4 t : targets)
            consider(t);
    if (o.grid && o.gridStep > Fixed4()) {
        // The grid line below (toward minus infinity) and the one above.
        const qint64 step = o.gridStep.raw();
        qint64 below = value.raw() / step * step;
        if (below > value.raw())
            below -= step;
        consider(Fixed4::fromRaw(below));
        consider(Fixed4::fromRaw(below + step));
    }
    return best;
}

Fixed4 snapAxis(Fixed4 low, Fixed4 size, Fixed4 delta, const QList<Fixed4> &targets, const SnapOptions &o)
{
    const std::optional<Fixed4> a = adjustment(low + delta, targets, o);
    const std::optional<Fixed4> b = adjustment(low + size + delta, targets, o);
    if (a && (!b || magnitude(*a) <= magnitude(*b)))
        return delta + *a;
    if (b)
        return delta + *b;
    return delta;
}

} // namespace

Fixed4 snapValue(Fixed4 value, const QList<Fixed4> &targets, const SnapOptions &options)
{
    const std::optional<Fixed4> a = adjustment(value, targets, options);
    return a ? value + *a : value;
}

std::pair<Fixed4, Fixed4> snapMove(const strip::MmRect &moving, Fixed4 dx, Fixed4 dy,
                                   const QList<strip::MmRect> &others, const SnapOptions &options)
{
    QList<Fixed4> xs, ys;
    for (const strip::MmRect &r : others) {
        xs << r.x << r.x + r.width;
        ys << r.y << r.y + r.height;
    }
    return {snapAxis(moving.x, moving.width, dx, xs, options), snapAxis(moving.y, moving.height, dy, ys, options)};
}

} // namespace tpl
