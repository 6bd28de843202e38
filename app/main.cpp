#include "mainwindow/form1.h"
#include "mainwindow/showmainwindow.h"
#include "ui/pictures.h"

#include <QApplication>

#include <cstdlib>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvelin"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setWindowIcon(ui::Pictures::book());
    // Lets the desktop match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVELIN_APP_ID));

    const std::unique_ptr<Form1> form = showMainWindow();
    if (!form)
        return EXIT_FAILURE;
    return QApplication::exec();
}
