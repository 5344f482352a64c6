#include "lineendings.h"

#include <cstring>

#include <QFile>

#include "run/runrequest.h"
#include "text/fileio.h"

namespace {

constexpr qint64 kBlockSize = 1 << 20;

QString describe(const QString& path, const QString& cause)
{
    return path + QStringLiteral(": ") + cause;
}

// Reads the file from its start until the decision can be made. True: leave it as it is.
bool alreadyTarget(QFile& file, LineEnd target)
{
    QByteArray block(kBlockSize, Qt::Uninitialized);
    char previous = 0;
    bool crPending = false; // the first CR was the last byte of the previous block
    for (;;) {
        const qint64 n = file.read(block.data(), block.size());
        if (n <= 0)
            return crPending && target == LineEnd::Cr; // a CR at the very end is lone
        for (qint64 i = 0; i < n; ++i) {
            const char c = block[i];
            if (crPending)
                return target == LineEnd::Cr ? c != '\n' : c == '\n';
            if (c == '\r') {
                if (target == LineEnd::Cr || target == LineEnd::CrLf)
                    crPending = true;
            } else if (c == '\n') {
                if (target == LineEnd::Lf)
                    return previous != '\r';
                if (target == LineEnd::CrLf)
                    return false; // an LF before any CR
            }
            previous = c;
        }
    }
}

} // namespace

QString LineEndName(LineEnd end)
{
    switch (end) {
    case LineEnd::CrLf:
        return QStringLiteral("CR+LF");
    case LineEnd::Cr:
        return QStringLiteral("CR");
    case LineEnd::Lf:
        return QStringLiteral("LF");
    }
    return QString();
}

QString LineEndWord(LineEnd end)
{
    return LineEndName(end).remove(u'+').toLower();
}

std::optional<LineEnd> LineEndFromWord(QStringView word)
{
    for (const LineEnd end : LineEnds) {
        if (word == LineEndWord(end))
            return end;
    }
    return std::nullopt;
}

// ProcessModes::ToCrLf, ToCr and ToLf follow the order of LineEnd.
std::optional<LineEnd> LineEndForProcessMode(qint16 processMode)
{
    if (!ProcessModes::isConversion(processMode))
        return std::nullopt;
    return LineEnds[size_t(processMode - ProcessModes::ToCrLf)];
}

qint16 ProcessModeForLineEnd(LineEnd end)
{
    return qint16(ProcessModes::ToCrLf + int(end));
}

bool ConvertLineEnds(const QString& path, LineEnd target, ConversionResult& result, QString* error)
{
    result = ConversionResult{};
    auto fail = [&](const QString& cause) {
        if (error)
            *error = describe(path, cause);
        return false;
    };
    if (!FileIo::checkRegularFile(path, error))
        return false;
    QFile in;
    QString reason;
    if (!FileIo::openForReading(path, in, QIODevice::ReadOnly, &reason))
        return fail(reason);
    result.size = in.size();
    if (alreadyTarget(in, target))
        return true;
    if (!in.seek(0))
        return fail(in.errorString());

    // Through a link the target is converted; a file with other names (hard links) is refused
    // rather than split from them.
    FileIo::AtomicFile out(path, {.followSymlink = true, .refuseHardLinks = true});
    auto failOut = [&] {
        if (error)
            *error = out.errorString();
        return false;
    };
    if (!out.open())
        return failOut();
    const QByteArray eol = target == LineEnd::CrLf ? QByteArrayLiteral("\r\n")
                           : target == LineEnd::Cr ? QByteArrayLiteral("\r")
                                                   : QByteArrayLiteral("\n");
    QByteArray block(kBlockSize, Qt::Uninitialized);
    QByteArray converted;
    converted.reserve(kBlockSize * 2);
    bool skipLf = false; // the previous block ended in CR: an LF opening this one is its pair
    for (;;) {
        const qint64 n = in.read(block.data(), block.size());
        if (n < 0)
            return fail(in.errorString());
        if (n == 0)
            break;
        converted.clear();
        const char* p = block.constData();
        qint64 i = 0;
        if (skipLf && p[0] == '\n')
            i = 1;
        skipLf = false;
        qint64 nextLf = -1; // the next LF at or after i, or n
        while (i < n) {
            // Copy the run up to the next CR or LF in one go; the next LF is remembered so a
            // file of lone CRs is not rescanned for it on every line.
            if (nextLf < i) {
                const void* lf = std::memchr(p + i, '\n', size_t(n - i));
                nextLf = lf ? static_cast<const char*>(lf) - p : n;
            }
            const void* cr = std::memchr(p + i, '\r', size_t(nextLf - i));
            const qint64 j = cr ? static_cast<const char*>(cr) - p : nextLf;
            converted.append(p + i, j - i);
            if (j == n)
                break;
            converted.append(eol);
            qint64 next = j + 1;
            if (p[j] == '\r') {
                if (next < n) {
                    if (p[next] == '\n')
                        ++next;
                } else {
                    skipLf = true;
                }
            }
            i = next;
        }
        if (!out.write(converted))
            return failOut();
    }
    if (!out.commit())
        return failOut();
    result.converted = true;
    return true;
}
