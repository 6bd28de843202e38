#pragma once

#include <QPointer>

namespace ui {

// The one instance of a dialog: created and loaded on first use, kept while
// it is only hidden, and created afresh after closing through its frame
// unloaded it.
template <class Window>
class LoadedWindow
{
public:
    template <class Make>
    Window& get(Make make)
    {
        if (!loaded())
            m_window = make();
        return *m_window;
    }

    // nullptr while not loaded.
    Window* loaded() const
    {
        return m_window && !m_window->isUnloaded() ? m_window.data() : nullptr;
    }

private:
    QPointer<Window> m_window;
};

} // namespace ui
