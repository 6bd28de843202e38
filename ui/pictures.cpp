#include "ui/pictures.h"

#include <QString>

namespace ui {

namespace {

QIcon picture(const char* name)
{
    return QIcon(QStringLiteral(":/ui/icons/%1.svg").arg(QLatin1String(name)));
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
