// Both programs as a package installs them: the CLI in <prefix>/bin beside
// <prefix>/share/quorvix, run by a new user; the desktop program answering --version and
// --help with no display.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "testutil.h"

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun runProgram(const QString& program, const QStringList& args,
                      const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// A prefix holding a copy of quorvix-cli and the samples, and an empty home folder.
class InstalledCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("usr/bin")));
        QDir().mkpath(m_share);
        QDir().mkpath(m_home);
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUORVIX_CLI), m_cli));
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUORVIX_SAMPLES "/Quorvix.ini"),
                                m_share + QStringLiteral("/Quorvix.ini")));
        m_env.insert(QStringLiteral("HOME"), m_home);
        m_env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    }

    ProgramRun cli(const QStringList& args) const { return runProgram(m_cli, args, m_env); }

    QTemporaryDir m_dir;
    QString m_cli = m_dir.filePath(QStringLiteral("usr/bin/quorvix-cli"));
    QString m_share = m_dir.filePath(QStringLiteral("usr/share/quorvix"));
    QString m_home = m_dir.filePath(QStringLiteral("home"));
    QString m_userSettings = m_home + QStringLiteral("/.config/Quorvix/Quorvix.ini");
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
};

} // namespace

TEST_F(InstalledCli, NewUserGetsTheSampleModesInTheirOwnSettingsFolder)
{
    const ProgramRun r = cli({QStringLiteral("modes")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("[MODE-1]\nModeName=COBOL\n")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("[MODE-3]\nModeName=SQL\n")));
    EXPECT_EQ(testutil::readBytes(m_userSettings),
              testutil::readBytes(QStringLiteral(QUORVIX_SAMPLES "/Quorvix.ini")));
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("usr/bin/Quorvix.ini"))));
}

TEST_F(InstalledCli, MissingSamplesGiveEmptyModesAndSayWhereTheyWereLookedFor)
{
    ASSERT_TRUE(QFile::remove(m_share + QStringLiteral("/Quorvix.ini")));
    const ProgramRun r = cli({QStringLiteral("modes")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("[MODE-1]\nModeName=\n")));
    EXPECT_TRUE(r.err.contains(m_share + QStringLiteral("/Quorvix.ini"))) << r.err.toStdString();
}

TEST_F(InstalledCli, SettingsFolderThatCannotBeMadeIsReportedAndTheDefaultsApply)
{
    testutil::writeBytes(m_home + QStringLiteral("/.config"), "not a folder");
    const ProgramRun r = cli({QStringLiteral("modes")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("[MODE-1]\nModeName=\n")));
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("quorvix-cli: cannot make the settings folder ")))
        << r.err.toStdString();
}

TEST(DesktopProgram, VersionAndHelpNeedNoDisplayAndStartNoWindow)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    const ProgramRun version =
        runProgram(QStringLiteral(QUORVIX_GUI), {QStringLiteral("--version")}, env);
    EXPECT_EQ(version.exitCode, 0) << version.err.toStdString();
    EXPECT_EQ(version.out, QStringLiteral("quorvix " QUORVIX_VERSION "\n"));
    const ProgramRun help =
        runProgram(QStringLiteral(QUORVIX_GUI), {QStringLiteral("--help")}, env);
    EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: quorvix [options] PATH\n")))
        << help.out.toStdString();
    EXPECT_TRUE(help.out.contains(QStringLiteral("--version")));
}
