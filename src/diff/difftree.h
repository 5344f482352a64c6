#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QIODevice>
#include <QString>

// One side of a diff: the files of a tree by their paths below its root ("/"-separated bytes as
// stored, in byte order). Reading may happen from several threads at once.
class DiffTree {
public:
    virtual ~DiffTree() = default;

    const std::vector<QByteArray>& files() const { return m_files; }
    // The tree as the user named it.
    const QString& name() const { return m_name; }

    // The file's size in bytes, for the progress; 0 when unknown.
    virtual qint64 size(const QByteArray& relative) const = 0;
    // The file open for reading, or null with `error` set to the reason.
    virtual std::unique_ptr<QIODevice> open(const QByteArray& relative, QString& error) const = 0;
    // How messages name the file.
    virtual QString displayName(const QByteArray& relative) const = 0;

protected:
    std::vector<QByteArray> m_files;
    QString m_name;
};

// A folder on disk with the files a walk found in it.
class FolderTree final : public DiffTree {
public:
    // `folder` as the user gave it (lossless, see DecodePath); `files` are full paths below it,
    // as WalkFolder returns them.
    FolderTree(const QString& folder, const std::vector<QByteArray>& files);

    qint64 size(const QByteArray& relative) const override;
    std::unique_ptr<QIODevice> open(const QByteArray& relative, QString& error) const override;
    QString displayName(const QByteArray& relative) const override;

private:
    QByteArray m_base; // the folder's bytes ending in "/"
};

// One file on disk standing for a tree that holds it under `relative`: two files of any names
// are compared by giving both the same `relative`.
class SingleFileTree final : public DiffTree {
public:
    SingleFileTree(const QString& path, const QByteArray& relative);

    qint64 size(const QByteArray& relative) const override;
    std::unique_ptr<QIODevice> open(const QByteArray& relative, QString& error) const override;
    QString displayName(const QByteArray& relative) const override;

private:
    FolderTree m_file;
    QByteArray m_relative;
};

// Which files of a git tree take part: `relative` is a path below the root; `folder` says it is
// a folder (then only exclusions apply).
using TreeFilter = std::function<bool(const QByteArray& relative, bool folder)>;

// The tree of a revision in a git repository (a work tree's or a bare one), read from the
// repository's objects without a checkout. Symbolic links and submodules are not files.
class GitTree final : public DiffTree {
public:
    ~GitTree() override;

    // `repository` must be a repository itself (its work tree, its .git folder or a bare
    // repository), not a folder inside one; `revision` anything git resolves to a tree. Null,
    // with `why` set, when either fails.
    static std::unique_ptr<GitTree> open(const QString& repository, const QString& revision,
                                         const TreeFilter& keep, QString& why);

    qint64 size(const QByteArray& relative) const override;
    std::unique_ptr<QIODevice> open(const QByteArray& relative, QString& error) const override;
    QString displayName(const QByteArray& relative) const override;

private:
    GitTree() = default;

    struct Data;
    std::unique_ptr<Data> d;
};
