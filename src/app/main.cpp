// The desktop program: refuses a network launch and a second instance, then shows the main
// window until it is closed.

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringList>

#include "platform/shellservices.h"
#include "settings/paths.h"
#include "ui/common/appcontext.h"
#include "ui/common/dialogs.h"
#include "ui/common/windowkit.h"
#include "ui/main/formmain.h"

namespace {

const QString kTitle = QStringLiteral("Quorvix");

// One lock per user: the runtime folder is the user's own; the temp folder is shared, so the
// file name there carries the user's home folder name.
QString instanceLockPath()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QStringLiteral("/quorvix.lock");
    return QDir::tempPath() + QStringLiteral("/quorvix-") + QDir::home().dirName() +
           QStringLiteral(".lock");
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(kTitle);
    QApplication::setWindowIcon(QuorvixIcon());
    QtDialogs dialogs;

    const QString folder = ProgramFolder();
    if (IsNetworkPath(folder)) {
        dialogs.message(nullptr,
                        QStringLiteral("ﾈｯﾄﾜｰｸ上からの起動は出来ません\r\n"
                                       "ﾛｰｶﾙにｺﾋﾟｰするか、ﾈｯﾄﾜｰｸﾄﾞﾗｲﾌﾞを割り当ててから使用して"
                                       "ください\r\nｴﾗｰﾊﾟｽ [ ") +
                            folder + QStringLiteral(" ]"),
                        Dialogs::Icon::Critical);
        return 1;
    }

    // A lock left by a crashed instance is taken over: QLockFile checks whether its owner lives.
    QLockFile instanceLock(instanceLockPath());
    instanceLock.setStaleLockTime(0);
    if (!instanceLock.tryLock(0)) {
        dialogs.message(nullptr,
                        QStringLiteral("「") + kTitle + QStringLiteral("」 は既に起動しています。"),
                        Dialogs::Icon::Critical);
        return 1;
    }

    // The command line is one path; blanks inside an unquoted path are part of it.
    const QString commandLine = QApplication::arguments().mid(1).join(u' ');

    DesktopShellServices shell;
    AppContext ctx(folder, dialogs, shell);
    FormMain window(ctx, commandLine);
    window.show();
    return QApplication::exec();
}
