#include "ui/dialog.h"

#include "ui/focusmarks.h"
#include "ui/twips.h"

#include <QChildEvent>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace ui {

Dialog::Dialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
{
    FocusMarks::showFromStart(this);
}

void Dialog::setClientSize(int widthTwips, int heightTwips)
{
    m_clientSize = QSize(twips(widthTwips), twips(heightTwips));
    setFixedSize(m_clientSize);
}

void Dialog::setDefaultButton(QPushButton* button)
{
    if (m_default)
        m_default->setDefault(false);
    m_default = button;
    if (m_default) {
        m_default->setAutoDefault(false);
        m_default->setDefault(true);
    }
}

void Dialog::setCancelButton(QPushButton* button)
{
    m_cancel = button;
}

void Dialog::setFirstFocus(QWidget* control)
{
    m_firstFocus = control;
}

void Dialog::showEvent(QShowEvent* event)
{
    // A hidden dialog remembers the control that had the focus last, often
    // the button that closed it, and Qt would give the focus back there.
    if (m_firstFocus)
        m_firstFocus->setFocus(Qt::OtherFocusReason);
    // Openbox gives every window typed as a dialog a minimise box, whatever
    // its Motif hints say, and minimising a modal dialog hides its owner with
    // it; a window typed as a toolbar gets the title and the close box alone.
    // Window managers that know no toolbars read the dialog type listed after
    // it. Qt 6.4 types only a window that exists, as it does by now.
    setAttribute(Qt::WA_X11NetWmWindowTypeToolBar);
    // Without a window manager any program can resize the window while it is
    // shown; it opens again at its designed size.
    if (m_clientSize.isValid())
        resize(m_clientSize);
    // Not QDialog's: it centres the window over its owner, a position the
    // program chose, which window managers then keep. A position set on
    // purpose, as the About box has, stays.
    QWidget::showEvent(event);
}

void Dialog::ShowModal()
{
    exec();
}

bool Dialog::event(QEvent* event)
{
    // QDialog makes every push button of its own an auto-default one, which
    // Enter would press once it has the focus. Here Enter presses only the
    // button named for it, so the others lose that role as soon as they are
    // polished, before they can be shown.
    if (event->type() == QEvent::ChildPolished) {
        auto* button = qobject_cast<QPushButton*>(static_cast<QChildEvent*>(event)->child());
        if (button && button->window() == this) {
            button->setAutoDefault(false);
            if (button != m_default)
                button->setDefault(false);
        }
    }
    return QDialog::event(event);
}

void Dialog::keyPressEvent(QKeyEvent* event)
{
    // Esc must not reject the dialog: its window goes away only through its
    // own buttons or its frame.
    if (event->matches(QKeySequence::Cancel)) {
        if (m_cancel)
            m_cancel->click();
        event->accept();
        return;
    }
    const bool plain = event->modifiers() == Qt::NoModifier
        || (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (m_default)
            m_default->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Dialog::closeEvent(QCloseEvent* event)
{
    // Closed through its frame, the window is unloaded; its owner sees that
    // and creates a fresh one for the next use.
    m_unloaded = true;
    event->accept();
    deleteLater();
}

} // namespace ui
