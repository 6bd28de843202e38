#include "tools/cli/printcommand.h"

#include "tools/carddav/directorystate.h"
#include "tools/directory/tree.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/numberreader.h"
#include "tools/formats/printable.h"
#include "tools/formats/toolerror.h"
#include "tools/print/phonelist.h"
#include "tools/print/printedpages.h"

#include "store/database.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QTimeZone>

namespace {

const QMarginsF Margins(15, 12, 15, 12); // millimetres

// The date on every page: today, or the one SOURCE_DATE_EPOCH names, so that
// a picture made for the documentation is the same each time it is made.
QString today()
{
    bool set = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&set);
    const QDate date = set ? QDateTime::fromSecsSinceEpoch(epoch, QTimeZone::utc()).date() : QDate::currentDate();
    return QLocale().toString(date, QLocale::LongFormat);
}

} // namespace

QString PrintCommand::help() const
{
    return QStringLiteral(R"help(Usage: quorvelin-tool [--file PATH] print [--folder PATH] [--output FILE.pdf]
                                [--printer [NAME]] [--paper a4|letter]
                                [--columns N] [--region CC]

Makes a phone list of the tree, or of one folder with everything beneath it,
to print and pin on the wall: a PDF, or pages sent to a printer.

Each folder that holds entries is a section, in the order of the tree,
headed by its whole path ("Work / Sales"); its entries are sorted by name as
the locale sorts names, each with a dotted leader to its number. A section
never starts at the foot of a column, and one that runs on into the next
column repeats its heading with "(continued)". Every page is headed by the
directory's name and the date and footed "page N of M"; when there is more
than one page, an index of the sections with their pages comes last. Long
names wrap inside their column; the fonts are embedded in the PDF, for any
script the names are written in.

  --folder PATH    only this folder (all folders of that path, when sibling
                   folders share a name) with everything beneath it.
  --output FILE    the PDF to write, "-" for standard output; by default
                   quorvelin.pdf beside the directory file. It is written
                   whole or not at all.
  --printer [NAME] send the pages to the printer NAME, or to the default
                   printer when no name is given, rather than writing a PDF.
  --paper a4|letter
                   the paper size; by default Letter where the locale
                   measures in inches (LC_MEASUREMENT), else A4.
  --columns N      1, 2 (the default) or 3 columns on each page.
  --region CC      show numbers of this country (two letters, such as DE) in
                   its national format, "030 1234567", and others in the
                   international one, "+44 20 7946 0000". By default the
                   region the last sync of this file was given, else the
                   locale's (LC_TELEPHONE); with none, numbers are shown as
                   they are stored.

Records that the top level cannot reach (see check), and those deeper than
256 folders, are left out, with a warning.
)help");
}

int PrintCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption output(QStringLiteral("output"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption printer(QStringLiteral("printer"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption paper(QStringLiteral("paper"), QString(), QStringLiteral("a4|letter"));
    const QCommandLineOption columns(QStringLiteral("columns"), QString(), QStringLiteral("N"));
    const QCommandLineOption regionOption(QStringLiteral("region"), QString(), QStringLiteral("CC"));
    parser.addOptions({folder, output, printer, paper, columns, regionOption});
    // --printer may stand alone, for the default printer: the parser knows
    // no option whose value may be left out, so a bare one is given an
    // empty value.
    QStringList given = arguments;
    for (qsizetype i = 0; i < given.size(); ++i) {
        if (given[i] == u"--printer" && (i + 1 == given.size() || given[i + 1].startsWith(u'-')))
            given[i] = QStringLiteral("--printer=");
    }
    int status = Ok;
    if (!parseOptions(given, parser, status))
        return status;
    if (parser.isSet(printer) && parser.isSet(output))
        return fail(QStringLiteral("--printer and --output both given: the pages go to one of them."));

    QPageSize::PageSizeId paperSize =
        QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4;
    if (parser.isSet(paper)) {
        const QString named = parser.value(paper).toLower();
        if (named != u"a4" && named != u"letter")
            return fail(QStringLiteral("unknown paper \"%1\": use a4 or letter.").arg(parser.value(paper)));
        paperSize = named == u"a4" ? QPageSize::A4 : QPageSize::Letter;
    }
    int columnCount = 2;
    if (parser.isSet(columns)) {
        bool number = false;
        columnCount = parser.value(columns).toInt(&number);
        if (!number || columnCount < 1 || columnCount > 3)
            return fail(QStringLiteral("--columns takes 1, 2 or 3, not \"%1\".").arg(parser.value(columns)));
    }

    const QString file = requireFile();
    const NumberReader numbers(numberRegion(parser, regionOption));
    store::Database database(file, store::Database::Access::ReadOnly);
    const Tree tree = Tree::load(database);
    const PhoneList list(tree, parser.value(folder), numbers);
    const QStringList path = FolderPath::parse(parser.value(folder));
    QString title = QFileInfo(file).completeBaseName();
    if (!path.isEmpty())
        title += QStringLiteral(": ") + path.join(QStringLiteral(" / "));
    const QPageSize pageSize(paperSize);
    const Job job{list, Printable::text(title), columnCount, pageSize,
                  path.isEmpty() ? QStringLiteral("This directory holds no entries.")
                                 : QStringLiteral("This folder holds no entries.")};

    if (parser.isSet(printer))
        status = toPrinter(parser.value(printer), job);
    else
        status = toFile(parser.isSet(output) ? parser.value(output)
                                             : QFileInfo(file).absolutePath() + QStringLiteral("/quorvelin.pdf"),
                        job);
    if (status != Ok)
        return status;
    if (list.tooDeep())
        warn(QStringLiteral("warning: %1 deeper than %2 folders left out.")
                 .arg(counted(list.tooDeep(), QStringLiteral("entry lies"), QStringLiteral("entries lie")),
                      QString::number(FolderPath::MaxDepth)));
    if (const size_t detached = tree.detachedCount())
        warn(QStringLiteral("warning: %1 left out; see quorvelin-tool check.")
                 .arg(counted(qsizetype(detached), QStringLiteral("damaged record was"),
                              QStringLiteral("damaged records were"))));
    return Ok;
}

QString PrintCommand::numberRegion(const QCommandLineParser& parser, const QCommandLineOption& option) const
{
    QString remembered;
    if (!parser.isSet(option)) {
        // What sync remembers is only a default here: a state folder that
        // cannot be read keeps nobody from printing.
        try {
            const DirectoryState state(m_context.file);
            if (const auto settings = state.lastSync())
                remembered = settings->region;
        } catch (const ToolError&) {
        }
    }
    return region(parser, option, remembered);
}

int PrintCommand::paint(const Job& job, QPagedPaintDevice& device)
{
    device.setPageLayout(QPageLayout(job.paper, QPageLayout::Portrait, Margins, QPageLayout::Millimeter));
    PrintedPages pages(job.list, {job.title, today(), job.columns, job.empty}, device);
    return pages.paint() ? pages.pageCount() : 0;
}

int PrintCommand::toFile(const QString& path, const Job& job)
{
    const QFileInfo target(path);
    const QFileInfo directory(m_context.file);
    if (path != u"-" && target.exists() && target.canonicalFilePath() == directory.canonicalFilePath())
        return fail(QStringLiteral("%1 is the directory file itself; name another --output.").arg(path));

    // Laid out and painted whole before anything is written where it goes:
    // a failure leaves no half of a PDF behind.
    QBuffer buffer;
    QSaveFile saved(path);
    QIODevice& into = path == u"-" ? static_cast<QIODevice&>(buffer) : saved;
    if (!into.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1: %2").arg(path, into.errorString()));
    int pages = 0;
    {
        QPdfWriter writer(&into);
        writer.setTitle(job.title);
        writer.setCreator(QStringLiteral("quorvelin-tool print"));
        pages = paint(job, writer);
    }
    if (!pages)
        return fail(QStringLiteral("cannot write %1: %2").arg(path, into.errorString()));
    if (&into == &buffer) {
        if (m_context.out.write(buffer.data()) != buffer.size())
            return fail(QStringLiteral("cannot write the output: %1").arg(m_context.out.errorString()));
        return Ok;
    }
    if (!saved.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(path, saved.errorString()));
    print(QStringLiteral("%1: %2\n").arg(path, counted(pages, QStringLiteral("page"), QStringLiteral("pages"))));
    return Ok;
}

int PrintCommand::toPrinter(const QString& name, const Job& job)
{
    const QPrinterInfo info = name.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(name);
    if (info.isNull()) {
        const QStringList known = QPrinterInfo::availablePrinterNames();
        const QString which = name.isEmpty() ? QStringLiteral("no default printer is set up")
                                             : QStringLiteral("no printer \"%1\"").arg(name);
        return fail(known.isEmpty()
                        ? QStringLiteral("%1, and no printer at all; write a PDF with --output.").arg(which)
                        : QStringLiteral("%1; the printers are: %2.").arg(which, known.join(QStringLiteral(", "))));
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(job.title);
    printer.setCreator(QStringLiteral("quorvelin-tool print"));
    const int pages = paint(job, printer);
    if (!pages || printer.printerState() == QPrinter::Error)
        return fail(QStringLiteral("the printer %1 did not take the pages.").arg(info.printerName()));
    print(QStringLiteral("%1: %2 sent\n").arg(info.printerName(), counted(pages, QStringLiteral("page"), QStringLiteral("pages"))));
    return Ok;
}
