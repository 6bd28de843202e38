#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <vector>

// The Windows program's table `book` converted as the README tells users to:
//
//   mdb-schema -T book old.mdb sqlite | sqlite3 quorvelin.mdb
//   mdb-export -I sqlite old.mdb book  | sqlite3 quorvelin.mdb
//
// with both texts made here as mdbtools prints them and run through the
// sqlite3 shell, so the tests meet the file users will have.
class JetExport
{
public:
    // The Jet types a number field may have had: Long Integer or Double.
    enum class Type { LongInteger, Double };

    JetExport(Type code, Type tel, Type parent);
    void add(const QVariant& code, const QString& name, const QVariant& tel, const QVariant& parent);

    QByteArray schema() const;  // as mdb-schema prints it
    QByteArray inserts() const; // as mdb-export prints it
    // Both through `sqlite3 path`; a failure ends the test run.
    void convertInto(const QString& path) const;

private:
    struct Row
    {
        QVariant code;
        QString name;
        QVariant tel;
        QVariant parent;
    };

    Type m_code, m_tel, m_parent;
    std::vector<Row> m_rows;
};
