#include "dialogs/frmabout.h"

#include <QLabel>
#include <QPushButton>

frmAbout::frmAbout(QWidget* parent)
    : ui::Dialog(parent)
{
    m_ui.setupUi(this);
    connect(m_ui.cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    Form_Load();
}

void frmAbout::Form_Load()
{
    m_ui.lblTitle->setText(QStringLiteral("Quorvelin"));
    m_ui.lblVersion->setText(QStringLiteral("Version 1.0"));
    m_ui.lblDescription->setText(QStringLiteral("A telephone directory: names and numbers kept in folders."));
    m_ui.lblDisclaimer->setText(QStringLiteral("Every change is saved at once."));
    m_ui.Label1->setText(QStringLiteral("Single-user desktop edition"));
}

void frmAbout::cmdOK_Click()
{
    hide();
}
