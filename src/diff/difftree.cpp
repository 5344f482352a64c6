#include "difftree.h"

#include <algorithm>
#include <mutex>

#include <git2.h>

#include <QBuffer>
#include <QHash>
#include <QFile>

#include "diff/libgit.h"
#include "text/fileio.h"
#include "text/pathbytes.h"

FolderTree::FolderTree(const QString& folder, const std::vector<QByteArray>& files)
{
    m_name = folder;
    QByteArray root = EncodePath(folder);
    while (root.size() > 1 && root.endsWith('/'))
        root.chop(1);
    m_base = root == "/" ? root : root + '/';
    for (const QByteArray& path : files)
        m_files.push_back(path.startsWith(m_base) ? path.mid(m_base.size()) : path);
    std::sort(m_files.begin(), m_files.end());
}

qint64 FolderTree::size(const QByteArray& relative) const
{
    return FileIo::regularFileSize(DecodePath(m_base + relative)).value_or(0);
}

std::unique_ptr<QIODevice> FolderTree::open(const QByteArray& relative, QString& error) const
{
    const QString path = DecodePath(m_base + relative);
    if (const QString problem = FileIo::regularFileProblem(path); !problem.isEmpty()) {
        error = problem;
        return nullptr;
    }
    auto file = std::make_unique<QFile>();
    if (!FileIo::openForReading(path, *file, QIODevice::ReadOnly | QIODevice::Unbuffered, &error))
        return nullptr;
    return file;
}

QString FolderTree::displayName(const QByteArray& relative) const
{
    return DecodePath(m_base + relative);
}

namespace {

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

std::vector<QByteArray> justThe(const QString& path)
{
    return {EncodePath(path)};
}

} // namespace

SingleFileTree::SingleFileTree(const QString& path, const QByteArray& relative)
    : m_file(folderOf(path), justThe(path))
    , m_relative(relative)
{
    m_name = path;
    m_files = {relative};
}

qint64 SingleFileTree::size(const QByteArray&) const
{
    return m_file.size(m_file.files().front());
}

std::unique_ptr<QIODevice> SingleFileTree::open(const QByteArray&, QString& error) const
{
    return m_file.open(m_file.files().front(), error);
}

QString SingleFileTree::displayName(const QByteArray&) const
{
    return m_file.displayName(m_file.files().front());
}

namespace {

using RepoPtr = std::unique_ptr<git_repository, LibGit::Free>;
using TreePtr = std::unique_ptr<git_tree, LibGit::Free>;
using ObjectPtr = std::unique_ptr<git_object, LibGit::Free>;
using BlobPtr = std::unique_ptr<git_blob, LibGit::Free>;
using OdbPtr = std::unique_ptr<git_odb, LibGit::Free>;

struct WalkState {
    const TreeFilter* keep = nullptr;
    std::vector<std::pair<QByteArray, git_oid>> blobs;
};

int visit(const char* root, const git_tree_entry* entry, void* payload)
{
    auto* state = static_cast<WalkState*>(payload);
    const LibGit::Api& git = LibGit::api();
    const QByteArray relative = QByteArray(root) + git.git_tree_entry_name(entry);
    const git_filemode_t mode = git.git_tree_entry_filemode(entry);
    if (mode == GIT_FILEMODE_TREE)
        return (*state->keep)(relative, true) ? 0 : 1; // 1 skips the folder
    if ((mode == GIT_FILEMODE_BLOB || mode == GIT_FILEMODE_BLOB_EXECUTABLE) &&
        (*state->keep)(relative, false))
        state->blobs.emplace_back(relative, *git.git_tree_entry_id(entry));
    return 0;
}

} // namespace

struct GitTree::Data {
    RepoPtr repo;
    // libgit2 objects of one repository are not shared between threads: reads take turns.
    mutable std::mutex mutex;
    QHash<QByteArray, std::pair<git_oid, qint64>> blobs;
    QString revision;
};

GitTree::~GitTree() = default;

std::unique_ptr<GitTree> GitTree::open(const QString& repository, const QString& revision,
                                       const TreeFilter& keep, QString& why)
{
    QString unloaded;
    const LibGit::Api* loaded = LibGit::load(unloaded);
    if (!loaded) {
        why = repository + QStringLiteral(": ") + unloaded;
        return nullptr;
    }
    const LibGit::Api& git = *loaded;
    git_repository* rawRepo = nullptr;
    if (git.git_repository_open_ext(&rawRepo, EncodePath(repository).constData(),
                                    GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr) != 0) {
        why = repository + QStringLiteral(": not a git repository");
        return nullptr;
    }
    RepoPtr repo(rawRepo);
    git_object* rawObject = nullptr;
    if (git.git_revparse_single(&rawObject, repo.get(), revision.toUtf8().constData()) != 0) {
        why = revision + QStringLiteral(": no such revision in ") + repository;
        return nullptr;
    }
    ObjectPtr object(rawObject);
    git_object* rawTree = nullptr;
    if (git.git_object_peel(&rawTree, object.get(), GIT_OBJECT_TREE) != 0) {
        why = revision + QStringLiteral(": not a revision with a tree");
        return nullptr;
    }
    TreePtr tree(reinterpret_cast<git_tree*>(rawTree));

    WalkState state;
    state.keep = &keep;
    if (git.git_tree_walk(tree.get(), GIT_TREEWALK_PRE, visit, &state) != 0) {
        why = repository + QStringLiteral(": ") + LibGit::lastError();
        return nullptr;
    }
    git_odb* rawOdb = nullptr;
    if (git.git_repository_odb(&rawOdb, repo.get()) != 0) {
        why = repository + QStringLiteral(": ") + LibGit::lastError();
        return nullptr;
    }
    OdbPtr odb(rawOdb);

    std::unique_ptr<GitTree> result(new GitTree);
    result->d = std::make_unique<Data>();
    result->m_name = repository + u'@' + revision;
    result->d->revision = revision;
    for (const auto& [relative, oid] : state.blobs) {
        size_t size = 0;
        git_object_t type{};
        if (git.git_odb_read_header(&size, &type, odb.get(), &oid) != 0)
            size = 0;
        result->m_files.push_back(relative);
        result->d->blobs.insert(relative, std::make_pair(oid, qint64(size)));
    }
    std::sort(result->m_files.begin(), result->m_files.end());
    result->d->repo = std::move(repo);
    return result;
}

qint64 GitTree::size(const QByteArray& relative) const
{
    const auto it = d->blobs.find(relative);
    return it == d->blobs.end() ? 0 : it->second;
}

std::unique_ptr<QIODevice> GitTree::open(const QByteArray& relative, QString& error) const
{
    const auto it = d->blobs.find(relative);
    if (it == d->blobs.end()) {
        error = QStringLiteral("no such file");
        return nullptr;
    }
    QByteArray content;
    {
        const std::lock_guard lock(d->mutex);
        const LibGit::Api& git = LibGit::api();
        git_blob* rawBlob = nullptr;
        if (git.git_blob_lookup(&rawBlob, d->repo.get(), &it->first) != 0) {
            error = LibGit::lastError();
            return nullptr;
        }
        const BlobPtr blob(rawBlob);
        content = QByteArray(static_cast<const char*>(git.git_blob_rawcontent(blob.get())),
                             qsizetype(git.git_blob_rawsize(blob.get())));
    }
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(content);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

QString GitTree::displayName(const QByteArray& relative) const
{
    return d->revision + u':' + DecodePath(relative);
}
