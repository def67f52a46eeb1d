// Numeric helpers of the core: wrapping a value into one period.
#include "view/numeric.h"

#include <cmath>

float wrap_into(float value, float lo, float hi)
{
    const float range = hi - lo;
    // The whole multiples stay a double rather than an int, so a far-out value cannot overflow.
    const double n = std::floor(static_cast<double>(value) / static_cast<double>(range));
    const float result = static_cast<float>(static_cast<double>(value) - n * static_cast<double>(range));
    // A value just below a multiple can round up to the full range; that is the same angle as 0.
    return range > 0.0f && result >= range ? 0.0f : result;
}
