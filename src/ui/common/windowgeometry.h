#pragma once

class QWidget;
class clsIniFile;

// The main window's place and size in section "Settings" (MainLeft, MainTop, MainWidth,
// MainHeight), in twips written with a blank in the place of a sign when not negative.

// Moves and resizes `window` to what `ini` holds; a missing or unreadable value keeps the
// window's own.
void RestoreWindowGeometry(QWidget& window, const clsIniFile& ini);

// Writes the window's place and size, unless it is minimized, maximized or full screen.
void SaveWindowGeometry(const QWidget& window, clsIniFile& ini);
