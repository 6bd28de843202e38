#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A program run to its end as CI runs it, with no terminal and no standard
// input: nothing may wait for a user.
struct ToolRun
{
    int status = -1; // -1 when it crashed or was still running after two minutes
    QString out;
    QString err;

    // `password`: the address book's, in QUORVELIN_CARDDAV_PASSWORD; none
    // leaves that unset, whatever the test's own environment holds.
    static ToolRun of(const QString& program, const QStringList& arguments,
                      const std::optional<QString>& password = std::nullopt);
};
