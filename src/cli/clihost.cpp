#include "clihost.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "settings/paths.h"
#include "text/fileio.h"
#include "text/pathbytes.h"

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int)
{
    g_interrupted.store(true);
}

QString megabytes(double bytes)
{
    return QString::number(bytes / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

} // namespace

CliHost::CliHost(QTextStream& err)
    : m_err(err)
    , m_terminal(drawsProgress())
{
}

bool CliHost::drawsProgress()
{
    return isatty(STDERR_FILENO) == 1;
}

void CliHost::catchInterrupt()
{
    std::signal(SIGINT, onInterrupt);
}

bool CliHost::cancelled() const
{
    return g_interrupted.load(std::memory_order_relaxed);
}

const std::atomic<bool>* CliHost::stopFlag() const
{
    return &g_interrupted;
}

void CliHost::currentFile(int position, int count, const QString&)
{
    m_position = position;
    m_count = count;
}

void CliHost::progress(double processedBytes, double totalBytes)
{
    m_total = totalBytes;
    draw(processedBytes);
}

void CliHost::draw(double processedBytes)
{
    if (!m_terminal)
        return;
    // A few redraws a second are plenty; the engine reports every few hundred lines.
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    if (nowMs - m_lastDrawMs < 100)
        return;
    m_lastDrawMs = nowMs;
    m_err << "\r\x1b[K"
          << "file " << m_position << " of " << m_count << ", " << megabytes(processedBytes)
          << " of " << megabytes(m_total);
    m_err.flush();
    m_drawn = true;
}

void CliHost::message(const QString& text)
{
    finish();
    m_err << "quorvix-cli: " << Printable(text) << '\n';
    m_err.flush();
}

void CliHost::finish()
{
    if (m_drawn) {
        m_err << "\r\x1b[K";
        m_err.flush();
        m_drawn = false;
    }
}

QString AbsolutePath(const QString& path)
{
    if (path.startsWith(u'/') && QDir::cleanPath(path) == path)
        return path;
    if (path.startsWith(u'/'))
        return AbsolutePath(path, QString());
    char* cwd = ::getcwd(nullptr, 0);
    const QString workingFolder = cwd ? DecodePath(QByteArray(cwd)) : QDir::currentPath();
    std::free(cwd);
    return AbsolutePath(path, workingFolder);
}

QString AbsolutePath(const QString& path, const QString& workingFolder)
{
    if (path.startsWith(u'/') && QDir::cleanPath(path) == path)
        return path;
    QString result;
    if (!path.startsWith(u'/'))
        result = workingFolder;
    if (!path.isEmpty() && path != u'.') {
        if (!result.isEmpty() && !result.endsWith(u'/'))
            result += u'/';
        result += path;
    }
    if (result == u'/')
        return result;
    const bool isDir = result.endsWith(u'/');
    result = QDir::cleanPath(result);
    return isDir ? result + u'/' : result;
}

std::vector<BatchFile> ExpandPaths(const QStringList& paths, bool recursive, const WalkRules& rules,
                                   QStringList& given, QStringList& walkErrors, double* totalBytes)
{
    double total = 0;
    // The working folder once for the run, not once per file.
    char* cwd = ::getcwd(nullptr, 0);
    const QString workingFolder = cwd ? DecodePath(QByteArray(cwd)) : QDir::currentPath();
    std::free(cwd);
    const auto absolute = [&workingFolder](const QString& path) {
        return AbsolutePath(path, workingFolder);
    };
    std::vector<BatchFile> files;
    for (const QString& path : paths) {
        // A file's size tells that it is one; without --recursive nothing else is wanted of
        // the path (a folder fails as a file would, on the count's own stat before its open).
        std::optional<qint64> size;
        if (recursive || rules.sizes)
            size = FileIo::regularFileSize(path);
        if (recursive && !size && FileIo::isFolder(path)) {
            const FolderWalkResult walk = WalkFolder(EncodePath(path), rules);
            for (const WalkError& e : walk.errors)
                walkErrors << DecodePath(e.path) + QStringLiteral(": ") + e.reason;
            // A folder's files come together: its absolute path is made once.
            QString folder;
            QString absoluteFolder;
            for (size_t i = 0; i < walk.files.size(); ++i) {
                const QString f = DecodePath(walk.files[i]);
                total += double(walk.sizes[i]);
                const qsizetype slash = f.lastIndexOf(u'/');
                if (folder.size() != slash + 1 || !f.startsWith(folder)) {
                    folder = f.first(slash + 1);
                    absoluteFolder = AddBackslash(absolute(folder));
                }
                files.push_back({absoluteFolder, f.sliced(slash + 1)});
                given << f;
            }
            continue;
        }
        const QFileInfo info(absolute(path));
        files.push_back(BatchFile{AddBackslash(info.absolutePath()), info.fileName()});
        given << path;
        if (rules.sizes)
            total += double(size.value_or(0));
    }
    if (totalBytes)
        *totalBytes = total;
    return files;
}

QString Printable(const QString& text)
{
    // A name's byte that is not UTF-8 (see DecodePath) is written as \xNN too; in such a text
    // a backslash is written as \x5C as well, so the bytes read back unambiguously.
    bool hasEscape = false;
    for (qsizetype i = 0; i < text.size() && !hasEscape; ++i)
        hasEscape = EscapedByte(text, i) >= 0;
    const auto byteOf = [&](qsizetype i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x20 || (c >= 0x7f && c <= 0x9f) || (hasEscape && c == u'\\'))
            return int(c);
        return EscapedByte(text, i);
    };
    qsizetype first = 0;
    while (first < text.size() && byteOf(first) < 0)
        ++first;
    if (first == text.size())
        return text;
    QString out = text.left(first);
    out.reserve(text.size() + 8);
    for (qsizetype i = first; i < text.size(); ++i) {
        const int byte = byteOf(i);
        if (byte >= 0)
            out += QStringLiteral("\\x") +
                   QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
        else
            out += text.at(i);
    }
    return out;
}

bool ProfileFileReadable(const QString& path, QTextStream& err)
{
    // Missing is fine (defaults apply); stat by the path's bytes, as QFileInfo would lose them.
    struct stat st {};
    if (::stat(EncodePath(path).constData(), &st) != 0)
        return true;
    QByteArray bytes;
    QString error;
    if (FileIo::readRegularFile(path, bytes, &error))
        return true;
    err << "quorvix-cli: " << Printable(error) << '\n';
    return false;
}

QString JsonString(const QString& text)
{
    // A name's byte that is not UTF-8 would be a lone surrogate, which JSON cannot hold.
    const QString s = DisplayPath(text);
    QString out;
    out.reserve(s.size() + 2);
    out += u'"';
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        const char* named = u == u'"'    ? "\\\""
                            : u == u'\\' ? "\\\\"
                            : u == u'\n' ? "\\n"
                            : u == u'\r' ? "\\r"
                            : u == u'\t' ? "\\t"
                                         : nullptr;
        if (named)
            out += QLatin1StringView(named);
        else if (u < 0x20)
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    out += u'"';
    return out;
}
