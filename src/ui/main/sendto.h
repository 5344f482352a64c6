#pragma once

#include <functional>
#include <memory>

#include <QObject>

class QMenu;
class QWidget;
struct AppContext;

// The main window's shell hand-overs: the two "送る" submenus (file list and output list),
// opening an output with its application, and the help file.
class SendToController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SendToController)

public:
    // `sendToDir` is the user's SendTo folder ending in the separator.
    SendToController(AppContext& ctx, QString sendToDir, QWidget* owner);
    ~SendToController() override;

    // The "送る" submenus: object names "pMenuSendToFList" and "pMenuSendToOList"; their
    // entries are named "pMenuSendFList" and "pMenuSendOList" with the property "index".
    QMenu* fileListSubmenu() const;
    QMenu* outputListSubmenu() const;

    // The path of the file list's current file (its folder + name), or "" when there is none.
    void setCurrentFileProvider(std::function<QString()> provider);
    // The item data of the output list's current entry (0 for none or a separator).
    void setCurrentOutputProvider(std::function<qint32()> provider);

    // Refills both submenus from the SendTo folder; called before either popup is shown.
    void BuildSendToMenus();

    // lstOutputData_DblClick for the entry with this item data.
    void openOutput(qint32 itemData);
    // MenuHelpContents_Click.
    void openHelp();

signals:
    // A text for the main window's status line.
    void statusMessage(const QString& text);
    // Start the main window's status-line timer.
    void startStatusTimer();

private:
    struct Private;
    std::unique_ptr<Private> d;

    // Appends entry `index` with this caption to both submenus.
    void addEntries(int index, const QString& caption);
    void pMenuSendFList_Click(const QString& caption);
    void pMenuSendOList_Click(const QString& caption);
    void sendTo(const QString& caption, QString file);
    void report(int result, const QString& notFound, const QString& noAssociation);
};
