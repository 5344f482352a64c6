#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QString>

// Whole-file reading and writing with the safety rules every writer of the program follows.
namespace FileIo {

// The largest file readRegularFile reads by default: settings, mode and template files are a few
// KiB; a larger one is damage or a mistake, and reading it whole could exhaust memory.
inline constexpr qint64 kMaxWholeFileSize = qint64(64) << 20;

// A size limit as error messages give it: "16 MiB", or "100 bytes" below a whole MiB.
QString LimitText(qint64 bytes);

// Why `path` cannot be read as a regular file: "no such file", "is a folder, not a file" or "not
// a regular file" (FIFOs, devices); "" when it is one.
QString regularFileProblem(const QString& path);

struct FileFacts {
    qint64 size = 0;
    QDateTime modified; // local time, to the millisecond
};

// Size and last-modified time of `path` when it is a regular file (links followed).
std::optional<FileFacts> regularFileFacts(const QString& path);
// The size alone: no local-time conversion (which has the C library stat /etc/localtime).
std::optional<qint64> regularFileSize(const QString& path);

// True when `path` is a folder (links followed).
bool isFolder(const QString& path);

struct FolderEntry {
    QString name; // lossless (see DecodePath)
    bool folder = false;
};

// The visible entries of a folder (names not starting with "."), by their own bytes: folders
// and regular files, symlinks judged by what they point to; dangling links, fifos, sockets and
// devices are left out. In no particular order; empty when the folder cannot be read.
std::vector<FolderEntry> listFolder(const QString& path);

// False, with `error` set to the path, ": " and regularFileProblem, when `path` is not a
// regular file.
bool checkRegularFile(const QString& path, QString* error = nullptr);

// Opens `path` by its own bytes (see DecodePath) into `file` for reading with `mode`; false with
// `reason` set to the system's reason when it cannot.
bool openForReading(const QString& path, QFile& file, QIODevice::OpenMode mode,
                    QString* reason = nullptr);

// A file read front to back by its descriptor with read(2) alone, up to the first end of file:
// the per-file path of counting, where QFile would add an fstat and seeks.
class SequentialFile final : public QIODevice {
public:
    SequentialFile() = default;
    ~SequentialFile() override;
    SequentialFile(const SequentialFile&) = delete;
    SequentialFile& operator=(const SequentialFile&) = delete;

    // Opens `path` by its own bytes (see DecodePath) for reading; false with `reason` set to the
    // system's reason when it cannot. (Not an overload of QIODevice::open, which it would hide.)
    bool openPath(const QString& path, QString* reason = nullptr);
    // The same for a regular file only: anything else is refused before it is opened, with
    // `reason` as regularFileProblem gives it. The size it has then spares the read that would
    // find its end.
    bool openRegular(const QString& path, QString* reason = nullptr);
    bool isSequential() const override { return true; }
    void close() override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    int m_fd = -1;
    bool m_atEnd = false;
    qint64 m_size = 0; // from openRegular: a short read that reaches it is the end
    qint64 m_read = 0;
};

// Reads a regular file whole. Refuses directories, FIFOs and devices (never blocks on them) and
// files larger than `maxSize`. On failure returns false and sets `error` to a message naming
// the file and the cause.
bool readRegularFile(const QString& path, QByteArray& out, QString* error = nullptr,
                     qint64 maxSize = kMaxWholeFileSize);

struct WriteOptions {
    // A symbolic link at the target name: true follows it and replaces the file it points to;
    // false refuses it (outputs, which may land in folders other users can write).
    bool followSymlink = true;
    // A file with several hard links: true refuses it; false replaces this name only, which
    // separates it from its other names.
    bool refuseHardLinks = false;
};

// Replaces a file through a temp file in the same folder: every write is checked to the last
// byte, the temp file is flushed to disk before it is renamed over the target, and the target's
// permissions (set-id bits included), owner and group are kept where the system allows. Until
// commit() succeeds the target is untouched; an uncommitted temp file is removed.
class AtomicFile final {
public:
    explicit AtomicFile(QString path, WriteOptions options = {});
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool open();
    bool write(QByteArrayView data);
    bool commit();
    // The path, a colon and the system's reason for the first failure.
    QString errorString() const { return m_error; }

private:
    bool fail(const QString& cause);
    bool failErrno(const QString& what);
    void discard();

    QString m_path;   // as given, for messages
    QString m_target; // the file replaced: m_path, or where its links lead
    QByteArray m_temp;
    WriteOptions m_options;
    int m_fd = -1;
    bool m_existed = false;
    unsigned m_mode = 0;
    unsigned m_uid = 0;
    unsigned m_gid = 0;
    QString m_error;
};

// AtomicFile with the whole content at once.
bool writeFileAtomically(const QString& path, QByteArrayView data, QString* error = nullptr,
                         WriteOptions options = {});

// Appends `data` to a regular file (created when missing) in one open and close. Never follows
// a symbolic link at `path`; a write that fails part-way is cut back, so the file holds all of
// `data` or none of it.
bool appendToFile(const QString& path, QByteArrayView data, QString* error = nullptr);

// The test writeFileAtomically makes before it writes: a missing file may be created, an
// existing one must be a regular file that is not read-only.
bool canReplace(const QString& path, QString* error = nullptr);

} // namespace FileIo
