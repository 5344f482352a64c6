#include "outputlistview.h"

#include <QListWidget>

#include "run/runrequest.h"

void ShowOutputEntries(QListWidget& lstOutputData, const std::vector<OutputEntry>& entries)
{
    int shown = lstOutputData.count();
    const auto matches = [&](int row) {
        const QListWidgetItem* item = lstOutputData.item(row);
        const OutputEntry& entry = entries[size_t(row)];
        return item->text() == entry.text && item->data(Qt::UserRole).toInt() == entry.itemData;
    };
    if (size_t(shown) > entries.size() || (shown > 0 && !matches(shown - 1))) {
        lstOutputData.clear();
        shown = 0;
    }
    for (size_t i = size_t(shown); i < entries.size(); ++i) {
        auto* item = new QListWidgetItem(entries[i].text, &lstOutputData);
        item->setData(Qt::UserRole, entries[i].itemData);
        item->setSelected(entries[i].selected);
        if (entries[i].selected)
            lstOutputData.setCurrentItem(item, QItemSelectionModel::NoUpdate);
    }
    if (lstOutputData.count() > 0)
        lstOutputData.scrollToItem(lstOutputData.item(lstOutputData.count() - 1));
}
