#pragma once

#include <cmath>

namespace ui {

// Layouts are designed in twips; 15 make one device-independent pixel, which
// Qt scales to the screen.
constexpr int twips(double value)
{
    return static_cast<int>(value / 15.0 + (value >= 0 ? 0.5 : -0.5));
}

} // namespace ui
