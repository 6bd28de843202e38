#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

#include <deque>

class InputText;

// RFC 4180 text split into records of fields, each with the line it starts
// on, read a line at a time. A record that breaks the quoting rules is still
// read to its end, with what is wrong in `problem`, so that the records after
// it are read as meant.
//
// The separator is the one the first record uses: a comma, or the semicolon
// of spreadsheets where the comma is the decimal mark, or a tab, whichever it
// holds most of (outside quotes); a comma when it holds none. Each line is
// UTF-8, or Windows-1252 where its bytes are not (guessedFrom()).
class CsvReader
{
public:
    struct Record
    {
        QStringList fields;
        int line = 0;
        QString problem; // empty for a well-formed record
    };

    explicit CsvReader(InputText& input);
    // The next record, skipping blank lines; false at the end of the text.
    // Throws FormatError when quotes carry a record over lines beyond the
    // input's cap.
    bool next(Record& record);
    // The first line read as Windows-1252; 0 while there is none.
    int guessedFrom() const { return m_guessedFrom; }

private:
    struct Line
    {
        QString text; // with its line end
        int number = 0;
    };
    bool read(Line& line);
    // The next line becomes the current one; false at the end of the input.
    bool advance();
    QChar firstSeparator();
    bool atLineEnd() const;
    void readRecord(Record& record);
    QString readField(Record& record);

    InputText& m_input;
    std::deque<Line> m_ahead; // read to find the separator, not yet parsed
    Line m_line;
    qsizetype m_pos = 0;
    qsizetype m_recordSize = 0; // of the lines the current record spans
    QChar m_separator;
    int m_guessedFrom = 0;
};
