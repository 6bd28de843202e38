#include "ui/inputbox.h"
#include "ui/messagebox.h"

#include "modalwatch.h"

#include <QAccessible>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QtTest>

class TestModalBoxes : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void recordedMessagesShowNoWindow();
    void messageBoxHasOneOkButtonAndNoIcon();

    void queuedAnswersComeInOrder();
    void inputBoxReturnsTheTypedText();
    void cancelledInputBoxReturnsEmpty();
    void inputBoxKeepsLongNamesAndIsNamedByItsPrompt();
};

void TestModalBoxes::cleanup()
{
    ui::MessageBox::setRecording(false);
    ui::MessageBox::takeShown();
    ui::InputBox::takeAsked();
}

void TestModalBoxes::recordedMessagesShowNoWindow()
{
    ui::MessageBox::setRecording(true);
    ui::MessageBox::show(nullptr, QStringLiteral("You cant use 00 as telephone No"), QStringLiteral("Error"));
    ui::MessageBox::show(nullptr, QStringLiteral("second"), QString());
    QVERIFY(!QApplication::activeModalWidget());

    const QList<ui::MessageBox::Shown> shown = ui::MessageBox::takeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).prompt, QStringLiteral("You cant use 00 as telephone No"));
    QCOMPARE(shown.at(0).title, QStringLiteral("Error"));
    QCOMPARE(shown.at(1).prompt, QStringLiteral("second"));
    QVERIFY(ui::MessageBox::takeShown().isEmpty());
}

void TestModalBoxes::messageBoxHasOneOkButtonAndNoIcon()
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::Warning;
    Qt::TextFormat format = Qt::AutoText;
    int buttons = 0;
    QStyle::State okState;
    bool wasMessageBox = false;
    whenModalShown([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        wasMessageBox = box;
        if (!box) {
            modal->close();
            return;
        }
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        format = box->textFormat();
        buttons = int(box->buttons().size());
        box->activateWindow();
        QTRY_VERIFY(box->button(QMessageBox::Ok)->hasFocus());
        QStyleOptionButton option;
        option.initFrom(box->button(QMessageBox::Ok));
        okState = option.state;
        box->button(QMessageBox::Ok)->click();
    });
    // What the user pasted is shown as typed, never as markup.
    const QString prompt = QStringLiteral("You cant use <b>7</b> as telephone No");
    ui::MessageBox::show(nullptr, prompt, QStringLiteral("Error"));
    QVERIFY(wasMessageBox);
    QCOMPARE(text, prompt);
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(title, QStringLiteral("Error"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, 1);
    // OK has the focus and shows it, although no key was pressed.
    QVERIFY(okState.testFlag(QStyle::State_HasFocus));
    QVERIFY(okState.testFlag(QStyle::State_KeyboardFocusChange));
}

void TestModalBoxes::queuedAnswersComeInOrder()
{
    ui::InputBox::setNextAnswer(QStringLiteral("Friends"));
    ui::InputBox::setNextAnswer(QString());
    QCOMPARE(ui::InputBox::ask(nullptr, QStringLiteral("Folder name"), QStringLiteral("New"), QStringLiteral("x")),
             QStringLiteral("Friends"));
    QCOMPARE(ui::InputBox::ask(nullptr, QStringLiteral("Again"), QStringLiteral("New")), QString());
    QVERIFY(!QApplication::activeModalWidget());

    const QList<ui::InputBox::Asked> asked = ui::InputBox::takeAsked();
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked.at(0).prompt, QStringLiteral("Folder name"));
    QCOMPARE(asked.at(0).title, QStringLiteral("New"));
    QCOMPARE(asked.at(0).defaultText, QStringLiteral("x"));
    QCOMPARE(asked.at(1).prompt, QStringLiteral("Again"));
    QVERIFY(ui::InputBox::takeAsked().isEmpty());
}

void TestModalBoxes::inputBoxReturnsTheTypedText()
{
    QString label;
    QString title;
    QString shownDefault;
    whenModalShown([&](QWidget* modal) {
        title = modal->windowTitle();
        if (auto* prompt = modal->findChild<QLabel*>())
            label = prompt->text();
        auto* edit = modal->findChild<QLineEdit*>();
        if (edit) {
            shownDefault = edit->text();
            edit->setText(QStringLiteral("Family \"B\""));
        }
        modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    const QString answer = ui::InputBox::ask(nullptr, QStringLiteral("Enter the name"), QStringLiteral("Rename"),
                                             QStringLiteral("Old"));
    QCOMPARE(answer, QStringLiteral("Family \"B\""));
    QCOMPARE(title, QStringLiteral("Rename"));
    QCOMPARE(label, QStringLiteral("Enter the name"));
    QCOMPARE(shownDefault, QStringLiteral("Old"));
    QVERIFY(ui::InputBox::takeAsked().isEmpty());
}

void TestModalBoxes::cancelledInputBoxReturnsEmpty()
{
    whenModalShown([](QWidget* modal) {
        modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    QCOMPARE(ui::InputBox::ask(nullptr, QStringLiteral("Name"), QStringLiteral("New"), QStringLiteral("kept?")),
             QString());
}

void TestModalBoxes::inputBoxKeepsLongNamesAndIsNamedByItsPrompt()
{
    const QString name(40000, u'n');
    QString accessibleName;
    whenModalShown([&](QWidget* modal) {
        auto* field = modal->findChild<QLineEdit*>();
        accessibleName = QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name);
        modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(ui::InputBox::ask(nullptr, QStringLiteral("Enetr new name"), QStringLiteral("Rename Folder"), name),
             name);
    QCOMPARE(accessibleName, QStringLiteral("Enetr new name"));
}

QTEST_MAIN(TestModalBoxes)
#include "tst_modalboxes.moc"
