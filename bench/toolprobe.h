#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// quorvelin-tool run once in a fresh process of the bench's own, as a user
// gives the command: how long it took and how far it raised the peak of
// resident memory, neither disturbed by what the bench did before.
//
// The peak is the growth of VmHWM over the resident size just before the
// command, so what the process holds already (Qt, the bench) is left out and
// what the command holds is counted whole. Before that the child imports a
// one-row file once, so that what a process loads once for good (the SQL
// driver, the numbering plan's tables) is resident already and a figure
// holds what the command itself takes.
class ToolProbe
{
public:
    struct Run
    {
        int status = 0;     // the tool's exit status
        double ms = 0;      // wall time of the command alone
        double peakMB = 0;  // growth of the peak resident size, 10^6 bytes
        QByteArray printed; // its standard output
        QString said;       // its standard error

        // "ended STATUS, printing "..." and saying "..."", each cut short,
        // for the message of a run that did not do what a figure needs.
        QString outcome() const;
    };

    // `arguments` as after "quorvelin-tool"; `environment` is the child's
    // (the password, where sync keeps its state). Throws std::runtime_error
    // when the child fails, whatever the tool's status.
    static Run run(const QStringList& arguments,
                   const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    // The child's side, given what follows ChildOption: runs the command and
    // prints the figures, then what the tool printed and said, for run().
    static int child(const QStringList& arguments);
    static inline const QString ChildOption = QStringLiteral("--probe-tool");
};
