#include "dialogs/form2.h"

#include "dialogs/mainform.h"
#include "ui/textbox.h"

#include <QPushButton>

Form2::Form2(MainForm& main, QWidget* parent)
    : EntryDialog(main, ui::EntryDialogUi::Kind::NewEntry, parent)
{
    connect(m_ui.Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(m_ui.Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(m_ui.Command3, &QPushButton::clicked, this, &Form2::Command3_Click);
    Form_Load();
}

void Form2::Form_Load()
{
    m_ui.Command1->setText(QStringLiteral("Ok"));
    m_ui.Command2->setText(QStringLiteral("Cancel"));
    m_ui.Command3->setText(QStringLiteral("Next Data"));
    setWindowTitle(QStringLiteral("New Data"));
    Init();
}

void Form2::Init()
{
    m_ui.Text1->setText(QString());
    m_ui.Text2->setText(QString());
}

void Form2::EnableButtons()
{
    const bool complete = !m_ui.Text1->Text().isEmpty() && !m_ui.Text2->Text().isEmpty();
    m_ui.Command1->setEnabled(complete);
    m_ui.Command3->setEnabled(complete);
}

void Form2::Command1_Click()
{
    if (!NumberAccepted())
        return;
    hide();
    m_main.NewDataDo();
    m_main.Show();
}

void Form2::Command2_Click()
{
    hide();
    m_main.Show();
}

void Form2::Command3_Click()
{
    if (!NumberAccepted())
        return;
    m_main.NewDataDo();
    Init();
    // Ready for the next name: Next Data, which had the focus, is disabled now.
    m_ui.Text1->setFocus(Qt::OtherFocusReason);
}
