#pragma once

#include <functional>

#include <QProcess>
#include <QString>
#include <QStringList>

namespace clitest {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs quorvix-cli with `args`; `inChild` runs in the child before the program starts (to set
// limits).
inline Result runCli(const QStringList& args, const std::function<void()>& inChild = {})
{
    QProcess p;
    if (inChild)
        p.setChildProcessModifier(inChild);
    p.start(QStringLiteral(QUORVIX_CLI), args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace clitest
