#pragma once

#include <QByteArray>
#include <QStringList>

// quorvelin-tool run with `arguments` as a user gives them, in this process;
// what it printed. Anything but success stops the benchmark.
QByteArray runTool(const QStringList& arguments);
