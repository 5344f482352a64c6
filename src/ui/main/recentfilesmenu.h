#pragma once

#include <vector>

#include <QObject>
#include <QStringList>

class QAction;
class QMenu;

// The recent-file entries of the main window's menu: "MenuRecent0" (always there, hidden until
// there is a path) and the entries "MenuRecent1".. added above the separator below them.
class RecentFilesMenu final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecentFilesMenu)

public:
    RecentFilesMenu(QMenu* menu, QAction* firstEntry, QAction* separatorBelow, QObject* parent);

    // Shows one entry per path, captions with "&" doubled.
    void showPaths(const QStringList& paths);

signals:
    void chosen(const QString& path);

private:
    QMenu* m_menu;
    QAction* m_separatorBelow;
    std::vector<QAction*> MenuRecent; // entry 0 always exists
};
