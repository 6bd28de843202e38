// The main window in a process of its own, for the tests that kill it, start
// a second copy beside it, or run it as a user who may not write the file.
// It works on quorvelin.mdb in its working directory, answers message boxes
// by recording them, and reports on standard output, one line at a time:
//
//   start          starts as the program's entry does: a directory that
//                  cannot be opened is reported on standard error and in a
//                  message box, and the exit status is 1; otherwise the
//                  window is closed again at once and the status is 0.
//   hold           starts, prints "ready", waits for a line on standard
//                  input, then adds the entry "Held" 4242 through the
//                  new-entry dialog, prints "added" and ends.
//   adds           adds through the windows without end: a folder at the
//                  top level, then in turn entries typed into the new-entry
//                  dialog and a folder inside the last one, which it opens.
//                  Folder `code` is named "F<code>"; entry `code` is named
//                  "E<code>" with the number 3*code+1, typed with leading
//                  zeros at times. After each record is stored it prints
//                  "done <code>".
//   delete NAME    selects the top-level folder NAME, prints "deleting",
//                  deletes it with the toolbar and prints "deleted".
//
// Every message box shown is printed as "box: <title>: <prompt>"; a run that
// showed one ends with status 1.

#include "harness/form1driver.h"
#include "mainwindow/form1.h"
#include "mainwindow/showmainwindow.h"
#include "store/storeerror.h"
#include "ui/listbox.h"
#include "ui/messagebox.h"
#include "ui/textbox.h"

#include <QApplication>
#include <QPushButton>
#include <QtTest>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

namespace {

void say(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// Prints the boxes shown so far; true when there were any.
bool reportBoxes()
{
    const auto shown = ui::MessageBox::takeShown();
    for (const auto& box : shown)
        say(QStringLiteral("box: ") + box.title + QStringLiteral(": ") + box.prompt);
    return !shown.isEmpty();
}

QPushButton* button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

ui::TextBox* box(QWidget* dialog, const char* name)
{
    return dialog->findChild<ui::TextBox*>(QString::fromLatin1(name));
}

qint64 lastCode(const Form1Driver& main)
{
    return main.form().Tag().toLongLong();
}

// As the program's entry: the window, or the reason there is none.
int start()
{
    const std::unique_ptr<Form1> form = showMainWindow();
    if (form)
        form->close();
    const bool shownBoxes = reportBoxes();
    return form && !shownBoxes ? EXIT_SUCCESS : EXIT_FAILURE;
}

int hold()
{
    Form1Driver main;
    say(QStringLiteral("ready"));
    std::string line;
    std::getline(std::cin, line);
    main.addEntry(QStringLiteral("Held"), QStringLiteral("4242"));
    if (reportBoxes())
        return EXIT_FAILURE;
    say(QStringLiteral("added"));
    main.form().close();
    return EXIT_SUCCESS;
}

void addFolderAndOpen(Form1Driver& main)
{
    const qint64 code = lastCode(main) + 1;
    main.addFolder(QStringLiteral("F%1").arg(code));
    if (reportBoxes())
        std::exit(EXIT_FAILURE);
    say(QStringLiteral("done %1").arg(code));
    main.doubleClickFolder(main.List1()->ListCount() - 1);
}

int adds()
{
    Form1Driver main;
    say(QStringLiteral("ready"));
    addFolderAndOpen(main);
    for (int round = 0;; ++round) {
        Form1Driver::withModal([&] { main.clickButton(2); },
                               [&](QWidget* dialog) {
                                   for (int i = 0; i < 6; ++i) {
                                       const qint64 code = lastCode(main) + 1;
                                       const QString zeros = QString(int((code + round) % 3), u'0');
                                       box(dialog, "Text1")->setText(QStringLiteral("E%1").arg(code));
                                       box(dialog, "Text2")->setText(zeros + QString::number(3 * code + 1));
                                       QTest::mouseClick(button(dialog, "Command3"), Qt::LeftButton);
                                       if (reportBoxes())
                                           std::exit(EXIT_FAILURE);
                                       say(QStringLiteral("done %1").arg(code));
                                   }
                                   QTest::mouseClick(button(dialog, "Command2"), Qt::LeftButton);
                               });
        main.activate();
        addFolderAndOpen(main);
    }
}

int deleteFolder(const QString& name)
{
    Form1Driver main;
    const int index = main.folders().indexOf(name);
    if (index < 0) {
        std::fprintf(stderr, "no folder %s at the top level\n", qPrintable(name));
        return 2;
    }
    main.clickFolder(index);
    say(QStringLiteral("deleting"));
    main.clickButton(4);
    if (reportBoxes())
        return EXIT_FAILURE;
    say(QStringLiteral("deleted"));
    main.form().close();
    return EXIT_SUCCESS;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ui::MessageBox::setRecording(true);
    const QStringList args = QApplication::arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == u"start")
        return start();
    try {
        if (mode == u"hold")
            return hold();
        if (mode == u"adds")
            return adds();
        if (mode == u"delete" && args.size() == 2)
            return deleteFolder(args.at(1));
    } catch (const store::StoreError& error) {
        std::fprintf(stderr, "quorvelin: %s\n", qPrintable(error.message()));
        return EXIT_FAILURE;
    }
    std::fprintf(stderr, "usage: %s start|hold|adds|delete NAME\n", argv[0]);
    return 2;
}
