#pragma once

#include <functional>

#include <QString>

class QIcon;
class QPainter;
class QPixmap;
class QWidget;
struct AppContext;

// What every window shares: caption text, the program icon, the help file, the network check.

// `object` with its objectName set: the name the window's code and its tests know it by.
template <typename Object>
Object* Named(Object* object, const QString& name)
{
    object->setObjectName(name);
    return object;
}

// A dialog of fixed size: a title bar with the close box only, no minimise or maximise box.
void MakeFixedDialog(QWidget& dialog);

// A caption shown as given: "&" doubled, so that it marks no shortcut.
QString EscapedCaption(QString caption);

// A transparent square of `size` pixels that `draw` paints on, antialiased, in a frame of
// `units` by `units`.
QPixmap DrawnPixmap(int size, qreal units, const std::function<void(QPainter&)>& draw);

// The program's own icon.
QIcon QuorvixIcon();

// Opens the help file "Quorvix.chm" of the program folder with its application; "" when that
// worked, else the status-line text that says why not.
QString OpenHelpFile(AppContext& ctx);

// True for a UNC-style network path ("\\server\share" or "//server/share"), which the program
// neither starts from nor takes in a drop.
bool IsNetworkPath(const QString& path);
