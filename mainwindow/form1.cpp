#include "mainwindow/form1.h"

#include "dialogs/form2.h"
#include "dialogs/form3.h"
#include "dialogs/frmabout.h"
#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/folderremoval.h"
#include "store/lockeddatabase.h"
#include "store/recordset.h"
#include "store/statements.h"
#include "store/storeerror.h"
#include "store/telephonenumber.h"
#include "store/transaction.h"
#include "ui/batch.h"
#include "ui/grid.h"
#include "ui/inputbox.h"
#include "ui/listbox.h"
#include "ui/messagebox.h"
#include "ui/mousebuttons.h"
#include "ui/textbox.h"
#include "ui/toolbar.h"
#include "ui/toolbarbutton.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>

#include <cstdio>
#include <limits>
#include <optional>

using store::Statements;

namespace {

// Tags and list items hold codes written by the program as plain digits; any
// other text reads as 0, the top level.
qint64 asNumber(const QString& text)
{
    return Statements::integer(text).value_or(0);
}

// The hidden list and the tags hold what stored values stand for, as plain
// digits: a folder row whose code stands for no number is listed with none,
// and cannot be opened, renamed or deleted by it; a parent that stands for
// none is the top level.
QString codeText(const QVariant& stored)
{
    const auto code = store::FieldValue::integer(stored);
    return code ? QString::number(*code) : QString();
}

QString parentText(const QVariant& stored)
{
    return QString::number(store::FieldValue::parent(stored).value_or(0));
}

class CommandDepth
{
public:
    explicit CommandDepth(int& depth)
        : m_depth(depth)
    {
        ++m_depth;
    }
    ~CommandDepth() { --m_depth; }
    CommandDepth(const CommandDepth&) = delete;
    CommandDepth& operator=(const CommandDepth&) = delete;

private:
    int& m_depth;
};

} // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent)
{
    m_ui.setupUi(this);

    connect(m_ui.List1, &ui::ListBox::Click, this, &Form1::List1_Click);
    connect(m_ui.List1, &ui::ListBox::DblClick, this, &Form1::List1_DblClick);
    connect(m_ui.List1, &ui::ListBox::LostFocus, this, &Form1::List1_LostFocus);
    connect(m_ui.List1, &ui::ListBox::MouseDown, this, &Form1::List1_MouseDown);
    connect(m_ui.List1, &ui::ListBox::MenuKey, this, &Form1::List1_MenuKey);
    connect(m_ui.Toolbar1, &ui::Toolbar::ButtonClick, this, &Form1::Toolbar1_ButtonClick);
    connect(m_ui.MSFlexGrid1, &ui::Grid::GotFocus, this, &Form1::MSFlexGrid1_GotFocus);
    connect(m_ui.MSFlexGrid1, &ui::Grid::LostFocus, this, &Form1::MSFlexGrid1_LostFocus);
    connect(m_ui.MSFlexGrid1, &ui::Grid::MouseDown, this, &Form1::MSFlexGrid1_MouseDown);
    connect(m_ui.MSFlexGrid1, &ui::Grid::MenuKey, this, &Form1::MSFlexGrid1_MenuKey);
    connect(m_ui.Mlistopen, &QAction::triggered, this, &Form1::Mlistopen_Click);
    connect(m_ui.Mlistrename, &QAction::triggered, this, &Form1::Mlistrename_Click);
    connect(m_ui.Mlistup, &QAction::triggered, this, &Form1::Mlistup_Click);
    connect(m_ui.Mlistadd, &QAction::triggered, this, &Form1::Mlistadd_Click);
    connect(m_ui.MListDelete, &QAction::triggered, this, &Form1::MListDelete_Click);
    connect(m_ui.MgridAdd, &QAction::triggered, this, &Form1::MgridAdd_Click);
    connect(m_ui.mgridrename, &QAction::triggered, this, &Form1::mgridrename_Click);
    connect(m_ui.mgridDelete, &QAction::triggered, this, &Form1::mgridDelete_Click);

    Form_Load();
}

Form1::~Form1() = default;

const ui::Grid& Form1::MSFlexGrid1() const
{
    return *m_ui.MSFlexGrid1;
}

bool Form1::AcceptsNumber(const QString& number) const
{
    return store::TelephoneNumber::value(number).has_value();
}

QAction* Form1::button(int index) const
{
    return m_ui.Toolbar1->Buttons(index);
}

void Form1::EnableUp(bool enabled)
{
    button(1)->setEnabled(enabled);
    m_ui.Mlistup->setEnabled(enabled);
}

void Form1::Form_Load()
{
    m_directory = std::make_unique<store::LockedDatabase>(QStringLiteral("quorvelin.mdb"));
    EnableUp(false);
    button(4)->setEnabled(false);
    setWindowTitle(QStringLiteral("Quorvelin"));
    m_ui.List1->setTag(QStringLiteral("0"));
    m_ui.List2->setTag(QStringLiteral("0"));
    setTag(QStringLiteral("0"));
    m_ui.MSFlexGrid1->setTag(QStringLiteral("0"));
    // Every check comes before the first write, the journal mode and the
    // indexes included: a file that is refused is left byte for byte as it was.
    // Opening it makes the checks every writer needs; reading the counter is
    // the window's own.
    m_rs = std::make_unique<store::RecordSet>(m_directory->database().OpenRecordset(Statements::MaxCode()));
    try {
        const QVariant mm = m_rs->Value(m_rs->FieldIndex(u"mm"));
        if (!mm.isNull())
            setTag(mm.toString());
    } catch (const store::StoreError&) {
    }
    // An open set keeps a read going, under which the journal mode cannot
    // change; every fill below opens the set anew.
    m_rs.reset();
    m_directory->useRollbackJournal();
    // A directory made by another tool may lack the indexes; without them
    // every listing reads the whole table and a deep deletion takes hours.
    // They only make it quicker, so one that cannot be made is done without.
    for (const QString& index : Statements::Indexes()) {
        try {
            m_directory->database().execute(index);
        } catch (const store::StoreError&) {
        }
    }
    // The first fills are not excused: a pane that cannot be filled now
    // (a damaged file, a `book` without `name`) means a directory that cannot
    // work, and an empty window would hide it. The failure ends start-up.
    FillFolders();
    FillGrid();
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    Form_Terminate();
}

void Form1::Form_Terminate()
{
    closeDirectory();
    QCoreApplication::quit();
}

void Form1::closeDirectory()
{
    m_rs.reset();
    m_directory.reset();
}

void Form1::Show()
{
    if (!m_directory)
        return;
    show();
    activateWindow();
}

template <class Command>
void Form1::guarded(Command&& command)
{
    if (!m_directory)
        return;
    if (m_commandDepth > 0) {
        command();
        return;
    }
    QString failure;
    {
        CommandDepth depth(m_commandDepth);
        try {
            command();
        } catch (const store::StoreError& error) {
            failure = error.message();
        }
    }
    if (!failure.isNull())
        fail(failure);
}

void Form1::fail(const QString& message)
{
    closeDirectory();
    std::fprintf(stderr, "quorvelin: %s\n", qPrintable(message));
    ui::MessageBox::show(this, message, QStringLiteral("Quorvelin"));
    hide();
    QCoreApplication::exit(EXIT_FAILURE);
}

qint64 Form1::nextCode()
{
    const qint64 last = asNumber(Tag());
    // A damaged file can hold the largest code there is; wrapping round
    // would hand out a negative code.
    if (last == std::numeric_limits<qint64>::max())
        throw store::StoreError(QStringLiteral("no code is left for a new record"));
    const qint64 code = last + 1;
    setTag(QString::number(code));
    return code;
}

// ---- Listing and navigation ----

void Form1::FillFolders()
{
    ui::Batch names(*m_ui.List1);
    ui::Batch codes(*m_ui.List2);
    m_ui.List1->Clear();
    m_ui.List2->Clear();
    m_rs = std::make_unique<store::RecordSet>(
        m_directory->database().OpenRecordset(Statements::Folders(asNumber(m_ui.List1->Tag()))));
    const int name = m_rs->FieldIndex(u"name");
    const int code = m_rs->FieldIndex(u"code");
    const int parent = m_rs->FieldIndex(u"parent");
    while (!m_rs->Eof()) {
        m_ui.List1->AddItem(m_rs->Text(name));
        m_ui.List2->AddItem(codeText(m_rs->Value(code)));
        m_ui.List2->setTag(parentText(m_rs->Value(parent)));
        m_rs->MoveNext();
    }
}

void Form1::FillGrid()
{
    ui::Grid& grid = *m_ui.MSFlexGrid1;
    ui::Batch batch(grid);
    grid.Clear();
    grid.setTextMatrix(0, 1, QStringLiteral("Name"));
    grid.setTextMatrix(0, 2, QStringLiteral("TelPhone"));
    m_rs = std::make_unique<store::RecordSet>(
        m_directory->database().OpenRecordset(Statements::Telephones(asNumber(m_ui.List1->Tag()))));
    grid.setRows(1);
    const int name = m_rs->FieldIndex(u"Name");
    const int tel = m_rs->FieldIndex(u"tel");
    int n = 0;
    while (!m_rs->Eof()) {
        ++n;
        grid.AddItem(QString::number(n));
        grid.setTextMatrix(n, 1, m_rs->Text(name));
        grid.setTextMatrix(n, 2, m_rs->Text(tel));
        m_rs->MoveNext();
    }
}

void Form1::List1_DblClick()
{
    const int index = m_ui.List1->ListIndex();
    if (index < 0)
        return; // nothing selected: there is no folder to open
    // A folder whose code is no whole number (text, or a real such as 12.5,
    // in a file made elsewhere) can hold nothing; read as 0 it would show
    // the top level as if it were inside.
    if (!Statements::integer(m_ui.List2->List(index)))
        return;
    guarded([&] {
        m_ui.List1->setTag(m_ui.List2->List(index));
        FillFolders();
        FillGrid();
        EnableUp(true);
        // A folder without subfolders left the listed-folder code alone.
        m_ui.List2->setTag(m_ui.List1->Tag());
    });
}

void Form1::UpLevel()
{
    guarded([&] {
        const QString listed = m_ui.List2->Tag();
        if (asNumber(listed) == 0) {
            m_ui.List1->setTag(QStringLiteral("0"));
        } else {
            m_rs = std::make_unique<store::RecordSet>(
                m_directory->database().OpenRecordset(Statements::Record(asNumber(listed))));
            // A folder that is gone leaves nowhere to climb to but the top.
            m_ui.List1->setTag(m_rs->Eof() ? QStringLiteral("0") : parentText(m_rs->Value(m_rs->FieldIndex(u"parent"))));
        }
        if (asNumber(m_ui.List1->Tag()) == 0)
            EnableUp(false);
        FillFolders();
        FillGrid();
    });
}

void Form1::List1_Click()
{
    if (m_ui.List1->ListIndex() < 0)
        return;
    button(4)->setEnabled(true);
    m_ui.MListDelete->setEnabled(true);
    m_ui.Mlistrename->setEnabled(true);
}

void Form1::List1_LostFocus()
{
    const int index = m_ui.List1->ListIndex();
    if (index < 0)
        return;
    m_ui.List1->setSelected(index, false);
    button(4)->setEnabled(false);
    m_ui.MListDelete->setEnabled(false);
    m_ui.Mlistrename->setEnabled(false);
}

void Form1::List1_MouseDown(int Button, int, QPoint position)
{
    if (Button == ui::RightButton)
        PopupListMenu(position);
}

void Form1::List1_MenuKey(QPoint position)
{
    PopupListMenu(position);
}

void Form1::PopupListMenu(QPoint position)
{
    // "UP Level" needs nothing here: EnableUp keeps it with button 1.
    m_ui.Mlistopen->setEnabled(m_ui.List1->ListIndex() >= 0);
    m_ui.Mlist->popup(position);
}

// ---- Commands ----

void Form1::Toolbar1_ButtonClick(int Index)
{
    switch (Index) {
    case 1:
        UpLevel();
        break;
    case 2:
        NewTel();
        break;
    case 3:
        NewFolder();
        break;
    case 4:
        BDelete();
        break;
    case 6:
        ShowAbout();
        break;
    default:
        break; // 5, the binoculars, has no command
    }
}

void Form1::MSFlexGrid1_GotFocus()
{
    m_ui.MSFlexGrid1->setTag(QStringLiteral("1"));
    button(4)->setEnabled(true);
    m_ui.mgridDelete->setEnabled(true);
    m_ui.mgridrename->setEnabled(true);
}

void Form1::MSFlexGrid1_LostFocus()
{
    m_ui.MSFlexGrid1->setTag(QStringLiteral("0"));
    button(4)->setEnabled(false);
    m_ui.mgridDelete->setEnabled(false);
    m_ui.mgridrename->setEnabled(false);
}

void Form1::MSFlexGrid1_MouseDown(int Button, int, QPoint position)
{
    // The popup acts on the row selected before the right click.
    if (Button == ui::RightButton)
        m_ui.mgrid->popup(position);
}

void Form1::MSFlexGrid1_MenuKey(QPoint position)
{
    m_ui.mgrid->popup(position);
}

void Form1::Mlistopen_Click()
{
    List1_DblClick();
}

void Form1::Mlistrename_Click()
{
    RenameFolder();
}

void Form1::Mlistup_Click()
{
    UpLevel();
}

void Form1::Mlistadd_Click()
{
    NewFolder();
}

void Form1::MListDelete_Click()
{
    ListDelete();
}

void Form1::MgridAdd_Click()
{
    NewTel();
}

void Form1::mgridrename_Click()
{
    // Without a data row there is no entry to edit, only the header row's
    // captions; Delete does nothing in the same state.
    if (m_ui.MSFlexGrid1->RowSel() < 1)
        return;
    Form3& dialog = m_form3.get([this] { return new Form3(*this, this); });
    dialog.Init();
    dialog.ShowModal();
}

void Form1::mgridDelete_Click()
{
    BDelete();
}

void Form1::ShowAbout()
{
    m_about.get([this] { return new frmAbout(this); }).ShowModal();
}

// ---- Renaming ----

void Form1::RenameFolder()
{
    const int index = m_ui.List1->ListIndex();
    if (index < 0)
        return;
    // Which folder is renamed is settled before the box opens. A code that is
    // no code (a damaged file) names no folder that could be renamed.
    const auto code = Statements::integer(m_ui.List2->List(index));
    if (!code)
        return;
    const QString current = m_ui.List1->List(index);
    const QString answer = ui::InputBox::ask(this, QStringLiteral("Enetr new name"),
                                             QStringLiteral("Rename Folder"), current);
    if (answer.isEmpty())
        return;
    guarded([&] {
        store::Transaction transaction = m_directory->begin();
        m_rs = std::make_unique<store::RecordSet>(
            m_directory->database().OpenRecordset(Statements::Folder(*code, asNumber(m_ui.List1->Tag()))));
        if (!m_rs->Eof()) {
            m_rs->Edit();
            m_rs->SetField(u"name", answer);
            m_rs->Update();
        }
        transaction.Commit();
        FillFolders();
    });
}

void Form1::GridRename()
{
    Form3* dialog = m_form3.loaded();
    if (!dialog)
        return;
    guarded([&] {
        const ui::Grid& grid = *m_ui.MSFlexGrid1;
        const int row = grid.RowSel();
        if (row < 1)
            return; // the header row names no entry
        const QString oldName = grid.TextMatrix(row, 1);
        const QString oldTel = grid.TextMatrix(row, 2);
        const auto tel = store::TelephoneNumber::value(dialog->Text2()->Text());
        if (!tel)
            throw store::StoreError(QStringLiteral("not a telephone number: ") + dialog->Text2()->Text());
        store::Transaction transaction = m_directory->begin();
        m_rs = std::make_unique<store::RecordSet>(
            m_directory->database().OpenRecordset(Statements::Telephone(oldName, oldTel, asNumber(m_ui.List1->Tag()))));
        // No row: the entry changed under the grid. The refill shows what is there.
        if (!m_rs->Eof()) {
            m_rs->Edit();
            m_rs->SetField(u"name", dialog->Text1()->Text());
            m_rs->SetField(u"tel", *tel);
            m_rs->Update();
        }
        transaction.Commit();
        FillGrid();
    });
}

// ---- Deleting ----

void Form1::BDelete()
{
    if (asNumber(m_ui.MSFlexGrid1->Tag()) == 1)
        GridDelete();
    else
        ListDelete();
}

void Form1::GridDelete()
{
    guarded([&] {
        const ui::Grid& grid = *m_ui.MSFlexGrid1;
        const int row = grid.RowSel();
        if (row < 1)
            return;
        store::Transaction transaction = m_directory->begin();
        m_rs = std::make_unique<store::RecordSet>(m_directory->database().OpenRecordset(Statements::Telephone(
            grid.TextMatrix(row, 1), grid.TextMatrix(row, 2), asNumber(m_ui.List1->Tag()))));
        if (!m_rs->Eof())
            m_rs->Delete();
        transaction.Commit();
        FillGrid();
    });
}

void Form1::ListDelete()
{
    const int index = m_ui.List1->ListIndex();
    if (index < 0)
        return;
    // An unreadable code must never become 0: that is the whole top level.
    const auto code = Statements::integer(m_ui.List2->List(index));
    if (!code || *code == 0)
        return;
    DeleteFolder(*code);
}

void Form1::DeleteFolder(qint64 code)
{
    if (code == 0)
        return;
    guarded([&] {
        store::Transaction transaction = m_directory->begin();
        // A folder gone already leaves nothing to delete.
        store::FolderRemoval::remove(m_directory->database(), code, asNumber(m_ui.List1->Tag()));
        transaction.Commit();
        // One refill once everything is gone; the grid shows the current
        // level's entries, which a folder deletion does not touch.
        FillFolders();
    });
}

// ---- Adding ----

void Form1::NewFolder()
{
    const QString answer =
        ui::InputBox::ask(this, QStringLiteral("Enter the Name"), QStringLiteral("The Name of the folder"));
    if (answer.isEmpty())
        return;
    guarded([&] {
        store::Transaction transaction = m_directory->begin();
        m_rs->AddNew();
        const qint64 code = nextCode();
        m_rs->SetField(u"code", code);
        m_ui.List2->AddItem(Tag());
        m_rs->SetField(u"name", answer);
        m_ui.List1->AddItem(answer);
        m_rs->SetField(u"tel", 0);
        m_rs->SetField(u"parent", asNumber(m_ui.List1->Tag()));
        m_rs->Update();
        transaction.Commit();
    });
}

void Form1::NewTel()
{
    Form2& dialog = m_form2.get([this] { return new Form2(*this, this); });
    dialog.Init();
    dialog.ShowModal();
}

void Form1::NewDataDo()
{
    Form2* dialog = m_form2.loaded();
    if (!dialog)
        return;
    guarded([&] {
        const QString name = dialog->Text1()->Text();
        const QString number = dialog->Text2()->Text();
        const auto tel = store::TelephoneNumber::value(number);
        if (!tel)
            throw store::StoreError(QStringLiteral("not a telephone number: ") + number);
        ui::Grid& grid = *m_ui.MSFlexGrid1;
        const int r = grid.Rows();
        grid.AddItem(QString::number(r));
        store::Transaction transaction = m_directory->begin();
        m_rs->AddNew();
        const qint64 code = nextCode();
        m_rs->SetField(u"code", code);
        m_rs->SetField(u"name", name);
        grid.setTextMatrix(r, 1, name);
        m_rs->SetField(u"tel", *tel);
        grid.setTextMatrix(r, 2, number);
        m_rs->SetField(u"parent", asNumber(m_ui.List1->Tag()));
        m_rs->Update();
        transaction.Commit();
    });
}
