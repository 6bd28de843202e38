#include "ui/aboutui.h"

#include "ui/designed.h"
#include "ui/dialog.h"
#include "ui/pictures.h"
#include "ui/twips.h"

#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

namespace ui {

namespace {

void paintTextBlack(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
}

// A horizontal line from (left, y) to (right, y), in twips, drawn as a
// filled strip `thickness` pixels high.
QFrame* line(QWidget* parent, const char* name, int left, int right, int y, int thickness, const QColor& colour)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::NoFrame);
    QPalette palette = frame->palette();
    palette.setColor(QPalette::Window, colour);
    frame->setPalette(palette);
    frame->setAutoFillBackground(true);
    frame->setGeometry(twips(left), twips(y), twips(right) - twips(left) + 1, thickness);
    return frame;
}

} // namespace

void AboutUi::setupUi(Dialog* dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("frmAbout"));
    dialog->setWindowTitle(QStringLiteral("About "));
    dialog->setWindowIcon(Pictures::book());
    // Every size in the layout was designed around this font.
    dialog->setFont(designedFont(8.25));
    dialog->setClientSize(5745, 3015);
    // The box opens where it was designed rather than centred on its owner;
    // the position is that of the client area, not of the frame.
    dialog->setGeometry(twips(2340), twips(1935), dialog->width(), dialog->height());

    // cmdOK is the only control that takes the focus, and comes first.
    cmdOK = new QPushButton(QStringLiteral("OK"), dialog);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    placeTwips(cmdOK, 4245, 2400, 1260, 345);
    dialog->setDefaultButton(cmdOK);
    dialog->setCancelButton(cmdOK);
    dialog->setFirstFocus(cmdOK);

    picIcon = new QLabel(dialog);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(Pictures::book().pixmap(32, 32));
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeTwips(picIcon, 240, 240, 540, 540);

    lblDescription = designedLabel(dialog, "lblDescription", QStringLiteral("App Description"), 1050, 1125, 3885, 810);
    lblDescription->setFont(designedFont(9.75, true));
    paintTextBlack(lblDescription);

    lblDisclaimer = designedLabel(dialog, "lblDisclaimer", QStringLiteral("Warning: ..."), 255, 2265, 3870, 345);
    paintTextBlack(lblDisclaimer);

    lblTitle = designedLabel(dialog, "lblTitle", QStringLiteral("Application Title"), 1050, 240, 3885, 480);
    lblTitle->setFont(designedFont(13.5));
    paintTextBlack(lblTitle);

    lblVersion = designedLabel(dialog, "lblVersion", QStringLiteral("Version"), 1080, 840, 3885, 225);

    Label1 = designedLabel(dialog, "Label1", QStringLiteral("Label1"), 360, 2640, 3735, 255);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setFont(designedFont(9.75, true));

    Line1[1] = line(dialog, "Line1_1", 90, 5654, 2085, 1, QColor(128, 128, 128));
    Line1[0] = line(dialog, "Line1_0", 105, 5654, 2100, 2, Qt::white);
}

} // namespace ui
