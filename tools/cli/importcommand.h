#pragma once

#include "tools/cli/command.h"

// quorvelin-tool import: folders and entries read from CSV or vCard.
class ImportCommand : public Command
{
public:
    explicit ImportCommand(Context& context)
        : Command(context, QStringLiteral("import"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;
};
