#include "sendto.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPointer>

#include "platform/shellservices.h"
#include "settings/paths.h"
#include "ui/common/appcontext.h"
#include "ui/common/windowkit.h"

namespace {

const char* const kIndexProperty = "index";

QString fileNotFoundText()
{
    return QStringLiteral("選択したﾌｧｲﾙが見つかりません");
}

QString noAssociationText()
{
    return QStringLiteral("選択したﾌｧｲﾙの拡張子に ｱﾌﾟﾘｹｰｼｮﾝが関連付けされていません");
}

// -1 for an action that is not one of our entries.
int entryIndex(const QAction* action)
{
    const QVariant index = action->property(kIndexProperty);
    return index.isValid() ? index.toInt() : -1;
}

} // namespace

struct SendToController::Private {
    Private(AppContext& c, QString dir)
        : ctx(c)
        , sendToDir(std::move(dir))
    {
    }

    AppContext& ctx;
    QString sendToDir;
    // The menus may be parented to the owner window, which can delete them before us.
    QPointer<QMenu> pMenuSendToFList;
    QPointer<QMenu> pMenuSendToOList;
    std::function<QString()> currentFile;
    std::function<qint32()> currentOutput;
};

SendToController::SendToController(AppContext& ctx, QString sendToDir, QWidget* owner)
    : QObject(owner)
    , d(std::make_unique<Private>(ctx, std::move(sendToDir)))
{
    d->pMenuSendToFList = new QMenu(QStringLiteral("送る"), owner);
    d->pMenuSendToFList->setObjectName(QStringLiteral("pMenuSendToFList"));
    d->pMenuSendToOList = new QMenu(QStringLiteral("送る"), owner);
    d->pMenuSendToOList->setObjectName(QStringLiteral("pMenuSendToOList"));
    addEntries(0, QStringLiteral("送るＡＰ"));
}

SendToController::~SendToController()
{
    delete d->pMenuSendToFList.data();
    delete d->pMenuSendToOList.data();
}

QMenu* SendToController::fileListSubmenu() const
{
    return d->pMenuSendToFList;
}

QMenu* SendToController::outputListSubmenu() const
{
    return d->pMenuSendToOList;
}

void SendToController::setCurrentFileProvider(std::function<QString()> provider)
{
    d->currentFile = std::move(provider);
}

void SendToController::setCurrentOutputProvider(std::function<qint32()> provider)
{
    d->currentOutput = std::move(provider);
}

void SendToController::BuildSendToMenus()
{
    for (QMenu* menu : {d->pMenuSendToFList.data(), d->pMenuSendToOList.data()}) {
        if (menu == nullptr)
            continue;
        const QList<QAction*> actions = menu->actions();
        for (QAction* action : actions) {
            if (entryIndex(action) > 0)
                delete action;
        }
    }
    if (d->sendToDir.isEmpty())
        return;

    // Name order, ignoring case: what the user sees in the folder itself. System entries are
    // asked for so that a shortcut whose target is gone is still listed.
    const QStringList names = QDir(d->sendToDir)
                                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System,
                                             QDir::Name | QDir::IgnoreCase);
    int n = 0;
    for (const QString& f : names) {
        if (FolderExists(d->sendToDir + f))
            continue;
        if (f.startsWith(QLatin1StringView("3.5")))
            continue;
        if (!f.endsWith(QLatin1StringView(".lnk"), Qt::CaseSensitive))
            continue;
        const QString caption = f.chopped(4);
        if (n == 0) {
            for (QMenu* menu : {d->pMenuSendToFList.data(), d->pMenuSendToOList.data()}) {
                if (menu == nullptr)
                    continue;
                const QList<QAction*> actions = menu->actions();
                for (QAction* action : actions) {
                    if (entryIndex(action) == 0)
                        action->setText(caption);
                }
            }
        } else {
            addEntries(n, caption);
        }
        ++n;
    }
}

void SendToController::openOutput(qint32 itemData)
{
    if (itemData == 0)
        return;
    const QStringList& paths = d->ctx.request.OutputPaths;
    int result = 0;
    if (itemData > 0 && itemData < paths.size())
        result = d->ctx.shell.open(paths.at(itemData), QString());
    report(result, fileNotFoundText(), noAssociationText());
    emit startStatusTimer();
}

void SendToController::openHelp()
{
    const QString problem = OpenHelpFile(d->ctx);
    if (!problem.isEmpty())
        emit statusMessage(problem);
    emit startStatusTimer();
}

void SendToController::addEntries(int index, const QString& caption)
{
    const auto add = [this, index, &caption](QMenu* menu, const QString& name,
                                             void (SendToController::*click)(const QString&)) {
        if (menu == nullptr)
            return;
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        action->setProperty(kIndexProperty, index);
        // The caption is read at click time: entry 0 is renamed by later rebuilds.
        connect(action, &QAction::triggered, this,
                [this, action, click] { (this->*click)(action->text()); });
    };
    add(d->pMenuSendToFList, QStringLiteral("pMenuSendFList"),
        &SendToController::pMenuSendFList_Click);
    add(d->pMenuSendToOList, QStringLiteral("pMenuSendOList"),
        &SendToController::pMenuSendOList_Click);
}

void SendToController::pMenuSendFList_Click(const QString& caption)
{
    sendTo(caption, d->currentFile ? d->currentFile() : QString());
}

void SendToController::pMenuSendOList_Click(const QString& caption)
{
    const qint32 k = d->currentOutput ? d->currentOutput() : 0;
    if (k == 0)
        return;
    const QStringList& paths = d->ctx.request.OutputPaths;
    sendTo(caption, k > 0 && k < paths.size() ? paths.at(k) : QString());
}

void SendToController::sendTo(const QString& caption, QString file)
{
    const QString shortcut = d->sendToDir + caption + QStringLiteral(".lnk");
    // A file that cannot be used is not sent and not reported; the timer still runs.
    int result = 0;
    if (PathIsUsable(file))
        result = d->ctx.shell.open(shortcut, file);
    report(result, fileNotFoundText(), noAssociationText());
    emit startStatusTimer();
}

void SendToController::report(int result, const QString& notFound, const QString& noAssociation)
{
    if (result == ShellServices::FileNotFound)
        emit statusMessage(notFound);
    else if (result == ShellServices::NoAssociation)
        emit statusMessage(noAssociation);
}
