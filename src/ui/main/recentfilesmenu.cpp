#include "recentfilesmenu.h"

#include <QAction>
#include <QMenu>

#include "ui/common/windowkit.h"

RecentFilesMenu::RecentFilesMenu(QMenu* menu, QAction* firstEntry, QAction* separatorBelow,
                                 QObject* parent)
    : QObject(parent)
    , m_menu(menu)
    , m_separatorBelow(separatorBelow)
    , MenuRecent{firstEntry}
{
    connect(firstEntry, &QAction::triggered, this,
            [this, firstEntry] { emit chosen(firstEntry->data().toString()); });
}

void RecentFilesMenu::showPaths(const QStringList& paths)
{
    // An entry may be the one whose click led here: it goes later, out of the menu now.
    while (MenuRecent.size() > 1) {
        QAction* entry = MenuRecent.back();
        m_menu->removeAction(entry);
        entry->setObjectName(QString());
        entry->deleteLater();
        MenuRecent.pop_back();
    }
    size_t n = 0;
    for (const QString& path : paths) {
        if (n >= MenuRecent.size()) {
            auto* entry = new QAction(m_menu);
            entry->setObjectName(QStringLiteral("MenuRecent") + QString::number(n));
            m_menu->insertAction(m_separatorBelow, entry);
            connect(entry, &QAction::triggered, this,
                    [this, entry] { emit chosen(entry->data().toString()); });
            MenuRecent.push_back(entry);
        }
        MenuRecent[n]->setText(EscapedCaption(path));
        MenuRecent[n]->setData(path);
        MenuRecent[n]->setVisible(true);
        ++n;
    }
}
