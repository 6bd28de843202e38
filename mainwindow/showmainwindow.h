#pragma once

#include <memory>

class Form1;

// The program's start: the main window on quorvelin.mdb in the working
// directory, shown. A directory that cannot be opened is reported on standard
// error and in a message box, and then there is no window at all, never an
// empty one in its place.
std::unique_ptr<Form1> showMainWindow();
