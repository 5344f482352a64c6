// The desktop program: refuses a network launch and a second instance, then shows the main
// window until it is closed.

#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringList>

#include "engine/workers.h"
#include "platform/shellservices.h"
#include "settings/paths.h"
#include "settings/settingsfile.h"
#include "ui/common/appcontext.h"
#include "ui/common/dialogs.h"
#include "ui/common/translations.h"
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

// --help and --version are answered from argv alone, before QApplication exists: they need no
// display and start no window. Options of Qt's own (-platform ...) are left to QApplication.
// The exit code when the program should stop here, else -1.
int answerInformationOptions(int argc, char* argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QCoreApplication::setApplicationName(QStringLiteral("quorvix"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVIX_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quorvix counts the lines of program source files by the rules of a mode.\n"
                       "The settings are the Quorvix.ini beside the program, or when installed\n"
                       "~/.config/Quorvix/Quorvix.ini."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("The folder to open, or a file to select in it."));
    (void)parser.parse(args);
    if (parser.isSet(version)) {
        std::printf("quorvix %s\n", QUORVIX_VERSION);
        return 0;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // Without an application object the parser cannot name the program itself.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("quorvix"));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const int done = answerInformationOptions(argc, argv); done >= 0)
        return done;

    KeepFreedMemoryForReuse();
    QApplication app(argc, argv);
    // Before any box: even the start-up refusals get Qt's buttons in the user's language.
    InstallQtTranslations(app);
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

    // Beside the program when its folder is writable, else the user's own settings folder.
    const SettingsLayout layout = CurrentSettingsLayout();
    if (!layout.notes.isEmpty())
        dialogs.message(nullptr, layout.notes.join(QStringLiteral("\r\n")),
                        Dialogs::Icon::Exclamation);

    DesktopShellServices shell;
    AppContext ctx(layout.settingsFolder, dialogs, shell);
    FormMain window(ctx, commandLine);
    window.show();
    return QApplication::exec();
}
