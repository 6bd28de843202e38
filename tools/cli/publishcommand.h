#pragma once

#include "tools/cli/command.h"

class QUrl;

// quorvelin-tool publish: the directory, or one folder, mirrored into a
// CardDAV address book.
class PublishCommand : public Command
{
public:
    explicit PublishCommand(Context& context)
        : Command(context, QStringLiteral("publish"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;

private:
    // From the environment, or typed on the terminal; never from the
    // command line, where others could read it.
    static QString password(const QString& user, const QUrl& addressBook);
};
