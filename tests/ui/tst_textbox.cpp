#include "ui/textbox.h"

#include "ui/dialog.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Digits and backspace only, as the telephone number boxes filter them.
void digitsOnly(int& keyAscii)
{
    if (keyAscii != 8 && (keyAscii < '0' || keyAscii > '9'))
        keyAscii = 0;
}

} // namespace

class TestTextBox : public QObject
{
    Q_OBJECT

private slots:
    void changeFollowsEveryRealChange();
    void typingRaisesChangePerCharacter();

    void keyPressSeesTheTypedCode_data();
    void keyPressSeesTheTypedCode();
    void keysThatTypeNothingSkipKeyPress_data();
    void keysThatTypeNothingSkipKeyPress();
    void discardedCharactersLeaveTheTextAlone();
    void backspacePassesAndDeletes();
    void discardedEnterNeverReachesTheWindow();
    void withoutHandlerEveryKeyWorks();
};

void TestTextBox::changeFollowsEveryRealChange()
{
    ui::TextBox box;
    QSignalSpy change(&box, &ui::TextBox::Change);

    box.setText(QStringLiteral("abc"));
    QCOMPARE(change.count(), 1);
    QCOMPARE(box.Text(), QStringLiteral("abc"));

    box.setText(QStringLiteral("abc"));
    QCOMPARE(change.count(), 1);

    box.setText(QString());
    QCOMPARE(change.count(), 2);
    box.setText(QString());
    QCOMPARE(change.count(), 2);
}

void TestTextBox::typingRaisesChangePerCharacter()
{
    ui::TextBox box;
    QStringList seen;
    connect(&box, &ui::TextBox::Change, this, [&] { seen.append(box.Text()); });

    QTest::keyClicks(&box, QStringLiteral("ab"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(seen, (QStringList{QStringLiteral("a"), QStringLiteral("ab"), QStringLiteral("a")}));
}

void TestTextBox::keyPressSeesTheTypedCode_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("code");

    QTest::newRow("letter") << int(Qt::Key_A) << QStringLiteral("a") << 0 << int('a');
    QTest::newRow("digit") << int(Qt::Key_7) << QStringLiteral("7") << 0 << int('7');
    QTest::newRow("blank") << int(Qt::Key_Space) << QStringLiteral(" ") << 0 << 32;
    QTest::newRow("umlaut") << int(Qt::Key_Udiaeresis) << QStringLiteral("ü") << 0 << 0xfc;
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << QStringLiteral("\b") << 0 << 8;
    QTest::newRow("backspace without text") << int(Qt::Key_Backspace) << QString() << 0 << 8;
    QTest::newRow("enter") << int(Qt::Key_Return) << QStringLiteral("\r") << 0 << 13;
    QTest::newRow("escape") << int(Qt::Key_Escape) << QStringLiteral("\x1b") << 0 << 27;
    QTest::newRow("ctrl+v") << int(Qt::Key_V) << QStringLiteral("\x16") << int(Qt::ControlModifier) << 22;
}

void TestTextBox::keyPressSeesTheTypedCode()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, modifiers);
    QFETCH(int, code);

    ui::TextBox box;
    QList<int> seen;
    box.setKeyPress([&](int& keyAscii) { seen.append(keyAscii); });
    QTest::sendKeyEvent(QTest::Press, &box, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(seen, QList<int>{code});
}

void TestTextBox::keysThatTypeNothingSkipKeyPress_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");

    QTest::newRow("left") << int(Qt::Key_Left) << QString();
    QTest::newRow("home") << int(Qt::Key_Home) << QString();
    QTest::newRow("delete") << int(Qt::Key_Delete) << QStringLiteral("\x7f");
    QTest::newRow("tab") << int(Qt::Key_Tab) << QStringLiteral("\t");
    QTest::newRow("backtab") << int(Qt::Key_Backtab) << QStringLiteral("\t");
    QTest::newRow("shift") << int(Qt::Key_Shift) << QString();
}

void TestTextBox::keysThatTypeNothingSkipKeyPress()
{
    QFETCH(int, key);
    QFETCH(QString, text);

    ui::TextBox box;
    int calls = 0;
    box.setKeyPress([&](int& keyAscii) {
        ++calls;
        keyAscii = 0;
    });
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&box, &event);
    QCOMPARE(calls, 0);
}

void TestTextBox::discardedCharactersLeaveTheTextAlone()
{
    ui::TextBox box;
    box.setKeyPress(digitsOnly);
    QSignalSpy change(&box, &ui::TextBox::Change);

    QTest::keyClicks(&box, QStringLiteral("0a1-+ (2"));
    QCOMPARE(box.Text(), QStringLiteral("012"));
    QCOMPARE(change.count(), 3);

    // A paste typed as Ctrl+V is a control character, and so discarded.
    QTest::sendKeyEvent(QTest::Click, &box, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    QCOMPARE(box.Text(), QStringLiteral("012"));
}

void TestTextBox::backspacePassesAndDeletes()
{
    ui::TextBox box;
    box.setKeyPress(digitsOnly);
    box.setText(QStringLiteral("123"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.Text(), QStringLiteral("12"));

    QTest::sendKeyEvent(QTest::Press, &box, Qt::Key_Backspace, QString(), Qt::NoModifier);
    QCOMPARE(box.Text(), QStringLiteral("1"));
}

void TestTextBox::discardedEnterNeverReachesTheWindow()
{
    ui::Dialog dialog(nullptr);
    auto* box = new ui::TextBox(&dialog);
    auto* button = new QPushButton(QStringLiteral("Ok"), &dialog);
    dialog.setDefaultButton(button);
    QSignalSpy clicked(button, &QPushButton::clicked);

    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(clicked.count(), 1);

    box->setKeyPress(digitsOnly);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(clicked.count(), 1);
}

void TestTextBox::withoutHandlerEveryKeyWorks()
{
    ui::TextBox box;
    QTest::keyClicks(&box, QStringLiteral("Ab 1"));
    QTest::keyClick(&box, Qt::Key_Home);
    QTest::keyClick(&box, Qt::Key_Delete);
    QCOMPARE(box.Text(), QStringLiteral("b 1"));
}

QTEST_MAIN(TestTextBox)
#include "tst_textbox.moc"
