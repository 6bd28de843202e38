#include "ui/pictures.h"

#include <QImage>
#include <QtTest>

using Picture = QIcon (*)();
Q_DECLARE_METATYPE(Picture)

namespace {

QImage render(Picture picture, int size)
{
    return picture().pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

bool isYellow(QColor colour)
{
    return colour.alpha() == 255 && colour.red() > 200 && colour.green() > 160 && colour.blue() < 120;
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void everyPictureDrawsAtToolbarSize_data();
    void everyPictureDrawsAtToolbarSize();
    void picturesShowWhatTheirNamesSay();
    void disabledPicturesAreFaded_data() { everyPictureDrawsAtToolbarSize_data(); }
    void disabledPicturesAreFaded();
};

void TestPictures::everyPictureDrawsAtToolbarSize_data()
{
    QTest::addColumn<Picture>("picture");
    QTest::addColumn<int>("size");

    QTest::newRow("book") << Picture(&ui::Pictures::book) << 32;
    QTest::newRow("up folder") << Picture(&ui::Pictures::upFolder) << 16;
    QTest::newRow("blank page") << Picture(&ui::Pictures::blankPage) << 16;
    QTest::newRow("folder") << Picture(&ui::Pictures::folder) << 16;
    QTest::newRow("cross") << Picture(&ui::Pictures::cross) << 16;
    QTest::newRow("binoculars") << Picture(&ui::Pictures::binoculars) << 16;
    QTest::newRow("question mark") << Picture(&ui::Pictures::questionMark) << 16;
}

void TestPictures::everyPictureDrawsAtToolbarSize()
{
    QFETCH(Picture, picture);
    QFETCH(int, size);

    QVERIFY(!picture().isNull());
    const QImage image = render(picture, size);
    QCOMPARE(image.size(), QSize(size, size));
    int opaque = 0; // pixels at least half covered
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            opaque += qAlpha(image.pixel(x, y)) >= 128;
    }
    // Each picture covers a good part of its square, and none fills it all.
    QVERIFY2(opaque > size * size / 8, qPrintable(QString::number(opaque)));
    QVERIFY2(opaque < size * size, qPrintable(QString::number(opaque)));
}

void TestPictures::disabledPicturesAreFaded()
{
    QFETCH(Picture, picture);
    QFETCH(int, size);

    const QImage normal = render(picture, size);
    const QImage disabled = picture().pixmap(size, size, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(disabled.size(), normal.size());
    qint64 normalCover = 0;
    qint64 disabledCover = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            normalCover += qAlpha(normal.pixel(x, y));
            disabledCover += qAlpha(disabled.pixel(x, y));
        }
    }
    // A greyed button must read as greyed: well under half the ink.
    QVERIFY2(disabledCover * 2 < normalCover, qPrintable(QStringLiteral("%1 of %2").arg(disabledCover).arg(normalCover)));
}

void TestPictures::picturesShowWhatTheirNamesSay()
{
    QVERIFY(isYellow(render(&ui::Pictures::folder, 16).pixelColor(4, 10)));
    QVERIFY(isYellow(render(&ui::Pictures::questionMark, 16).pixelColor(8, 14)));
    QCOMPARE(render(&ui::Pictures::cross, 16).pixelColor(8, 8), QColor(Qt::black));
    QCOMPARE(render(&ui::Pictures::cross, 16).pixelColor(8, 2).alpha(), 0);
    QCOMPARE(render(&ui::Pictures::blankPage, 16).pixelColor(7, 9), QColor(Qt::white));
    QCOMPARE(render(&ui::Pictures::book, 32).pixelColor(8, 14), QColor(Qt::white));
    // The up folder is a folder with an arrow above its right-hand corner.
    QVERIFY(isYellow(render(&ui::Pictures::upFolder, 16).pixelColor(3, 11)));
    QVERIFY(!isYellow(render(&ui::Pictures::upFolder, 16).pixelColor(12, 3)));
    QCOMPARE(render(&ui::Pictures::upFolder, 16).pixelColor(12, 3).alpha(), 255);
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
