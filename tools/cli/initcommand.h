#pragma once

#include "tools/cli/command.h"

// quorvelin-tool init: a new directory file.
class InitCommand : public Command
{
public:
    explicit InitCommand(Context& context)
        : Command(context, QStringLiteral("init"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;
};
