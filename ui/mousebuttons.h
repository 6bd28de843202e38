#pragma once

#include <Qt>

namespace ui {

// Mouse buttons and shift state as MouseDown events report them.
enum MouseButtonCode { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
enum ShiftCode { ShiftMask = 1, CtrlMask = 2, AltMask = 4 };

int buttonCode(Qt::MouseButtons buttons);
int shiftCode(Qt::KeyboardModifiers modifiers);

} // namespace ui
