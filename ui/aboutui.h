#pragma once

class QFrame;
class QLabel;
class QPushButton;

namespace ui {

class Dialog;

// The About box's designed controls.
class AboutUi
{
public:
    void setupUi(Dialog* dialog);

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QFrame* Line1[2] = {nullptr, nullptr}; // one etched rule: grey (1) above white (0)
    QLabel* lblDisclaimer = nullptr;
    QPushButton* cmdOK = nullptr;
    QLabel* Label1 = nullptr;
};

} // namespace ui
