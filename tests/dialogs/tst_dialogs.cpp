#include "dialogs/form2.h"
#include "dialogs/form3.h"
#include "dialogs/frmabout.h"
#include "dialogs/mainform.h"
#include "store/telephonenumber.h"
#include "ui/form1ui.h"
#include "ui/grid.h"
#include "ui/messagebox.h"
#include "ui/textbox.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

// A main window that only notes what the dialogs hand it.
class FakeMain : public QWidget, public MainForm
{
public:
    FakeMain()
        : grid(new ui::Grid(1, 3, this))
    {
        grid->setTextMatrix(0, 1, QStringLiteral("Name"));
        grid->setTextMatrix(0, 2, QStringLiteral("TelPhone"));
    }

    void NewDataDo() override { handed.append(entry()); }
    void GridRename() override { handed.append(entry()); }
    const ui::Grid& MSFlexGrid1() const override { return *grid; }
    bool AcceptsNumber(const QString& number) const override
    {
        return store::TelephoneNumber::value(number).has_value();
    }
    void Show() override { ++shown; }

    void addRow(const QString& name, const QString& tel)
    {
        const int row = grid->Rows();
        grid->AddItem(QString::number(row));
        grid->setTextMatrix(row, 1, name);
        grid->setTextMatrix(row, 2, tel);
    }
    void selectRow(int row) { grid->selectRow(row - 1); }

    EntryDialog* dialog = nullptr;
    QList<QStringList> handed; // the two boxes as each call found them
    int shown = 0;
    ui::Grid* grid;

private:
    QStringList entry() const { return {dialog->Text1()->Text(), dialog->Text2()->Text()}; }
};

QPushButton* button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private:
    FakeMain* m_main = nullptr;

    Form2* newEntry()
    {
        auto* dialog = new Form2(*m_main, m_main);
        m_main->dialog = dialog;
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog))
            qWarning("the dialog was not shown");
        return dialog;
    }

    Form3* editEntry()
    {
        auto* dialog = new Form3(*m_main, m_main);
        m_main->dialog = dialog;
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog))
            qWarning("the dialog was not shown");
        return dialog;
    }

    // Shown again, and active as a window system makes a new window; the
    // headless platform does that only for the first showing.
    static void showActive(QWidget* dialog)
    {
        dialog->show();
        QApplication::setActiveWindow(dialog);
        if (!QTest::qWaitForWindowActive(dialog))
            qWarning("the dialog did not become active");
    }

    static void type(ui::TextBox* box, const QString& text)
    {
        box->setFocus();
        for (const QChar c : text) {
            // Key events as a keyboard delivers them, any script included.
            QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

private slots:
    void init()
    {
        ui::MessageBox::setRecording(true);
        ui::MessageBox::takeShown();
        m_main = new FakeMain;
    }
    void cleanup() { delete m_main; }

    void newEntryLoads()
    {
        Form2* dialog = newEntry();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("New Data"));
        QCOMPARE(button(dialog, "Command1")->text(), QStringLiteral("Ok"));
        QCOMPARE(button(dialog, "Command2")->text(), QStringLiteral("Cancel"));
        QCOMPARE(button(dialog, "Command3")->text(), QStringLiteral("Next Data"));
        QVERIFY(dialog->Text1()->Text().isEmpty());
        QVERIFY(dialog->Text2()->Text().isEmpty());
        QVERIFY(!button(dialog, "Command1")->isEnabled());
        QVERIFY(!button(dialog, "Command3")->isEnabled());
        QVERIFY(button(dialog, "Command2")->isEnabled());
        QCOMPARE(QApplication::focusWidget(), dialog->Text1());
    }

    void buttonsFollowBothBoxes()
    {
        Form2* dialog = newEntry();
        type(dialog->Text1(), QStringLiteral("A"));
        QVERIFY(!button(dialog, "Command1")->isEnabled());
        type(dialog->Text2(), QStringLiteral("5"));
        QVERIFY(button(dialog, "Command1")->isEnabled());
        QVERIFY(button(dialog, "Command3")->isEnabled());
        QTest::keyClick(dialog->Text2(), Qt::Key_Backspace);
        QVERIFY(dialog->Text2()->Text().isEmpty());
        QVERIFY(!button(dialog, "Command1")->isEnabled());
        QVERIFY(!button(dialog, "Command3")->isEnabled());
        type(dialog->Text2(), QStringLiteral("7"));
        QVERIFY(button(dialog, "Command1")->isEnabled());
        dialog->Text1()->setText(QString());
        QVERIFY(!button(dialog, "Command1")->isEnabled());
    }

    void numberBoxTakesOnlyDigits_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("digits") << "0123456789" << "0123456789";
        QTest::newRow("letters") << "12ab3" << "123";
        QTest::newRow("signs") << "-1+2" << "12";
        QTest::newRow("blank and bracket") << "(30) 4" << "304";
        QTest::newRow("Arabic digits") << QString::fromUtf8("١٢3") << "3";
    }

    void numberBoxTakesOnlyDigits()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        for (EntryDialog* dialog : std::initializer_list<EntryDialog*>{newEntry(), editEntry()}) {
            dialog->Text2()->setText(QString());
            type(dialog->Text2(), typed);
            QCOMPARE(dialog->Text2()->Text(), kept);
            // The name box takes anything.
            dialog->Text1()->setText(QString());
            type(dialog->Text1(), typed);
            QCOMPARE(dialog->Text1()->Text(), typed);
        }
    }

    void numberIsTested_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("accepted");
        // The rule itself is the store's (TelephoneNumber); these show the
        // dialog applies it, to what was typed and what was pasted.
        QTest::newRow("0") << "0" << false;
        QTest::newRow("leading zeros") << "0012" << true;
        QTest::newRow("pasted sign and blank") << "+49 30" << false;
        QTest::newRow("header text") << "TelPhone" << false;
    }

    void numberIsTested()
    {
        QFETCH(QString, number);
        QFETCH(bool, accepted);
        for (const char* pressed : {"Command1", "Command3"}) {
            m_main->handed.clear();
            Form2* dialog = newEntry();
            dialog->Text1()->setText(QStringLiteral("Name"));
            dialog->Text2()->setText(number); // as a paste would put it there
            QTest::mouseClick(button(dialog, pressed), Qt::LeftButton);
            const auto shown = ui::MessageBox::takeShown();
            if (accepted) {
                QCOMPARE(m_main->handed, (QList<QStringList>{{"Name", number}}));
                QVERIFY(shown.isEmpty());
            } else {
                QVERIFY(m_main->handed.isEmpty());
                QCOMPARE(shown.size(), 1);
                QCOMPARE(shown.first().prompt, QStringLiteral("You cant use ") + number + QStringLiteral(" as telephone No"));
                QCOMPARE(shown.first().title, QStringLiteral("Error"));
                QVERIFY(dialog->isVisible());
                QCOMPARE(dialog->Text2()->Text(), number);
            }
            delete dialog;
        }
    }

    void okHidesNextDataStaysOpen()
    {
        Form2* dialog = newEntry();
        dialog->Text1()->setText(QStringLiteral("   "));
        dialog->Text2()->setText(QStringLiteral("42"));
        QTest::mouseClick(button(dialog, "Command3"), Qt::LeftButton);
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->Text1()->Text().isEmpty());
        QVERIFY(dialog->Text2()->Text().isEmpty());
        QVERIFY(!button(dialog, "Command3")->isEnabled());
        QCOMPARE(m_main->shown, 0);

        dialog->Text1()->setText(QStringLiteral("Second"));
        dialog->Text2()->setText(QStringLiteral("43"));
        QTest::mouseClick(button(dialog, "Command1"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QVERIFY(!dialog->isUnloaded());
        QCOMPARE(m_main->handed, (QList<QStringList>{{"   ", "42"}, {"Second", "43"}}));
        QCOMPARE(m_main->shown, 1);
    }

    void cancelAndFrameStoreNothing()
    {
        Form2* dialog = newEntry();
        dialog->Text1()->setText(QStringLiteral("Kept"));
        dialog->Text2()->setText(QStringLiteral("1"));
        QTest::mouseClick(button(dialog, "Command2"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->Text1()->Text(), QStringLiteral("Kept"));
        QVERIFY(m_main->handed.isEmpty());
        QCOMPARE(m_main->shown, 1);

        dialog->show();
        QPointer<Form2> watched(dialog);
        dialog->close();
        QVERIFY(dialog->isUnloaded());
        QVERIFY(m_main->handed.isEmpty());
        QTRY_VERIFY(watched.isNull());
    }

    void enterAndEscPressNoButton()
    {
        for (EntryDialog* dialog : std::initializer_list<EntryDialog*>{newEntry(), editEntry()}) {
            dialog->Text1()->setText(QStringLiteral("Name"));
            dialog->Text2()->setText(QStringLiteral("1"));
            for (QWidget* focus : {static_cast<QWidget*>(dialog->Text1()), static_cast<QWidget*>(button(dialog, "Command1")),
                                   static_cast<QWidget*>(button(dialog, "Command2"))}) {
                focus->setFocus();
                QTest::keyClick(focus, Qt::Key_Return);
                QTest::keyClick(focus, Qt::Key_Enter);
                QTest::keyClick(focus, Qt::Key_Escape);
                QVERIFY(dialog->isVisible());
            }
            QVERIFY(m_main->handed.isEmpty());
            QCOMPARE(m_main->shown, 0);
        }
    }

    void editEntryCopiesTheSelectedRow()
    {
        m_main->addRow(QStringLiteral("Alice"), QStringLiteral("123"));
        m_main->addRow(QStringLiteral("Bob \"B\""), QStringLiteral("0012"));
        m_main->selectRow(2);
        Form3* dialog = editEntry();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Rename"));
        QCOMPARE(dialog->Text1()->Text(), QStringLiteral("Bob \"B\""));
        QCOMPARE(dialog->Text2()->Text(), QStringLiteral("0012"));
        QVERIFY(button(dialog, "Command1")->isEnabled());
        QVERIFY(!button(dialog, "Command3")->isEnabled());
        QCOMPARE(QApplication::focusWidget(), button(dialog, "Command2"));

        type(dialog->Text2(), QStringLiteral("5"));
        dialog->Text1()->setText(QString());
        QVERIFY(!button(dialog, "Command1")->isEnabled());
        QVERIFY(!button(dialog, "Command3")->isEnabled());
        type(dialog->Text1(), QStringLiteral("B"));
        QVERIFY(button(dialog, "Command1")->isEnabled());
        QVERIFY(!button(dialog, "Command3")->isEnabled());

        QTest::mouseClick(button(dialog, "Command1"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(m_main->handed, (QList<QStringList>{{"B", "00125"}}));
        QCOMPARE(m_main->shown, 0);
    }

    void editEntryCancelForgetsTheEdit()
    {
        m_main->addRow(QStringLiteral("Alice"), QStringLiteral("123"));
        m_main->addRow(QStringLiteral("Bob"), QStringLiteral("456"));
        m_main->selectRow(1);
        Form3* dialog = editEntry();
        dialog->Text1()->setText(QStringLiteral("Changed"));
        QTest::mouseClick(button(dialog, "Command2"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QVERIFY(m_main->handed.isEmpty());

        m_main->selectRow(2);
        dialog->Init();
        QCOMPARE(dialog->Text1()->Text(), QStringLiteral("Bob"));
        QCOMPARE(dialog->Text2()->Text(), QStringLiteral("456"));
    }

    void editEntryWithoutARowRefusesTheHeader()
    {
        Form3* dialog = editEntry();
        QCOMPARE(dialog->Text1()->Text(), QStringLiteral("Name"));
        QCOMPARE(dialog->Text2()->Text(), QStringLiteral("TelPhone"));
        QTest::mouseClick(button(dialog, "Command1"), Qt::LeftButton);
        const auto shown = ui::MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().prompt, QStringLiteral("You cant use TelPhone as telephone No"));
        QVERIFY(dialog->isVisible());
        QVERIFY(m_main->handed.isEmpty());
    }

    void focusIsReadyOnEveryShowing()
    {
        Form2* entry = newEntry();
        entry->Text1()->setText(QStringLiteral("First"));
        entry->Text2()->setText(QStringLiteral("1"));
        QTest::mouseClick(button(entry, "Command3"), Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), entry->Text1());
        entry->Text1()->setText(QStringLiteral("Second"));
        entry->Text2()->setText(QStringLiteral("2"));
        button(entry, "Command1")->setFocus(); // as the click that presses it
        QTest::mouseClick(button(entry, "Command1"), Qt::LeftButton);
        QVERIFY(!entry->isVisible());
        entry->Init();
        showActive(entry);
        QCOMPARE(QApplication::focusWidget(), entry->Text1());
        entry->hide();

        m_main->addRow(QStringLiteral("Alice"), QStringLiteral("123"));
        m_main->selectRow(1);
        Form3* edit = editEntry();
        edit->Text1()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), edit->Text1());
        QTest::mouseClick(button(edit, "Command2"), Qt::LeftButton);
        edit->Init();
        showActive(edit);
        QCOMPARE(QApplication::focusWidget(), button(edit, "Command2"));
    }

    // Every label's text, wrapped as the label wraps it, in the font the
    // window really draws it in, inside the label's box.
    void everyTextFitsItsLabel()
    {
        QWidget form;
        ui::Form1Ui().setupUi(&form);
        const QList<QWidget*> windows{&form, newEntry(), editEntry(), new frmAbout(m_main)};
        int measured = 0;
        for (QWidget* window : windows) {
            for (const QLabel* label : window->findChildren<QLabel*>()) {
                if (label->text().isEmpty())
                    continue; // the picture
                const QRect box = label->contentsRect();
                const QRect needed = label->fontMetrics().boundingRect(
                    box, int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0), label->text());
                QVERIFY2(needed.width() <= box.width() && needed.height() <= box.height(),
                         qPrintable(QStringLiteral("%1 %2: \"%3\" needs %4x%5, has %6x%7")
                                        .arg(window->objectName(), label->objectName(), label->text())
                                        .arg(needed.width()).arg(needed.height())
                                        .arg(box.width()).arg(box.height())));
                ++measured;
            }
        }
        QCOMPARE(measured, 2 + 2 + 5); // both entry dialogs' labels and the About box's
    }

    void aboutBox()
    {
        auto* about = new frmAbout(m_main);
        QCOMPARE(about->windowTitle(), QStringLiteral("About "));
        auto* title = about->findChild<QLabel*>(QStringLiteral("lblTitle"));
        QCOMPARE(title->text(), QStringLiteral("Quorvelin"));
        QVERIFY(about->findChild<QLabel*>(QStringLiteral("lblVersion"))->text().contains(QStringLiteral("1.0")));
        for (const char* name : {"lblDescription", "lblDisclaimer", "Label1"}) {
            const QString text = about->findChild<QLabel*>(QString::fromLatin1(name))->text();
            QVERIFY2(!text.isEmpty() && text != QStringLiteral("App Description") && text != QStringLiteral("Label1")
                         && !text.startsWith(QStringLiteral("Warning")),
                     name);
        }

        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            about->show();
            QVERIFY(QTest::qWaitForWindowExposed(about));
            title->setText(QStringLiteral("marked"));
            QTest::keyClick(about, key);
            QVERIFY(!about->isVisible());
            QVERIFY(!about->isUnloaded());
        }
        // Showing it again does not load it again.
        about->show();
        QCOMPARE(title->text(), QStringLiteral("marked"));
        QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        QVERIFY(!about->isVisible());

        about->show();
        about->close();
        QVERIFY(about->isUnloaded());
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
