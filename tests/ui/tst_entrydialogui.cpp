#include "ui/entrydialogui.h"

#include "ui/dialog.h"
#include "ui/textbox.h"

#include <QAccessible>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using Kind = ui::EntryDialogUi::Kind;

class TestEntryDialogUi : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void designedWindow_data();
    void designedWindow();
    void editEntryIsNewEntryMovedRight();
    void tabWalksTheDesignedOrder_data();
    void tabWalksTheDesignedOrder();
    void enterAndEscPressNoButton();
    void boxesAreNamedByTheirLabels();

private:
    void build(Kind kind);
    void showAndActivate();

    std::unique_ptr<QWidget> m_owner;
    QPointer<ui::Dialog> m_dialog;
    ui::EntryDialogUi m_ui;
};

void TestEntryDialogUi::build(Kind kind)
{
    m_owner = std::make_unique<QWidget>();
    m_dialog = new ui::Dialog(m_owner.get());
    m_ui = ui::EntryDialogUi();
    m_ui.setupUi(m_dialog, kind);
}

void TestEntryDialogUi::showAndActivate()
{
    m_dialog->show();
    m_dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog));
    QTRY_VERIFY(QApplication::focusWidget());
}

void TestEntryDialogUi::boxesAreNamedByTheirLabels()
{
    for (Kind kind : {Kind::NewEntry, Kind::EditEntry}) {
        build(kind);
        showAndActivate();
        QCOMPARE(QAccessible::queryAccessibleInterface(m_ui.Text1)->text(QAccessible::Name), QStringLiteral("Enter Name"));
        QCOMPARE(QAccessible::queryAccessibleInterface(m_ui.Text2)->text(QAccessible::Name), QStringLiteral("Enter Tel"));
    }
}

void TestEntryDialogUi::cleanup()
{
    m_owner.reset();
}

void TestEntryDialogUi::designedWindow_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("clientSize");
    QTest::addColumn<bool>("command3Enabled");

    QTest::newRow("new entry") << Kind::NewEntry << QStringLiteral("Form2") << QSize(290, 162) << false;
    QTest::newRow("edit entry") << Kind::EditEntry << QStringLiteral("Form3") << QSize(290, 156) << true;
}

void TestEntryDialogUi::designedWindow()
{
    QFETCH(Kind, kind);
    QFETCH(QString, caption);
    QFETCH(QSize, clientSize);
    QFETCH(bool, command3Enabled);

    build(kind);
    QCOMPARE(m_dialog->windowTitle(), caption);
    QCOMPARE(m_dialog->objectName(), caption);
    QCOMPARE(m_dialog->size(), clientSize);
    QCOMPARE(m_dialog->maximumSize(), clientSize);
    QVERIFY(!m_dialog->windowIcon().isNull());

    QCOMPARE(m_dialog->findChild<QLabel*>(QStringLiteral("Label1")), m_ui.Label1);
    QCOMPARE(m_dialog->findChild<ui::TextBox*>(QStringLiteral("Text2")), m_ui.Text2);
    QCOMPARE(m_dialog->findChild<QPushButton*>(QStringLiteral("Command3")), m_ui.Command3);
    QCOMPARE(m_ui.Label1->text(), QStringLiteral("Enter Name"));
    QCOMPARE(m_ui.Label2->text(), QStringLiteral("Enter Tel"));
    QCOMPARE(m_ui.Text1->Text(), QStringLiteral("Text1"));
    QCOMPARE(m_ui.Text2->Text(), QStringLiteral("Text2"));
    QCOMPARE(m_ui.Command1->text(), QStringLiteral("Command1"));
    QCOMPARE(m_ui.Command2->text(), QStringLiteral("Command2"));
    QCOMPARE(m_ui.Command3->text(), QStringLiteral("Command3"));
    QVERIFY(!m_ui.Command1->isEnabled());
    QVERIFY(m_ui.Command2->isEnabled());
    QCOMPARE(m_ui.Command3->isEnabled(), command3Enabled);
}

void TestEntryDialogUi::editEntryIsNewEntryMovedRight()
{
    build(Kind::NewEntry);
    QHash<QString, QRect> newEntry;
    for (const QWidget* widget : m_dialog->findChildren<QWidget*>())
        newEntry.insert(widget->objectName(), widget->geometry());
    QCOMPARE(newEntry.value(QStringLiteral("Text1")), QRect(88, 16, 113, 19));
    QCOMPARE(newEntry.value(QStringLiteral("Command3")), QRect(168, 112, 65, 25));

    build(Kind::EditEntry);
    for (const char* name : {"Label1", "Text1", "Label2", "Text2", "Command1", "Command2", "Command3"}) {
        QRect expected = newEntry.value(QLatin1String(name)).translated(8, 0);
        if (qstrcmp(name, "Command3") == 0)
            expected.setWidth(expected.width() + 8);
        QCOMPARE(m_dialog->findChild<QWidget*>(QLatin1String(name))->geometry(), expected);
    }
}

void TestEntryDialogUi::tabWalksTheDesignedOrder_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("enableAll");
    QTest::addColumn<QStringList>("walk");

    QTest::newRow("new entry as designed") << Kind::NewEntry << false
                                           << QStringList{"Text1", "Text2", "Command2", "Text1"};
    QTest::newRow("new entry, all enabled")
        << Kind::NewEntry << true << QStringList{"Text1", "Text2", "Command1", "Command2", "Command3", "Text1"};
    QTest::newRow("edit entry as designed") << Kind::EditEntry << false
                                            << QStringList{"Command2", "Text2", "Text1", "Command3", "Command2"};
    QTest::newRow("edit entry, all enabled")
        << Kind::EditEntry << true << QStringList{"Command2", "Command1", "Text2", "Text1", "Command3", "Command2"};
}

void TestEntryDialogUi::tabWalksTheDesignedOrder()
{
    QFETCH(Kind, kind);
    QFETCH(bool, enableAll);
    QFETCH(QStringList, walk);

    build(kind);
    if (enableAll) {
        m_ui.Command1->setEnabled(true);
        m_ui.Command3->setEnabled(true);
    }
    showAndActivate();
    QStringList walked;
    for (int step = 0; step < walk.size(); ++step) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        walked.append(focus->objectName());
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    QCOMPARE(walked, walk);
}

void TestEntryDialogUi::enterAndEscPressNoButton()
{
    for (Kind kind : {Kind::NewEntry, Kind::EditEntry}) {
        build(kind);
        m_ui.Command1->setEnabled(true);
        m_ui.Command3->setEnabled(true);
        showAndActivate();
        int clicks = 0;
        for (QPushButton* button : {m_ui.Command1, m_ui.Command2, m_ui.Command3})
            connect(button, &QPushButton::clicked, this, [&] { ++clicks; });

        for (QWidget* focus : {static_cast<QWidget*>(m_ui.Text1), static_cast<QWidget*>(m_ui.Command2)}) {
            focus->setFocus();
            QTRY_VERIFY(focus->hasFocus());
            QTest::keyClick(focus, Qt::Key_Return);
            QTest::keyClick(focus, Qt::Key_Escape);
        }
        QCOMPARE(clicks, 0);
        QVERIFY(m_dialog->isVisible());
    }
}

QTEST_MAIN(TestEntryDialogUi)
#include "tst_entrydialogui.moc"
