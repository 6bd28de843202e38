#pragma once

#include <QPoint>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>

class Form1;
class QAction;
class QWidget;

namespace ui {
class Grid;
class ListBox;
class Toolbar;
} // namespace ui

// Drives the main window as a person would: mouse clicks on its controls,
// right clicks and choices in its popups, answers in its modal windows, never
// a call of its handlers. The message and input boxes are answered through
// their test seams. Shared by the window's tests and the benchmark.
class Form1Driver
{
public:
    // Loads the main window on quorvelin.mdb in the working directory and
    // shows it active.
    Form1Driver();
    // Drives a main window that the caller made and keeps, as it stands: the
    // benchmark times the making and the showing on their own.
    explicit Form1Driver(Form1& form);
    ~Form1Driver();

    Form1Driver(const Form1Driver&) = delete;
    Form1Driver& operator=(const Form1Driver&) = delete;

    Form1& form() const { return m_form; }
    // Makes the main window the active one again, as the window system does
    // when a popup or dialog over it closes (the headless platform does not).
    void activate();
    ui::ListBox* List1() const;
    ui::ListBox* List2() const;
    ui::Grid* grid() const;
    ui::Toolbar* toolbar() const;
    QAction* item(const char* name) const; // a popup item by its object name

    QStringList folders() const; // List1's items
    QStringList codes() const;   // List2's items
    int folderIndex(qint64 code) const; // the folder with this code in List1, or -1
    QStringList gridRow(int row) const;
    QStringList gridNames() const; // column 1 of the data rows
    bool buttonEnabled(int index) const;

    void clickFolder(int index);
    void doubleClickFolder(int index);
    void rightClickList(int index = -1); // -1: below the last item
    void clickGridRow(int row);
    void rightClickGrid(int row);
    void clickButton(int index);
    // A folder added with toolbar New Folder, named through the input box's
    // test seam; an entry added with toolbar New Telphone and Ok.
    void addFolder(const QString& name);
    void addEntry(const QString& name, const QString& number);
    // Chooses an item of the popup menu that is open.
    void choose(const char* itemName);
    void pressKeys(QWidget* widget, int key, int modifiers = 0);

    // Answers the message box and the input box through their test seams from
    // now on, and forgets what an earlier test left there.
    static void recordPrompts();

    // Runs `trigger`, which opens a modal window, and `inside` once that
    // window shows. A window `inside` leaves open fails the test and is hidden,
    // so no test hangs on it.
    static void withModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& inside);
    // Whether `trigger` opens a modal window; one that opens is closed.
    static bool opensModal(const std::function<void()>& trigger);

private:
    QPoint folderPoint(int index) const;
    QPoint gridPoint(int row) const;

    std::unique_ptr<Form1> m_owned; // the window this driver loaded, if it did
    Form1& m_form;
};
