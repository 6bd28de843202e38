#pragma once

class QLabel;
class QPushButton;

namespace ui {

class Dialog;
class TextBox;

// The controls shared by the new-entry and the edit-entry dialogs, which
// differ only in geometry and tab order.
class EntryDialogUi
{
public:
    enum class Kind { NewEntry, EditEntry };

    void setupUi(Dialog* dialog, Kind kind);

    QLabel* Label1 = nullptr;
    TextBox* Text1 = nullptr;
    QLabel* Label2 = nullptr;
    TextBox* Text2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
};

} // namespace ui
