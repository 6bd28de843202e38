// Draws the program's SVG picture as the PNG icons that menus and software
// centres look for beside the SVG, with the same renderer that draws it in
// the window.
//
// Usage: rendericon SVG DIR NAME SIZE...
// writes DIR/SIZExSIZE/apps/NAME.png for each SIZE.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 5) {
        std::fprintf(stderr, "usage: rendericon SVG DIR NAME SIZE...\n");
        return 2;
    }
    QSvgRenderer svg(arguments.at(1));
    if (!svg.isValid()) {
        std::fprintf(stderr, "rendericon: cannot read %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    for (const QString& text : arguments.mid(4)) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size <= 0) {
            std::fprintf(stderr, "rendericon: %s is not a size\n", qPrintable(text));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();

        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(arguments.at(2), QString::number(size));
        const QString file = QStringLiteral("%1/%2.png").arg(folder, arguments.at(3));
        if (!QDir().mkpath(folder) || !image.save(file)) {
            std::fprintf(stderr, "rendericon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
