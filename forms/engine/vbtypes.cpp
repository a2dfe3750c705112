#include "vbtypes.h"

#include "errors.h"

#include <cmath>
#include <limits>

namespace engine {

Long CLng(double value)
{
    if (!std::isfinite(value))
        raise(err::Overflow, QStringLiteral("Overflow"));
    double nearest = std::floor(value + 0.5);
    if (nearest - value == 0.5 && std::fmod(nearest, 2.0) != 0.0)
        nearest -= 1.0; // exactly half way: take the even neighbour
    if (nearest < std::numeric_limits<Long>::min() || nearest > std::numeric_limits<Long>::max())
        raise(err::Overflow, QStringLiteral("Overflow"));
    return static_cast<Long>(nearest);
}

} // namespace engine
