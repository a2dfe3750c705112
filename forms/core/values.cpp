#include "values.h"

#include "errors.h"

#include <cfenv>
#include <cmath>

namespace engine {

Long CLng(double value)
{
    if (!std::isfinite(value))
        raise(err::Overflow, "Overflow");
    // nearbyint rounds in the current mode, which is to nearest, ties to even;
    // adding a half first would round 0.49999999999999994 up.
    const double nearest = std::nearbyint(value);
    if (nearest < -2147483648.0 || nearest > 2147483647.0)
        raise(err::Overflow, "Overflow");
    return static_cast<Long>(nearest);
}

} // namespace engine
