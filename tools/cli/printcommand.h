#pragma once

#include "tools/cli/command.h"

class PhoneList;
class QCommandLineOption;
class QCommandLineParser;
class QPageSize;
class QPagedPaintDevice;

// quorvelin-tool print: the tree, or one folder, as a phone list in a PDF
// or on a printer.
class PrintCommand : public Command
{
public:
    explicit PrintCommand(Context& context)
        : Command(context, QStringLiteral("print"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;

private:
    struct Job
    {
        const PhoneList& list;
        QString title;
        int columns;
        const QPageSize& paper;
        QString empty; // what the one page says when nothing is listed
    };

    // --region's, else the one sync was last given for this file, else the
    // locale's.
    QString numberRegion(const QCommandLineParser& parser, const QCommandLineOption& option) const;
    // The number of pages painted, or 0 when the device took no painting.
    static int paint(const Job& job, QPagedPaintDevice& device);
    int toPrinter(const QString& name, const Job& job);
    int toFile(const QString& path, const Job& job);
};
