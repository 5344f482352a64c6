#pragma once

class QWidget;
class clsIniFile;

// The main window's place and size in section "Settings" (MainLeft, MainTop, MainWidth,
// MainHeight), in twips written with a blank in the place of a sign when not negative.

// Moves and resizes `window` to what `ini` holds; a missing or unreadable value keeps the
// window's own. The result is then kept on screen (KeepWindowOnScreen), so a hand-edited or
// damaged file cannot open the window off the screen or taller than it.
void RestoreWindowGeometry(QWidget& window, const clsIniFile& ini);

// Fits `window`, frame included, into the available geometry of the screen it lands on: the
// size first, down to the window's minimum size, then the position. A window outside every
// screen is taken to its own screen. A frame not yet known is estimated, so a window can be
// fitted before it is shown and again once it is framed.
void KeepWindowOnScreen(QWidget& window);

// Writes the window's place and size, unless it is minimized, maximized or full screen.
void SaveWindowGeometry(const QWidget& window, clsIniFile& ini);
