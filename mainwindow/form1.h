#pragma once

#include "dialogs/mainform.h"
#include "ui/form1ui.h"
#include "ui/loadedwindow.h"
#include "ui/tagged.h"

#include <QWidget>

#include <memory>
#include <optional>

class Form2;
class Form3;
class frmAbout;

namespace store {
class LockedDatabase;
class RecordSet;
} // namespace store

// The main window: one level of the directory at a time, its folders in
// List1 and its telephone entries in the grid, and every command.
//
// Shared state lives in tags, as text: the window's own Tag is the last code
// handed out, List1's the folder shown, List2's the folder whose subfolders
// were last listed, the grid's "1" while the grid has the focus. List2 holds
// the code of each folder in List1, item for item.
class Form1 : public QWidget, public ui::Tagged, public MainForm
{
    Q_OBJECT

public:
    // Opens quorvelin.mdb in the working directory and shows its top level.
    // Throws store::StoreError when the directory cannot be opened.
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    void GridRename() override;
    void BDelete();
    void GridDelete();
    void ListDelete();
    void DeleteFolder(qint64 code);
    void NewDataDo() override;

    const ui::Grid& MSFlexGrid1() const override;
    bool AcceptsNumber(const QString& number) const override;
    void Show() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void Form_Terminate();

    void FillFolders();
    void FillGrid();
    void UpLevel();
    void List1_Click();
    void List1_DblClick();
    void List1_LostFocus();
    void List1_MouseDown(int Button, int Shift, QPoint position);
    void List1_MenuKey(QPoint position);

    void Toolbar1_ButtonClick(int Index);
    void MSFlexGrid1_GotFocus();
    void MSFlexGrid1_LostFocus();
    void MSFlexGrid1_MouseDown(int Button, int Shift, QPoint position);
    void MSFlexGrid1_MenuKey(QPoint position);
    void Mlistopen_Click();
    void Mlistrename_Click();
    void Mlistup_Click();
    void Mlistadd_Click();
    void MListDelete_Click();
    void MgridAdd_Click();
    void mgridrename_Click();
    void mgridDelete_Click();
    void ShowAbout();

    void RenameFolder();
    void NewFolder();
    void NewTel();

    // Runs a command that reaches the directory. An engine failure rolls the
    // command's writes back, is shown to the user and ends the program: the
    // window cannot know what the file still holds. Nested commands leave the
    // failure to the outermost one.
    template <class Command>
    void guarded(Command&& command);
    void fail(const QString& message);
    void closeDirectory();

    QAction* button(int index) const;
    // Button 1 and "UP Level" go together, so that the item's shortcut works
    // exactly while the button does.
    void EnableUp(bool enabled);
    void PopupListMenu(QPoint position);
    qint64 nextCode();

    ui::Form1Ui m_ui;
    // The file, held from start-up until the window closes.
    std::unique_ptr<store::LockedDatabase> m_directory;
    // The result of the last listing query; new rows are appended through it.
    std::unique_ptr<store::RecordSet> m_rs;
    int m_commandDepth = 0;

    ui::LoadedWindow<Form2> m_form2;
    ui::LoadedWindow<Form3> m_form3;
    ui::LoadedWindow<frmAbout> m_about;
};
