#include "ui/pictures.h"

#include <QPainter>
#include <QPixmap>
#include <QString>

namespace ui {

namespace {

QIcon picture(const char* name)
{
    const QIcon drawing(QStringLiteral(":/ui/icons/%1.svg").arg(QLatin1String(name)));
    // The style's own disabled look barely lightens a black cross, and a
    // greyed button must read as greyed: each size is drawn once as it is
    // and once faded for the disabled state, up to triple scale for high-DPI
    // screens.
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        const QPixmap normal = drawing.pixmap(QSize(size, size));
        QPixmap faded(normal.size());
        faded.fill(Qt::transparent);
        QPainter painter(&faded);
        painter.setOpacity(0.3);
        painter.drawPixmap(0, 0, normal);
        painter.end();
        icon.addPixmap(normal, QIcon::Normal);
        icon.addPixmap(faded, QIcon::Disabled);
    }
    return icon;
}

} // namespace

QIcon Pictures::book()
{
    return picture("book");
}

QIcon Pictures::upFolder()
{
    return picture("upfolder");
}

QIcon Pictures::blankPage()
{
    return picture("blankpage");
}

QIcon Pictures::folder()
{
    return picture("folder");
}

QIcon Pictures::cross()
{
    return picture("cross");
}

QIcon Pictures::binoculars()
{
    return picture("binoculars");
}

QIcon Pictures::questionMark()
{
    return picture("questionmark");
}

} // namespace ui
