#include "mainwindow/form1.h"
#include "store/storeerror.h"
#include "ui/messagebox.h"
#include "ui/pictures.h"

#include <QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvelin"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setWindowIcon(ui::Pictures::book());
    // Lets the desktop match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVELIN_APP_ID));

    std::unique_ptr<Form1> form;
    try {
        form = std::make_unique<Form1>();
    } catch (const store::StoreError& error) {
        // The directory could not be opened: say why, on the terminal too,
        // and never show an empty window in its place.
        std::fprintf(stderr, "quorvelin: %s\n", qPrintable(error.message()));
        ui::MessageBox::show(nullptr, error.message(), QStringLiteral("Quorvelin"));
        return EXIT_FAILURE;
    }
    form->show();
    return QApplication::exec();
}
