#include "dialogs/entrydialog.h"

#include "dialogs/mainform.h"
#include "ui/messagebox.h"
#include "ui/textbox.h"

EntryDialog::EntryDialog(MainForm& main, ui::EntryDialogUi::Kind kind, QWidget* parent)
    : ui::Dialog(parent)
    , m_main(main)
{
    m_ui.setupUi(this, kind);
    connect(m_ui.Text1, &ui::TextBox::Change, this, [this] { EnableButtons(); });
    connect(m_ui.Text2, &ui::TextBox::Change, this, [this] { EnableButtons(); });
    m_ui.Text2->setKeyPress([this](int& KeyAscii) { Text2_KeyPress(KeyAscii); });
}

void EntryDialog::Text2_KeyPress(int& KeyAscii)
{
    constexpr int Backspace = 8;
    if ((KeyAscii < '0' || KeyAscii > '9') && KeyAscii != Backspace)
        KeyAscii = 0;
}

bool EntryDialog::NumberAccepted()
{
    // Pasted text bypasses the key filter, so the whole text is checked here:
    // letters, signs, blanks and numbers too long to store are refused like 0.
    const QString number = m_ui.Text2->Text();
    if (m_main.AcceptsNumber(number))
        return true;
    ui::MessageBox::show(this, QStringLiteral("You cant use ") + number + QStringLiteral(" as telephone No"),
                         QStringLiteral("Error"));
    return false;
}
