#include "ui/dialog.h"

#include "modalwatch.h"

#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QWindow>
#include <QtTest>

class TestDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void frameHasOnlyTitleAndCloseBox();
    void clientSizeIsFixed();
    void opensAgainAtItsDesignedSize();
    void focusMarkShowsFromTheFirstShowing();
    void onlyTheNamedButtonIsDefault();
    void enterPressesOnlyTheDefaultButton();
    void enterWithoutDefaultPressesNothing();
    void escPressesTheCancelButtonAndKeepsTheWindow();
    void escWithoutCancelKeepsTheWindow();
    void hidingEndsTheModalShowing();
    void closingThroughTheFrameUnloads();

private:
    void showAndActivate();

    std::unique_ptr<QWidget> m_owner;
    QPointer<ui::Dialog> m_dialog;
    QPushButton* m_first = nullptr;
    QPushButton* m_second = nullptr;
};

void TestDialog::init()
{
    m_owner = std::make_unique<QWidget>();
    m_dialog = new ui::Dialog(m_owner.get());
    m_first = new QPushButton(QStringLiteral("First"), m_dialog);
    m_first->move(10, 10);
    m_second = new QPushButton(QStringLiteral("Second"), m_dialog);
    m_second->move(10, 50);
}

void TestDialog::cleanup()
{
    m_owner.reset();
}

void TestDialog::showAndActivate()
{
    m_dialog->show();
    m_dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog));
}

void TestDialog::frameHasOnlyTitleAndCloseBox()
{
    const Qt::WindowFlags flags = m_dialog->windowFlags();
    QVERIFY(flags.testFlag(Qt::Dialog));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
}

void TestDialog::clientSizeIsFixed()
{
    m_dialog->setClientSize(4350, 2430);
    QCOMPARE(m_dialog->size(), QSize(290, 162));
    QCOMPARE(m_dialog->minimumSize(), QSize(290, 162));
    QCOMPARE(m_dialog->maximumSize(), QSize(290, 162));
}

void TestDialog::opensAgainAtItsDesignedSize()
{
    m_dialog->setClientSize(4350, 2430);
    showAndActivate();
    // As a program may on an X server without a window manager.
    m_dialog->windowHandle()->resize(500, 400);
    QTRY_COMPARE(m_dialog->size(), QSize(500, 400));

    m_dialog->hide();
    showAndActivate();
    QCOMPARE(m_dialog->size(), QSize(290, 162));
    QCOMPARE(m_dialog->windowHandle()->size(), QSize(290, 162));
}

void TestDialog::focusMarkShowsFromTheFirstShowing()
{
    m_dialog->setFirstFocus(m_second);
    showAndActivate();
    QTRY_VERIFY(m_second->hasFocus());
    // What the style is told when it draws the button: no key was pressed.
    QStyleOptionButton option;
    option.initFrom(m_second);
    QVERIFY(option.state.testFlag(QStyle::State_HasFocus));
    QVERIFY(option.state.testFlag(QStyle::State_KeyboardFocusChange));
}

void TestDialog::onlyTheNamedButtonIsDefault()
{
    m_dialog->setDefaultButton(m_second);
    showAndActivate();
    QVERIFY(!m_first->autoDefault());
    QVERIFY(!m_first->isDefault());
    QVERIFY(m_second->isDefault());

    // Focus on another button does not make it the default, as an
    // auto-default button would become.
    m_first->setFocus();
    QTRY_VERIFY(m_first->hasFocus());
    QVERIFY(!m_first->isDefault());

    // A button added while the dialog is shown obeys the same rule.
    auto* late = new QPushButton(QStringLiteral("Late"), m_dialog);
    late->show();
    QTRY_VERIFY(!late->autoDefault());
}

void TestDialog::enterPressesOnlyTheDefaultButton()
{
    m_dialog->setDefaultButton(m_second);
    showAndActivate();
    QSignalSpy first(m_first, &QPushButton::clicked);
    QSignalSpy second(m_second, &QPushButton::clicked);
    m_first->setFocus();
    QTRY_VERIFY(m_first->hasFocus());

    QTest::keyClick(m_first, Qt::Key_Return);
    QTest::keyClick(m_first, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(first.count(), 0);
    QCOMPARE(second.count(), 2);

    m_second->setEnabled(false);
    QTest::keyClick(m_first, Qt::Key_Return);
    QCOMPARE(second.count(), 2);
    QVERIFY(m_dialog->isVisible());
}

void TestDialog::enterWithoutDefaultPressesNothing()
{
    showAndActivate();
    QSignalSpy first(m_first, &QPushButton::clicked);
    QSignalSpy second(m_second, &QPushButton::clicked);
    QSignalSpy finished(m_dialog.data(), &QDialog::finished);
    m_second->setFocus();
    QTRY_VERIFY(m_second->hasFocus());

    QTest::keyClick(m_second, Qt::Key_Return);
    QCOMPARE(first.count(), 0);
    QCOMPARE(second.count(), 0);
    QCOMPARE(finished.count(), 0);
    QVERIFY(m_dialog->isVisible());
}

void TestDialog::escPressesTheCancelButtonAndKeepsTheWindow()
{
    m_dialog->setCancelButton(m_first);
    showAndActivate();
    QSignalSpy first(m_first, &QPushButton::clicked);
    QSignalSpy finished(m_dialog.data(), &QDialog::finished);

    QTest::keyClick(m_dialog, Qt::Key_Escape);
    QCOMPARE(first.count(), 1);
    QCOMPARE(finished.count(), 0);
    QVERIFY(m_dialog->isVisible());
}

void TestDialog::escWithoutCancelKeepsTheWindow()
{
    showAndActivate();
    QSignalSpy finished(m_dialog.data(), &QDialog::finished);
    QSignalSpy first(m_first, &QPushButton::clicked);
    m_first->setFocus();
    QTRY_VERIFY(m_first->hasFocus());

    QTest::keyClick(m_first, Qt::Key_Escape);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(first.count(), 0);
    QVERIFY(m_dialog->isVisible());
    QVERIFY(!m_dialog->isUnloaded());
}

void TestDialog::hidingEndsTheModalShowing()
{
    connect(m_first, &QPushButton::clicked, m_dialog, &QWidget::hide);
    for (int showing = 0; showing < 2; ++showing) {
        QWidget* shown = nullptr;
        whenModalShown([&](QWidget* modal) {
            shown = modal;
            m_first->click();
        });
        m_dialog->ShowModal();
        QCOMPARE(shown, m_dialog.data());
        QVERIFY(!m_dialog->isVisible());
        QVERIFY(!m_dialog->isUnloaded());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_dialog);
}

void TestDialog::closingThroughTheFrameUnloads()
{
    whenModalShown([](QWidget* modal) { modal->close(); });
    m_dialog->ShowModal();
    QVERIFY(m_dialog);
    QVERIFY(m_dialog->isUnloaded());
    QVERIFY(!m_dialog->isVisible());

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_dialog);
}

QTEST_MAIN(TestDialog)
#include "tst_dialog.moc"
