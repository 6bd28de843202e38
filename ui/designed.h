#pragma once

#include <QFont>

class QLabel;
class QString;
class QWidget;

namespace ui {

// Helpers for the window layouts, which are designed in twips and in a font
// that Linux desktops lack.

// The designed font at the given size, or the closest sans-serif face there is.
QFont designedFont(qreal pointSize, bool bold = false);

void placeTwips(QWidget* widget, int left, int top, int width, int height);

// A label as designed: top-left text that wraps within its box.
QLabel* designedLabel(QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                      int height);

} // namespace ui
