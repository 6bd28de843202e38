#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// A plain connection of the engine, as a program written straight against it
// would hold one: what the floors are measured on. Closed when it goes.
class BareConnection
{
public:
    explicit BareConnection(const QString& path);
    ~BareConnection();
    BareConnection(const BareConnection&) = delete;
    BareConnection& operator=(const BareConnection&) = delete;

    QSqlDatabase db() const;
    void exec(const QString& sql);
    qint64 scalar(const QString& sql);
    // Forward only, prepared; the run stops on an error.
    QSqlQuery prepare(const QString& sql);
    // Prepared, bound in order and run.
    QSqlQuery query(const QString& sql, const QVariantList& values = {});

private:
    static inline int s_count = 0;
    QString m_name;
};
