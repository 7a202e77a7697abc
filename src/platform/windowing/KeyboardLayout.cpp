#include "platform/windowing/KeyboardLayout.h"

#include <QKeyEvent>

namespace umbraxis {

bool isKeyOfLetter(const QKeyEvent& event, char letter)
{
    // The window system names the symbol the key gives on the current
    // layout (an X keysym, which for ASCII letters is the letter itself);
    // Caps Lock may give the capital. Events made by the program itself
    // carry no symbol: their key code stands in.
    const quint32 symbol = event.nativeVirtualKey();
    const char capital = char(letter - 'a' + 'A');
    if (symbol != 0)
        return symbol == quint32(letter) || symbol == quint32(capital);
    return event.key() == Qt::Key_A + (letter - 'a');
}

} // namespace umbraxis
