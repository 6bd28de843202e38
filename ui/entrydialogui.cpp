#include "ui/entrydialogui.h"

#include "ui/designed.h"
#include "ui/dialog.h"
#include "ui/pictures.h"
#include "ui/textbox.h"

#include <QLabel>
#include <QPushButton>

#include <array>

namespace ui {

namespace {

// The edit-entry dialog is the new-entry one moved right, with a wider
// Command3, a shorter client area and its own tab order.
struct Design
{
    const char* caption;
    int clientHeight;
    int shiftRight;
    int command3Width;
    bool command3Enabled;
};

constexpr Design newEntry{"Form2", 2430, 0, 975, false};
constexpr Design editEntry{"Form3", 2340, 120, 1095, true};

enum class Focusable { Text1, Text2, Command1, Command2, Command3 };

constexpr std::array<Focusable, 5> newEntryTabOrder{Focusable::Text1, Focusable::Text2, Focusable::Command1,
                                                   Focusable::Command2, Focusable::Command3};
constexpr std::array<Focusable, 5> editEntryTabOrder{Focusable::Command2, Focusable::Command1, Focusable::Text2,
                                                    Focusable::Text1, Focusable::Command3};

} // namespace

void EntryDialogUi::setupUi(Dialog* dialog, Kind kind)
{
    const bool edit = kind == Kind::EditEntry;
    const Design& design = edit ? editEntry : newEntry;
    const int dx = design.shiftRight;

    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QLatin1String(design.caption));
    dialog->setWindowTitle(QLatin1String(design.caption));
    dialog->setWindowIcon(Pictures::book());
    // Every size in the layout was designed around this font.
    dialog->setFont(designedFont(8.25));
    dialog->setClientSize(4350, design.clientHeight);

    Label1 = designedLabel(dialog, "Label1", QStringLiteral("Enter Name"), 120 + dx, 240, 1215, 255);
    Label2 = designedLabel(dialog, "Label2", QStringLiteral("Enter Tel"), 120 + dx, 720, 1215, 255);

    const auto textBox = [&](const char* name, int top) {
        auto* box = new TextBox(dialog);
        box->setObjectName(QLatin1String(name));
        box->setText(QLatin1String(name));
        placeTwips(box, 1320 + dx, top, 1695, 285);
        return box;
    };
    const auto button = [&](const char* name, int left, int width) {
        auto* push = new QPushButton(QLatin1String(name), dialog);
        push->setObjectName(QLatin1String(name));
        placeTwips(push, left + dx, 1680, width, 375);
        return push;
    };

    // Created in tab order; the first control in it gets the focus whenever
    // the dialog is shown.
    const auto& tabOrder = edit ? editEntryTabOrder : newEntryTabOrder;
    QWidget* previous = nullptr;
    for (Focusable control : tabOrder) {
        QWidget* widget = nullptr;
        switch (control) {
        case Focusable::Text1:
            widget = Text1 = textBox("Text1", 240);
            break;
        case Focusable::Text2:
            widget = Text2 = textBox("Text2", 720);
            break;
        case Focusable::Command1:
            widget = Command1 = button("Command1", 360, 975);
            break;
        case Focusable::Command2:
            widget = Command2 = button("Command2", 1440, 975);
            break;
        case Focusable::Command3:
            widget = Command3 = button("Command3", 2520, design.command3Width);
            break;
        }
        if (previous)
            QWidget::setTabOrder(previous, widget);
        else
            dialog->setFirstFocus(widget);
        previous = widget;
    }
    // A screen reader names each box by the label beside it.
    Label1->setBuddy(Text1);
    Label2->setBuddy(Text2);

    Command1->setEnabled(false);
    Command3->setEnabled(design.command3Enabled);
}

} // namespace ui
