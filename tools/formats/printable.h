#pragma once

#include <QString>
#include <QStringView>

// Text from a file, a server or a user as a terminal or a notification may
// show it: nothing in it can move the cursor, clear the screen, set the
// window's title or the clipboard, or reorder the letters around it. The C0
// and C1 controls and DEL are shown as \xHH, the bidirectional overrides and
// isolates as \uHHHH; every script and every other character is left as it
// is. The escapes are printable themselves, so text made printable twice is
// made so once.
class Printable
{
public:
    // Whether line feeds and tabs are part of one line, a name or a message,
    // and so shown as escapes, or the layout of many lines, and so kept.
    enum class Layout { OneLine, Lines };

    static QString text(QStringView text, Layout layout = Layout::OneLine);
};
