#pragma once

#include <csignal>
#include <stdexcept>

#include <sys/resource.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Small helpers shared by the test programs.
namespace testutil {

// Writes a file a test needs. A failure throws, which ends the calling test itself: a failed
// assertion here would only return from this helper and let the test go on.
inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                                 f.errorString().toStdString());
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

inline QString u8(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// While it lives, no file this process writes may grow past `bytes`: writes beyond fail with
// EFBIG, as a full disk makes them fail with ENOSPC.
class FileSizeLimit final {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
};

} // namespace testutil

// gtest prints QStrings and byte arrays readably: bytes outside printable ASCII as \xNN.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    static const char hex[] = "0123456789ABCDEF";
    *os << '"';
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x20 && b < 0x7f && b != '\\' && b != '"')
            *os << ch;
        else
            *os << "\\x" << hex[b >> 4] << hex[b & 15];
    }
    *os << '"';
}
