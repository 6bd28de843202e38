#pragma once

#include "tools/cli/command.h"

// quorvelin-tool check: damage looked for, and repaired.
class CheckCommand : public Command
{
public:
    explicit CheckCommand(Context& context)
        : Command(context, QStringLiteral("check"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;
};
