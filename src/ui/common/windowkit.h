#pragma once

#include <QString>

class QIcon;
struct AppContext;

// What every window shares: caption text, the program icon, the help file, the network check.

// A caption shown as given: "&" doubled, so that it marks no shortcut.
QString EscapedCaption(QString caption);

// The program's own icon.
QIcon QuorvixIcon();

// Opens the help file "Quorvix.chm" of the program folder with its application; "" when that
// worked, else the status-line text that says why not.
QString OpenHelpFile(AppContext& ctx);

// True for a UNC-style network path ("\\server\share" or "//server/share"), which the program
// neither starts from nor takes in a drop.
bool IsNetworkPath(const QString& path);
