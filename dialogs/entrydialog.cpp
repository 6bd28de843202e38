#include "dialogs/entrydialog.h"

#include "ui/messagebox.h"
#include "ui/textbox.h"

namespace {

// The widest number the directory's integer column holds for every value of
// that many digits.
constexpr int MaxDigits = 18;

bool isTelephoneNumber(const QString& text)
{
    if (text.isEmpty() || text.size() > MaxDigits)
        return false;
    bool aboveZero = false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        aboveZero = aboveZero || c != u'0';
    }
    return aboveZero;
}

} // namespace

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
    if (isTelephoneNumber(number))
        return true;
    ui::MessageBox::show(this, QStringLiteral("You cant use ") + number + QStringLiteral(" as telephone No"),
                         QStringLiteral("Error"));
    return false;
}
