#include "ui/pictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QString>

namespace ui {

namespace {

// Draws an SVG picture, faded when disabled: the style's own disabled look
// barely lightens a black cross, and a greyed button must read as greyed.
// Pixmaps are drawn when asked for, at the size asked, so a window costs no
// picture work before it shows.
class PictureEngine : public QIconEngine
{
public:
    explicit PictureEngine(const QString& path)
        : m_drawing(path)
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->save();
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.3);
        painter->drawPixmap(rect, m_drawing.pixmap(rect.size(), QIcon::Normal, state));
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        if (mode != QIcon::Disabled)
            return m_drawing.pixmap(size, QIcon::Normal, state);
        QPixmap faded(size);
        faded.fill(Qt::transparent);
        QPainter painter(&faded);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return faded;
    }

    QIconEngine* clone() const override { return new PictureEngine(*this); }

private:
    QIcon m_drawing;
};

QIcon picture(const char* name)
{
    return QIcon(new PictureEngine(QStringLiteral(":/ui/icons/%1.svg").arg(QLatin1String(name))));
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
