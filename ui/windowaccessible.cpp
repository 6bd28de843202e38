#include "ui/windowaccessible.h"

#include <QWidget>

namespace ui {

namespace {

const char* const ExposedProperty = "ui_exposedAsWindow";

// Asked with the object's own class name first, so it answers before Qt's
// factory would for QWidget.
QAccessibleInterface* factory(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType() || !object->property(ExposedProperty).toBool())
        return nullptr;
    return new WindowAccessible(static_cast<QWidget*>(object));
}

} // namespace

WindowAccessible::WindowAccessible(QWidget* window)
    : QAccessibleWidget(window, QAccessible::Window)
{
}

void WindowAccessible::expose(QWidget* window)
{
    QAccessible::installFactory(factory); // once: Qt keeps each factory one time
    window->setProperty(ExposedProperty, true);
}

} // namespace ui
