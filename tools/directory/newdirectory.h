#pragma once

#include <QString>

// A new directory file, empty or holding the sample tree: what "init" makes,
// and quorvelin-init, which is kept for the scripts that use it.
class NewDirectory
{
public:
    // Makes the file at `path`, and the folders on the way to it, and
    // returns the sentence that says what was made. An existing file is
    // never opened. Throws ToolError, leaving no file behind.
    static QString create(const QString& path, bool sample);
};
