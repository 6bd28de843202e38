#include "ui/form1ui.h"

#include "ui/designed.h"
#include "ui/grid.h"
#include "ui/listbox.h"
#include "ui/pictures.h"
#include "ui/toolbar.h"
#include "ui/toolbarbutton.h"
#include "ui/twips.h"
#include "ui/windowaccessible.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace ui {

namespace {

QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption, bool enabled)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setEnabled(enabled);
    return action;
}

// The menus pop up only on a right click, yet their shortcuts must work at
// any time: the form carries the action too, and the popup shows the keys.
void giveShortcut(QWidget* form, QAction* action, const QKeySequence& keys)
{
    action->setShortcut(keys);
    action->setShortcutVisibleInContextMenu(true);
    form->addAction(action);
}

} // namespace

void Form1Ui::setupUi(QWidget* form)
{
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("Form1"));
    form->setWindowTitle(QStringLiteral("Form1"));
    form->setWindowIcon(Pictures::book());
    // Every size in the layout was designed around this font.
    form->setFont(designedFont(8.25));
    form->resize(twips(4680), twips(3195));
    WindowAccessible::expose(form);

    // Created in tab order, so the focus chain starts with List1.
    List1 = new ListBox(form);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("Folders"));
    placeTwips(List1, 120, 600, 1215, 1620);

    MSFlexGrid1 = new Grid(2, 3, form);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setAccessibleName(QStringLiteral("Telephones"));
    MSFlexGrid1->setFont(designedFont(8.25));
    placeTwips(MSFlexGrid1, 1440, 600, 3255, 1695);

    Toolbar1 = new Toolbar(form);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setAccessibleName(QStringLiteral("Commands"));
    struct ButtonDesign
    {
        QIcon picture;
        QString toolTip;
        QString accessibleName; // what a screen reader says for the picture
        bool enabled;
    };
    const ButtonDesign buttons[] = {
        {Pictures::upFolder(), QStringLiteral("Up on level"), QStringLiteral("Up on level"), true},
        {Pictures::blankPage(), QStringLiteral("New Telphone"), QStringLiteral("New Telphone"), true},
        {Pictures::folder(), QStringLiteral("New Folder"), QStringLiteral("New Folder"), true},
        {Pictures::cross(), QStringLiteral("Delete "), QStringLiteral("Delete "), true},
        {Pictures::binoculars(), QString(), QStringLiteral("Find"), false},
        {Pictures::questionMark(), QStringLiteral("Help"), QStringLiteral("Help"), true},
    };
    for (const ButtonDesign& design : buttons)
        Toolbar1->addButton(design.picture, design.toolTip, design.accessibleName)->setEnabled(design.enabled);
    Toolbar1->Buttons(6)->setShortcut(QKeySequence(Qt::Key_F1));

    List2 = new ListBox(form);
    List2->setObjectName(QStringLiteral("List2"));
    placeTwips(List2, 3720, 2760, 855, 255);
    List2->hide();

    QWidget::setTabOrder(List1, MSFlexGrid1);
    QWidget::setTabOrder(MSFlexGrid1, Toolbar1);
    QWidget::setTabOrder(Toolbar1, List2);

    Mlist = new QMenu(QStringLiteral("mlist"), form);
    Mlist->setObjectName(QStringLiteral("Mlist"));
    Mlistopen = addMenuItem(Mlist, "Mlistopen", QStringLiteral("Open "), true);
    Mlistrename = addMenuItem(Mlist, "Mlistrename", QStringLiteral("Rename"), false);
    Mlistup = addMenuItem(Mlist, "Mlistup", QStringLiteral("UP Level"), false);
    giveShortcut(form, Mlistup, QKeySequence(Qt::ALT | Qt::Key_Backspace));
    s1 = Mlist->addSeparator();
    s1->setObjectName(QStringLiteral("s1"));
    Mlistadd = addMenuItem(Mlist, "Mlistadd", QStringLiteral("Add new folder"), true);
    giveShortcut(form, Mlistadd, QKeySequence(Qt::CTRL | Qt::Key_F));
    MListDelete = addMenuItem(Mlist, "MListDelete", QStringLiteral("Delete"), false);

    mgrid = new QMenu(QStringLiteral("mgrid"), form);
    mgrid->setObjectName(QStringLiteral("mgrid"));
    MgridAdd = addMenuItem(mgrid, "MgridAdd", QStringLiteral("Add New Tel"), true);
    giveShortcut(form, MgridAdd, QKeySequence(Qt::CTRL | Qt::Key_N));
    mgridrename = addMenuItem(mgrid, "mgridrename", QStringLiteral("Rename"), false);
    mgridDelete = addMenuItem(mgrid, "mgridDelete", QStringLiteral("Delete"), false);
}

} // namespace ui
