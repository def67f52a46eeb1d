// Small numeric helpers shared by the core.
#ifndef LATTICEDRIFT_VIEW_NUMERIC_H
#define LATTICEDRIFT_VIEW_NUMERIC_H

// lo if v < lo, hi if v > hi, else v.
inline float clamp(float v, float lo, float hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// value less the whole multiples of (hi - lo) that bring it into [0, hi - lo); only the length of the
// interval matters (the camera passes 0 and 360).
float wrap_into(float value, float lo, float hi);

#endif
