#include "jetexport.h"

#include <QProcess>
#include <QtTest>

#include <cstdio>

namespace {

const char* sqliteType(JetExport::Type type)
{
    return type == JetExport::Type::LongInteger ? "INTEGER" : "REAL";
}

// mdb-export prints a Long Integer as %ld and a Double as %.16lg (5550000000,
// 120, 12.5), strings between double quotes with inner ones doubled.
QByteArray number(JetExport::Type type, const QVariant& value)
{
    char text[64];
    if (type == JetExport::Type::LongInteger)
        std::snprintf(text, sizeof text, "%lld", value.toLongLong());
    else
        std::snprintf(text, sizeof text, "%.16g", value.toDouble());
    return text;
}

QByteArray quoted(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

void runShell(const QString& path, const QByteArray& script)
{
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {path});
    if (!shell.waitForStarted(30000))
        qFatal("sqlite3 does not start: %s", qPrintable(shell.errorString()));
    shell.write(script);
    shell.closeWriteChannel();
    if (!shell.waitForFinished(30000) || shell.exitCode() != 0)
        qFatal("sqlite3 %s: %s", qPrintable(path), shell.readAllStandardError().constData());
}

} // namespace

JetExport::JetExport(Type code, Type tel, Type parent)
    : m_code(code)
    , m_tel(tel)
    , m_parent(parent)
{
}

void JetExport::add(const QVariant& code, const QString& name, const QVariant& tel, const QVariant& parent)
{
    m_rows.push_back({code, name, tel, parent});
}

QByteArray JetExport::schema() const
{
    return QByteArray("-- ----------------------------------------------------------\n"
                      "-- MDB Tools - A library for reading MS Access database files\n"
                      "-- Copyright (C) 2000-2011 Brian Bruns and others.\n"
                      "-- Files in libmdb are licensed under LGPL and the utilities under\n"
                      "-- the GPL, see COPYING.LIB and COPYING files respectively.\n"
                      "-- Check out http://mdbtools.sourceforge.net\n"
                      "-- ----------------------------------------------------------\n"
                      "\n"
                      "-- That file uses encoding UTF-8\n"
                      "\n"
                      "CREATE TABLE `book`\n"
                      " (\n")
           + "\t`code`\t\t\t" + sqliteType(m_code) + ", \n"
           + "\t`name`\t\t\tvarchar, \n"
           + "\t`tel`\t\t\t" + sqliteType(m_tel) + ", \n"
           + "\t`parent`\t\t\t" + sqliteType(m_parent) + "\n"
           + ");\n\n\n";
}

QByteArray JetExport::inserts() const
{
    QByteArray text;
    for (const Row& row : m_rows)
        text += "INSERT INTO `book` (`code`, `name`, `tel`, `parent`) VALUES (" + number(m_code, row.code) + ','
                + quoted(row.name) + ',' + number(m_tel, row.tel) + ',' + number(m_parent, row.parent) + ");\n";
    return text;
}

void JetExport::convertInto(const QString& path) const
{
    runShell(path, schema());
    runShell(path, inserts());
}
