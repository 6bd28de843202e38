#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// RFC 4180 text split into records of fields, each with the line it starts
// on. A record that breaks the quoting rules is still read to its end, with
// what is wrong in `problem`, so that the records after it are read as meant.
class CsvReader
{
public:
    struct Record
    {
        QStringList fields;
        int line = 0;
        QString problem; // empty for a well-formed record
    };

    CsvReader(const QString& text, QChar separator);
    // The next record, skipping blank lines; false at the end of the text.
    bool next(Record& record);

    // The separator the first line uses: a comma, or the semicolon of
    // spreadsheets where the comma is the decimal mark, or a tab, whichever
    // it holds most of (outside quotes); a comma when it holds none.
    static QChar separatorOf(const QString& text);

private:
    bool atLineEnd() const;
    void skipLineEnd();
    void readRecord(Record& record);
    QString readField(Record& record);

    const QString& m_text;
    const QChar m_separator;
    qsizetype m_pos = 0;
    int m_line = 1;
};
