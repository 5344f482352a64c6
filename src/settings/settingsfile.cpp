#include "settingsfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>

#include "settings/clsinifile.h"
#include "settings/paths.h"
#include "text/fileio.h"
#include "text/pathbytes.h"

namespace {

const QLatin1StringView kSettingsFolderName{"Quorvix"};

QString systemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

bool exists(const QString& path)
{
    struct stat st {};
    return ::lstat(EncodePath(path).constData(), &st) == 0;
}

// Copies `from` to `to` unless `to` exists: written whole into a temp file, then linked to its
// name, which fails rather than replace a file another process seeded first. "" or the reason.
QString seedFile(const QString& from, const QString& to)
{
    QByteArray bytes;
    QString error;
    if (!FileIo::readRegularFile(from, bytes, &error))
        return error;
    QByteArray temp = EncodePath(to) + ".seed-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return to + QStringLiteral(": ") + systemReason(errno);
    int code = 0;
    for (qsizetype done = 0; done < bytes.size() && code == 0;) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0 || errno != EINTR)
            code = n == 0 ? EIO : errno;
    }
    if (code == 0 && (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0))
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0 && ::link(temp.constData(), EncodePath(to).constData()) != 0 && errno != EEXIST)
        code = errno;
    ::unlink(temp.constData());
    return code == 0 ? QString() : to + QStringLiteral(": ") + systemReason(code);
}

} // namespace

QString SettingsFilePath(const QString& programFolder)
{
    return AddBackslash(programFolder) + SettingsKeys::FileName;
}

QString ShareFolderOf(const QString& programFolder)
{
    return QDir::cleanPath(programFolder + QStringLiteral("/../share/quorvix"));
}

QString ConfigHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (xdg.startsWith(u'/'))
        return QDir::cleanPath(xdg);
    const QString home = qEnvironmentVariable("HOME");
    return QDir::cleanPath((home.isEmpty() ? QDir::homePath() : home) + QStringLiteral("/.config"));
}

SettingsLayout ResolveSettingsLayout(const QString& programFolder, const QString& shareFolder,
                                     const QString& configHome)
{
    SettingsLayout layout;
    layout.shareFolder = shareFolder;
    const bool writable = ::access(EncodePath(programFolder).constData(), W_OK) == 0;
    const bool installedTree =
        FolderExists(shareFolder) && !exists(SettingsFilePath(programFolder));
    if (writable && !installedTree) {
        layout.settingsFolder = programFolder;
        return layout;
    }
    layout.portable = false;
    layout.settingsFolder = QDir::cleanPath(configHome + u'/' + kSettingsFolderName);
    if (const QString why = MakeFolder(layout.settingsFolder); !why.isEmpty()) {
        layout.notes << QStringLiteral("cannot make the settings folder ") + layout.settingsFolder +
                            QStringLiteral(" (") + why +
                            QStringLiteral("); running with the default settings");
        return layout;
    }
    const QString settings = SettingsFilePath(layout.settingsFolder);
    if (exists(settings))
        return layout;
    const QString sample = SettingsFilePath(shareFolder);
    if (!FileIo::regularFileFacts(sample)) {
        layout.notes << QStringLiteral("no sample settings found (looked for ") + sample +
                            QStringLiteral("); the modes are empty");
        return layout;
    }
    if (const QString why = seedFile(sample, settings); !why.isEmpty())
        layout.notes << QStringLiteral("cannot copy the sample settings (") + why +
                            QStringLiteral("); running with the default settings");
    return layout;
}

SettingsLayout CurrentSettingsLayout()
{
    const QString program = ProgramFolder();
    return ResolveSettingsLayout(program, ShareFolderOf(program), ConfigHome());
}

QString InstalledShareFolder()
{
    if (!QCoreApplication::instance())
        return QString();
    const QString share = ShareFolderOf(ProgramFolder());
    return FolderExists(share) ? share : QString();
}

QString TemplateFolder(const QString& settingsFolder, const QString& shareFolder,
                       const QString& fileName)
{
    for (const QString& folder : {settingsFolder, shareFolder}) {
        QString path = AddBackslash(folder) + fileName;
        if (!folder.isEmpty() && PathIsUsable(path))
            return folder;
    }
    return settingsFolder;
}

namespace SettingsKeys {

QString recentFileKey(int index)
{
    return QStringLiteral("%1").arg(index, 2, 10, QLatin1Char('0'));
}

QString modeSection(int slot)
{
    return QStringLiteral("MODE-") + QString::number(slot);
}

} // namespace SettingsKeys

bool DeleteModeSlot(const QString& settingsPath, int slot)
{
    clsIniFile ini;
    ini.setPFileName(settingsPath);
    return ini.mSetSection(SettingsKeys::modeSection(slot), QString(QChar(0)));
}
