#pragma once

#include <QIcon>

namespace ui {

// The program's pictures, drawn as SVG so they stay crisp at any scale.
class Pictures
{
public:
    static QIcon book(); // the window icon: an open book
    static QIcon upFolder();
    static QIcon blankPage();
    static QIcon folder();
    static QIcon cross();
    static QIcon binoculars();
    static QIcon questionMark();
};

} // namespace ui
