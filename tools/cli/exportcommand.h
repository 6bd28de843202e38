#pragma once

#include "tools/cli/command.h"

// quorvelin-tool export: the tree, or one folder, as CSV or vCard.
class ExportCommand : public Command
{
public:
    explicit ExportCommand(Context& context)
        : Command(context, QStringLiteral("export"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;
};
