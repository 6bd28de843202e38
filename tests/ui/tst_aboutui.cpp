#include "ui/aboutui.h"

#include "ui/dialog.h"

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestAboutUi : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowAsDesigned();
    void labelsAsDesigned_data();
    void labelsAsDesigned();
    void etchedRule();
    void pictureIsTheBook();
    void okTakesTheFocusAndAnswersEnterAndEsc();

private:
    std::unique_ptr<QWidget> m_owner;
    QPointer<ui::Dialog> m_dialog;
    ui::AboutUi m_ui;
};

void TestAboutUi::init()
{
    m_owner = std::make_unique<QWidget>();
    m_dialog = new ui::Dialog(m_owner.get());
    m_ui = ui::AboutUi();
    m_ui.setupUi(m_dialog);
}

void TestAboutUi::cleanup()
{
    m_owner.reset();
}

void TestAboutUi::windowAsDesigned()
{
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("About "));
    QCOMPARE(m_dialog->objectName(), QStringLiteral("frmAbout"));
    QCOMPARE(m_dialog->size(), QSize(383, 201));
    QCOMPARE(m_dialog->minimumSize(), QSize(383, 201));
    QVERIFY(!m_dialog->windowIcon().isNull());
    QCOMPARE(m_dialog->geometry().topLeft(), QPoint(156, 129));
}

void TestAboutUi::labelsAsDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<qreal>("pointSize"); // 0: the dialog's own font
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("centred");

    QTest::newRow("lblTitle") << QStringLiteral("lblTitle") << QStringLiteral("Application Title") << 13.5 << false
                              << false;
    QTest::newRow("lblVersion") << QStringLiteral("lblVersion") << QStringLiteral("Version") << 0.0 << false
                                << false;
    QTest::newRow("lblDescription") << QStringLiteral("lblDescription") << QStringLiteral("App Description") << 9.75
                                    << true << false;
    QTest::newRow("lblDisclaimer") << QStringLiteral("lblDisclaimer") << QStringLiteral("Warning: ...") << 0.0
                                   << false << false;
    QTest::newRow("Label1") << QStringLiteral("Label1") << QStringLiteral("Label1") << 9.75 << true << true;
}

void TestAboutUi::labelsAsDesigned()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(qreal, pointSize);
    QFETCH(bool, bold);
    QFETCH(bool, centred);

    const auto* label = m_dialog->findChild<QLabel*>(name);
    QVERIFY(label);
    QCOMPARE(label->text(), caption);
    QCOMPARE(label->font().pointSizeF(), pointSize > 0 ? pointSize : m_dialog->font().pointSizeF());
    QCOMPARE(label->font().bold(), bold);
    QCOMPARE(bool(label->alignment() & Qt::AlignHCenter), centred);
}

void TestAboutUi::etchedRule()
{
    QCOMPARE(m_dialog->findChild<QFrame*>(QStringLiteral("Line1_0")), m_ui.Line1[0]);
    QCOMPARE(m_dialog->findChild<QFrame*>(QStringLiteral("Line1_1")), m_ui.Line1[1]);
    QCOMPARE(m_ui.Line1[1]->geometry(), QRect(6, 139, 372, 1));
    QCOMPARE(m_ui.Line1[0]->geometry(), QRect(7, 140, 371, 2));

    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    const QImage image = m_dialog->grab().toImage();
    QCOMPARE(QColor(image.pixel(100, 139)), QColor(128, 128, 128));
    QCOMPARE(QColor(image.pixel(100, 140)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(100, 141)), QColor(Qt::white));
}

void TestAboutUi::pictureIsTheBook()
{
    QCOMPARE(m_ui.picIcon->pixmap().deviceIndependentSize().toSize(), QSize(32, 32));
    QCOMPARE(m_ui.picIcon->pixmap().toImage(), m_dialog->windowIcon().pixmap(32, 32).toImage());
}

void TestAboutUi::okTakesTheFocusAndAnswersEnterAndEsc()
{
    QCOMPARE(m_ui.cmdOK->text(), QStringLiteral("OK"));
    QVERIFY(m_ui.cmdOK->isDefault());
    m_dialog->show();
    m_dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog));
    QTRY_COMPARE(QApplication::focusWidget(), m_ui.cmdOK);

    QSignalSpy clicked(m_ui.cmdOK, &QPushButton::clicked);
    QTest::keyClick(m_dialog, Qt::Key_Return);
    QTest::keyClick(m_dialog, Qt::Key_Escape);
    QTest::keyClick(m_ui.cmdOK, Qt::Key_Escape);
    QCOMPARE(clicked.count(), 3);
    QVERIFY(m_dialog->isVisible());
}

QTEST_MAIN(TestAboutUi)
#include "tst_aboutui.moc"
