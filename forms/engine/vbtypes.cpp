#include "vbtypes.h"

#include "errors.h"

#include <cmath>
#include <limits>

namespace engine {

Long CLng(double value)
{
    // Rounded in one step under the default rounding mode (to nearest, ties to
    // even): no sum that could itself round first.
    const double nearest = std::nearbyint(value);
    if (!std::isfinite(nearest) || nearest < std::numeric_limits<Long>::min() || nearest > std::numeric_limits<Long>::max())
        raise(err::Overflow, QStringLiteral("Overflow"));
    return static_cast<Long>(nearest);
}

} // namespace engine
