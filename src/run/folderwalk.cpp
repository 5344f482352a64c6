#include "folderwalk.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include "diff/libgit.h"

#include <QFile>
#include <QRegularExpression>

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

using Repo = std::unique_ptr<git_repository, LibGit::Free>;

// Whether `folder` or a folder above it holds a ".git" entry: without one there is no work tree,
// and libgit2 (whose start-up loads the system's certificates) is not needed.
bool mayLieInWorkTree(const QByteArray& folder)
{
    char* real = realpath(folder.constData(), nullptr);
    if (!real)
        return true; // let libgit2 report what is wrong
    QByteArray dir(real);
    std::free(real);
    for (;;) {
        struct stat st {};
        if (::lstat((dir + (dir.endsWith('/') ? ".git" : "/.git")).constData(), &st) == 0)
            return true;
        const qsizetype slash = dir.lastIndexOf('/');
        if (slash <= 0)
            return dir != "/" && ::lstat("/.git", &st) == 0;
        dir.truncate(slash);
    }
}

// Git's ignore rules for one walk: paths below the walked folder, asked relative to the work
// tree.
class GitIgnore {
public:
    // False with `reason` when the folder lies in a repository that cannot be read.
    bool open(const QByteArray& folder, QString& reason)
    {
        if (!mayLieInWorkTree(folder))
            return true;
        QString unloaded;
        const LibGit::Api* git = LibGit::load(unloaded);
        if (!git) {
            reason = QStringLiteral("cannot read git's ignore rules: ") + unloaded;
            return false;
        }
        git_repository* raw = nullptr;
        const int rc = git->git_repository_open_ext(&raw, folder.constData(), 0, nullptr);
        if (rc == GIT_ENOTFOUND)
            return true;
        if (rc < 0) {
            reason = QStringLiteral("cannot read git's ignore rules: ") + LibGit::lastError();
            return false;
        }
        m_repo.reset(raw);
        const char* workdir = git->git_repository_workdir(raw);
        char* real = realpath(folder.constData(), nullptr);
        if (!workdir || !real) {
            std::free(real);
            m_repo.reset();
            return true;
        }
        QByteArray root(real);
        std::free(real);
        if (!root.endsWith('/'))
            root += '/';
        const QByteArray work(workdir);
        if (!root.startsWith(work)) {
            m_repo.reset();
            return true;
        }
        m_prefix = root.mid(work.size());
        return true;
    }

    bool active() const { return bool(m_repo); }

    bool ignored(const QByteArray& relative, bool folder) const
    {
        QByteArray path = m_prefix + relative;
        if (folder)
            path += '/';
        int ignored = 0;
        if (LibGit::api().git_ignore_path_is_ignored(&ignored, m_repo.get(), path.constData()) < 0)
            return false;
        return ignored == 1;
    }

private:
    Repo m_repo;
    QByteArray m_prefix; // the walked folder below the work tree, "" or ending in "/"
};

enum class Kind { Folder, File, Other };

// A folder's entry with the type the folder records for it (DT_UNKNOWN where it records none).
struct Entry {
    QByteArray name;
    unsigned char type = DT_UNKNOWN;
};

// What `entry` of the folder open at `dirFd` is, not following a symlinked folder. With `size`,
// a file's size goes into it; without, an entry the folder records as a folder or a regular file
// needs no stat.
Kind kindOf(int dirFd, const Entry& entry, qint64* size)
{
    if (entry.type == DT_DIR)
        return Kind::Folder;
    if (entry.type == DT_REG && !size)
        return Kind::File;
    const char* name = entry.name.constData();
    struct stat st {};
    if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Kind::Other;
    if (S_ISDIR(st.st_mode))
        return Kind::Folder;
    if (S_ISREG(st.st_mode)) {
        if (size)
            *size = qint64(st.st_size);
        return Kind::File;
    }
    if (!S_ISLNK(st.st_mode))
        return Kind::Other;
    if (fstatat(dirFd, name, &st, 0) != 0)
        return Kind::File; // dangling: counting it reports why
    if (S_ISDIR(st.st_mode))
        return Kind::Other;
    if (size)
        *size = qint64(st.st_size);
    return S_ISREG(st.st_mode) ? Kind::File : Kind::Other;
}

// The entries of `dir`, without "." and ".."; false with errno set.
bool readEntries(DIR* dir, std::vector<Entry>& entries)
{
    errno = 0;
    while (const dirent* entry = readdir(dir)) {
        const char* n = entry->d_name;
        if (std::strcmp(n, ".") != 0 && std::strcmp(n, "..") != 0)
            entries.push_back({QByteArray(n), entry->d_type});
        errno = 0;
    }
    return errno == 0;
}

} // namespace

WalkFilter::WalkFilter(const WalkRules& rules)
{
    for (const QString& p : rules.fileType.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = p.trimmed();
        if (pattern.isEmpty())
            continue;
        m_patterns.push_back(QRegularExpression::fromWildcard(pattern));
        const bool simple =
            pattern.size() > 2 && pattern.startsWith(QStringLiteral("*.")) &&
            std::all_of(pattern.begin() + 2, pattern.end(), [](QChar c) {
                return c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'_' || c == u'-');
            });
        m_suffixes.push_back(simple ? pattern.sliced(1).toLatin1().toLower() : QByteArray());
    }
    for (const QString& e : rules.excludes) {
        Exclude x;
        x.glob = QFile::encodeName(e);
        while (x.glob.size() > 1 && x.glob.endsWith('/')) {
            x.glob.chop(1);
            x.foldersOnly = true;
        }
        x.byPath = x.glob.contains('/');
        m_excludes.push_back(x);
    }
}

bool WalkFilter::excluded(const QByteArray& relative, const QByteArray& name, bool folder) const
{
    for (const Exclude& x : m_excludes) {
        if (x.foldersOnly && !folder)
            continue;
        const bool hit = x.byPath
                             ? fnmatch(x.glob.constData(), relative.constData(), FNM_PATHNAME) == 0
                             : fnmatch(x.glob.constData(), name.constData(), 0) == 0;
        if (hit)
            return true;
    }
    return false;
}

bool WalkFilter::typeMatches(const QByteArray& name) const
{
    if (m_patterns.empty())
        return true;
    // An ASCII name against an ASCII extension: case folds within ASCII alone, so a plain
    // comparison answers as the expression would.
    const bool ascii =
        std::all_of(name.begin(), name.end(), [](char c) { return uchar(c) < 0x80; });
    QString text;
    for (size_t i = 0; i < m_patterns.size(); ++i) {
        const QByteArray& suffix = m_suffixes[i];
        if (ascii && !suffix.isEmpty()) {
            if (name.size() >= suffix.size() &&
                qstrnicmp(name.constData() + name.size() - suffix.size(), suffix.constData(),
                          size_t(suffix.size())) == 0)
                return true;
            continue;
        }
        if (text.isNull())
            text = QFile::decodeName(name);
        if (m_patterns[i].match(text).hasMatch())
            return true;
    }
    return false;
}

bool WalkFilter::keeps(const QByteArray& relative, bool folder) const
{
    const QByteArray name = relative.mid(relative.lastIndexOf('/') + 1);
    return !excluded(relative, name, folder) && (folder || typeMatches(name));
}

FolderWalkResult WalkFolder(const QByteArray& folder, const WalkRules& rules)
{
    FolderWalkResult result;
    QByteArray root = folder;
    while (root.size() > 1 && root.endsWith('/'))
        root.chop(1);
    const QByteArray base = root == "/" ? root : root + '/';

    GitIgnore git;
    if (rules.gitIgnore) {
        QString reason;
        if (!git.open(root, reason))
            result.errors.push_back({root, reason});
    }
    const WalkFilter filter(rules);
    std::vector<std::pair<QByteArray, qint64>> found;

    // Folders still to read, as paths below the walked folder ("" for itself, else ending in
    // "/"); a stack, so the depth of the tree never deepens the call stack.
    std::vector<QByteArray> pending{QByteArray()};
    while (!pending.empty()) {
        const QByteArray relativeFolder = pending.back();
        pending.pop_back();
        const QByteArray folderPath =
            relativeFolder.isEmpty() ? root : base + relativeFolder.chopped(1);
        // Open while its entries are looked at, so that each is found from it by name alone.
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folderPath.constData()), closedir);
        std::vector<Entry> entries;
        if (!dir || !readEntries(dir.get(), entries)) {
            result.errors.push_back({folderPath, systemReason(errno)});
            continue;
        }
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.name < b.name; });
        std::vector<QByteArray> subfolders;
        for (const Entry& entry : entries) {
            const QByteArray& name = entry.name;
            if (name == ".git")
                continue;
            const QByteArray relative = relativeFolder + name;
            qint64 size = 0;
            const Kind kind = kindOf(dirfd(dir.get()), entry, rules.sizes ? &size : nullptr);
            if (kind == Kind::Other)
                continue;
            const bool isFolder = kind == Kind::Folder;
            if (filter.excluded(relative, name, isFolder))
                continue;
            if (git.active() && git.ignored(relative, isFolder))
                continue;
            if (isFolder)
                subfolders.push_back(relative + '/');
            else if (filter.typeMatches(name))
                found.emplace_back(base + relative, size);
        }
        // Reversed onto the stack, so folders are read in name order and errors come in it.
        pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
    }
    std::sort(found.begin(), found.end());
    for (auto& [path, size] : found) {
        result.files.push_back(std::move(path));
        result.sizes.push_back(size);
    }
    return result;
}
