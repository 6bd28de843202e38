#include "dialogs/form3.h"

#include "dialogs/mainform.h"
#include "ui/grid.h"
#include "ui/textbox.h"

#include <QPushButton>

Form3::Form3(MainForm& main, QWidget* parent)
    : EntryDialog(main, ui::EntryDialogUi::Kind::EditEntry, parent)
{
    connect(m_ui.Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(m_ui.Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    Form_Load();
}

void Form3::Form_Load()
{
    setWindowTitle(QStringLiteral("Rename"));
    m_ui.Command1->setText(QStringLiteral("Ok"));
    m_ui.Command2->setText(QStringLiteral("Cancel"));
    m_ui.Command3->setText(QStringLiteral("Next Data"));
    // An edit is one entry: there is no next one.
    m_ui.Command3->setEnabled(false);
    Init();
}

void Form3::Init()
{
    const ui::Grid& grid = m_main.MSFlexGrid1();
    m_ui.Text1->setText(grid.TextMatrix(grid.RowSel(), 1));
    m_ui.Text2->setText(grid.TextMatrix(grid.RowSel(), 2));
}

void Form3::EnableButtons()
{
    m_ui.Command1->setEnabled(!m_ui.Text1->Text().isEmpty() && !m_ui.Text2->Text().isEmpty());
}

void Form3::Command1_Click()
{
    if (!NumberAccepted())
        return;
    hide();
    m_main.GridRename();
}

void Form3::Command2_Click()
{
    hide();
}
