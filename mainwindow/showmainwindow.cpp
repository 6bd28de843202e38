#include "mainwindow/showmainwindow.h"

#include "mainwindow/form1.h"
#include "store/storeerror.h"
#include "ui/messagebox.h"

#include <cstdio>

std::unique_ptr<Form1> showMainWindow()
{
    std::unique_ptr<Form1> form;
    try {
        form = std::make_unique<Form1>();
    } catch (const store::StoreError& error) {
        std::fprintf(stderr, "quorvelin: %s\n", qPrintable(error.message()));
        ui::MessageBox::show(nullptr, error.message(), QStringLiteral("Quorvelin"));
        return nullptr;
    }
    form->show();
    return form;
}
