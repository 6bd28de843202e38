#pragma once

#include <QString>

#include <optional>

// The names of the cards a directory file makes in an address book, as UID
// and file name: "quorvelin-ID-CODE", ID standing for the file's path, so
// that two directories never take each other's cards for their own, CODE
// for the entry's; a card made for a code whose first card is another's
// still (a removed entry's code, given again) is "quorvelin-ID-CODE-2".
class CardNames
{
public:
    explicit CardNames(const QString& directoryFile);

    const QString& prefix() const { return m_prefix; }
    QString uid(qint64 code, int nth = 1) const;
    static QString fileName(const QString& uid) { return uid + QStringLiteral(".vcf"); }
    // Made for some entry of this directory.
    bool isMade(QStringView fileName) const { return fileName.startsWith(m_prefix); }
    // The entry whose first card this is.
    std::optional<qint64> code(QStringView fileName) const;

private:
    QString m_prefix;
};
