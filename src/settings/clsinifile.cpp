#include "clsinifile.h"

#include <algorithm>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include "text/cp932.h"
#include "text/fileio.h"

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimBlanks(QByteArrayView v)
{
    while (!v.isEmpty() && isBlank(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && isBlank(v.back()))
        v.chop(1);
    return v;
}

QString trimBlanks(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t'))
        ++b;
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t'))
        --e;
    return s.mid(b, e - b);
}

// One line of a profile file, as positions into the file's bytes.
struct IniLine {
    enum class Kind { Other, Section, BrokenSection, Entry };
    Kind kind = Kind::Other;
    qsizetype begin = 0;
    qsizetype contentEnd = 0; // before the line end
    qsizetype next = 0;       // after the line end
    QByteArrayView name;      // section name or key, without surrounding blanks
    qsizetype valueBegin = 0; // entries: first byte after "="
};

// Position of the first "]" that is not the trail byte of a double-byte character.
qsizetype findClosingBracket(QByteArrayView v)
{
    for (qsizetype i = 0; i < v.size(); ++i) {
        const auto b = static_cast<unsigned char>(v[i]);
        if (b == ']')
            return i;
        if (Cp932::isLeadByte(b) && i + 1 < v.size())
            ++i;
    }
    return -1;
}

// The line that starts at `pos` (CR LF, LF or a lone CR ends it), classified.
IniLine readLine(QByteArrayView data, qsizetype pos)
{
    IniLine line;
    const qsizetype n = data.size();
    line.begin = pos;
    qsizetype end = pos;
    while (end < n && data[end] != '\n' && data[end] != '\r')
        ++end;
    line.contentEnd = end;
    if (end < n && data[end] == '\r' && end + 1 < n && data[end + 1] == '\n')
        line.next = end + 2;
    else
        line.next = end < n ? end + 1 : end;

    const QByteArrayView content = data.sliced(line.begin, line.contentEnd - line.begin);
    const QByteArrayView lead = trimBlanks(content);
    if (lead.startsWith('[')) {
        const qsizetype close = findClosingBracket(lead.sliced(1));
        if (close < 0) {
            line.kind = IniLine::Kind::BrokenSection;
        } else {
            line.kind = IniLine::Kind::Section;
            line.name = trimBlanks(lead.sliced(1, close));
        }
    } else if (!lead.startsWith(';')) {
        const qsizetype eq = content.indexOf('=');
        if (eq >= 0) {
            line.kind = IniLine::Kind::Entry;
            line.name = trimBlanks(content.first(eq));
            line.valueBegin = line.begin + eq + 1;
        }
    }
    return line;
}

// Every line of the file, for the writers that rebuild it.
std::vector<IniLine> scanLines(QByteArrayView data)
{
    std::vector<IniLine> lines;
    for (qsizetype pos = 0; pos < data.size(); pos = lines.back().next)
        lines.push_back(readLine(data, pos));
    return lines;
}

// Compares names from the file with one wanted name without regard to case. Names that match
// have the same CP932 length (case pairs are both one or both two bytes), which rules out most
// lines of a large file before anything is decoded; ASCII names compare as bytes.
class NameMatcher {
public:
    explicit NameMatcher(const QString& wanted)
        : m_wanted(wanted)
        , m_bytes(Cp932::encode(wanted))
    {
    }

    bool operator()(QByteArrayView raw) const
    {
        if (raw.size() != m_bytes.size())
            return false;
        bool ascii = true;
        for (qsizetype i = 0; i < raw.size() && ascii; ++i)
            ascii = (uchar(raw[i]) | uchar(m_bytes[i])) < 0x80;
        if (ascii)
            return QByteArrayView(m_bytes).compare(raw, Qt::CaseInsensitive) == 0;
        return Cp932::decode(raw).compare(m_wanted, Qt::CaseInsensitive) == 0;
    }

private:
    QString m_wanted;
    QByteArray m_bytes;
};

// Lines [first, last) of the first section named `section`; first = -1 when there is none.
struct SectionRange {
    qsizetype header = -1;
    qsizetype first = -1;
    qsizetype last = -1;
};

SectionRange findSection(const std::vector<IniLine>& lines, const QString& section)
{
    const NameMatcher sameName(section);
    SectionRange r;
    const auto count = static_cast<qsizetype>(lines.size());
    for (qsizetype i = 0; i < count; ++i) {
        const IniLine& l = lines[size_t(i)];
        if (r.header < 0) {
            if (l.kind == IniLine::Kind::Section && sameName(l.name)) {
                r.header = i;
                r.first = i + 1;
                r.last = count;
            }
        } else if (l.kind == IniLine::Kind::Section || l.kind == IniLine::Kind::BrokenSection) {
            r.last = i;
            break;
        }
    }
    return r;
}

bool hasLineBreakOrNul(const QString& s)
{
    return s.contains(u'\r') || s.contains(u'\n') || s.contains(QChar(0));
}

bool isStorableKey(const QString& key)
{
    return !key.isEmpty() && !key.contains(u'=') && !key.startsWith(u'[') &&
           !key.startsWith(u';') && !hasLineBreakOrNul(key);
}

bool isStorableSection(const QString& section)
{
    return !section.isEmpty() && !section.contains(u']') && !hasLineBreakOrNul(section);
}

QByteArray sectionHeader(const QString& section)
{
    return '[' + Cp932::encode(section) + ']' + kLineEnd;
}

// Bytes to put before text appended at the end of `data`, so it starts on a line of its own.
QByteArray lineBreakBeforeAppend(QByteArrayView data)
{
    if (data.isEmpty() || data.back() == '\n' || data.back() == '\r')
        return {};
    return kLineEnd;
}

// Longer than any one write holds the lock; a lock left by a process that died on this machine
// is taken over at once, this age only matters for one whose owner cannot be checked.
constexpr std::chrono::seconds kStaleLockAge{30};

// The lock sits beside the file that is actually replaced: for a symlink its target, as the
// atomic writer follows symlinks too.
QString lockPathFor(const QString& file)
{
    QFileInfo info(file);
    for (int depth = 0; depth < 128 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return (info.isSymLink() ? file : info.filePath()) + QStringLiteral(".lock");
}

QString lockFailure(const QString& file, const QLockFile& lock, const QString& lockPath)
{
    switch (lock.error()) {
    case QLockFile::LockFailedError:
        return file + QStringLiteral(": the settings file is locked by another program (") +
               lockPath + u')';
    case QLockFile::PermissionError:
        return file + QStringLiteral(": no permission to create the lock file ") + lockPath;
    default:
        if (!QFileInfo(lockPath).dir().exists())
            return file + QStringLiteral(": the folder does not exist");
        return file + QStringLiteral(": cannot create the lock file ") + lockPath;
    }
}

// One read-modify-write under the file's lock, so that concurrent writers in other processes
// do not lose each other's changes. `edit` gets the file's bytes (empty when there is no file)
// and returns the new content, or std::nullopt when nothing needs writing.
template <typename Edit>
bool rewriteLocked(const QString& file, std::chrono::milliseconds wait, QString& error, Edit edit)
{
    const QString lockPath = lockPathFor(file);
    QLockFile lock(lockPath);
    lock.setStaleLockTime(kStaleLockAge);
    if (!lock.tryLock(std::max(wait, std::chrono::milliseconds(0)))) {
        error = lockFailure(file, lock, lockPath);
        return false;
    }
    QByteArray data;
    if (QFileInfo::exists(file) && !FileIo::readRegularFile(file, data, &error))
        return false;
    const std::optional<QByteArray> out = edit(data);
    return !out || FileIo::writeFileAtomically(file, *out, &error);
}

} // namespace

void clsIniFile::readOnce()
{
    QByteArray data;
    if (!FileIo::readRegularFile(m_fileName, data))
        data.clear();
    m_held = std::move(data);
}

std::optional<QByteArray> clsIniFile::rawValue(const QString& section, const QString& key) const
{
    QByteArray read;
    if (!m_held && !FileIo::readRegularFile(m_fileName, read))
        return std::nullopt;
    const QByteArray& data = m_held ? *m_held : read;
    const NameMatcher sameSection(trimBlanks(section));
    const NameMatcher sameKey(trimBlanks(key));
    // One pass that stops at the key or where the first section of that name ends.
    bool inSection = false;
    for (qsizetype pos = 0; pos < data.size();) {
        const IniLine l = readLine(data, pos);
        pos = l.next;
        if (l.kind == IniLine::Kind::Section || l.kind == IniLine::Kind::BrokenSection) {
            if (inSection)
                return std::nullopt;
            inSection = l.kind == IniLine::Kind::Section && sameSection(l.name);
        } else if (inSection && l.kind == IniLine::Kind::Entry && sameKey(l.name)) {
            return data.sliced(l.valueBegin, l.contentEnd - l.valueBegin);
        }
    }
    return std::nullopt;
}

QString clsIniFile::mGetString(const QString& strSection, const QString& strKey,
                               const QString& strDefault) const
{
    const std::optional<QByteArray> raw = rawValue(strSection, strKey);
    if (!raw || raw->isEmpty())
        return strDefault;
    return Cp932::decode(*raw);
}

std::optional<qint16> clsIniFile::mGetInteger(const QString& strSection, const QString& strKey,
                                              qint16 intDefault) const
{
    const std::optional<QByteArray> raw = rawValue(strSection, strKey);
    if (!raw || raw->isEmpty())
        return intDefault;
    qsizetype i = 0;
    const bool negative = raw->at(0) == '-';
    if (negative)
        ++i;
    qint64 value = 0;
    bool any = false;
    for (; i < raw->size() && raw->at(i) >= '0' && raw->at(i) <= '9'; ++i) {
        any = true;
        value = value * 10 + (raw->at(i) - '0');
        if (value > 32768)
            return std::nullopt;
    }
    if (!any)
        return qint16(0);
    if (negative)
        value = -value;
    if (value > 32767)
        return std::nullopt;
    return qint16(value);
}

bool clsIniFile::mSetString(const QString& strSection, const QString& strKey,
                            const QString& strValue)
{
    m_held.reset();
    const QString section = trimBlanks(strSection);
    const QString key = trimBlanks(strKey);
    if (!isStorableSection(section) || !isStorableKey(key) || hasLineBreakOrNul(strValue)) {
        m_error = m_fileName +
                  QStringLiteral(": a section, key or value with a line break, NUL, \"=\" or "
                                 "\"]\" cannot be stored");
        return false;
    }
    const QByteArray value = Cp932::encode(strValue);
    return rewriteLocked(
        m_fileName, m_lockWait, m_error, [&](const QByteArray& data) -> std::optional<QByteArray> {
            const std::vector<IniLine> lines = scanLines(data);
            const SectionRange range = findSection(lines, section);
            if (range.header < 0) {
                return data + lineBreakBeforeAppend(data) + sectionHeader(section) +
                       Cp932::encode(key) + '=' + value + kLineEnd;
            }
            const NameMatcher sameKey(key);
            qsizetype insertAfter = range.header;
            for (qsizetype i = range.first; i < range.last; ++i) {
                const IniLine& l = lines[size_t(i)];
                if (l.kind != IniLine::Kind::Entry)
                    continue;
                if (sameKey(l.name))
                    return data.first(l.valueBegin) + value + data.sliced(l.contentEnd);
                insertAfter = i;
            }
            const IniLine& anchor = lines[size_t(insertAfter)];
            const QByteArrayView before = QByteArrayView(data).first(anchor.next);
            return before.toByteArray() + lineBreakBeforeAppend(before) + Cp932::encode(key) + '=' +
                   value + kLineEnd + data.sliced(anchor.next);
        });
}

bool clsIniFile::mSetSection(const QString& strSection, const QString& strValue)
{
    m_held.reset();
    const QString section = trimBlanks(strSection);
    QByteArray entries;
    bool valid = isStorableSection(section);
    // The list ends at the string's end or at an empty item (two NULs in a row).
    for (const QString& item : strValue.split(QChar(0))) {
        if (item.isEmpty() || !valid)
            break;
        const qsizetype eq = item.indexOf(u'=');
        if (eq < 0 || !isStorableKey(trimBlanks(item.first(eq))) || hasLineBreakOrNul(item))
            valid = false;
        entries += Cp932::encode(item) + kLineEnd;
    }
    if (!valid) {
        m_error = m_fileName + QStringLiteral(": section \"") + strSection +
                  QStringLiteral("\": every item must be key=value on one line");
        return false;
    }

    // Removing a section the file does not have writes nothing, so it needs no lock (and
    // succeeds where no lock file could be created).
    if (entries.isEmpty()) {
        QByteArray data;
        if (!QFileInfo::exists(m_fileName) || (FileIo::readRegularFile(m_fileName, data) &&
                                               findSection(scanLines(data), section).header < 0))
            return true;
    }

    return rewriteLocked(
        m_fileName, m_lockWait, m_error, [&](const QByteArray& data) -> std::optional<QByteArray> {
            const std::vector<IniLine> lines = scanLines(data);
            const SectionRange range = findSection(lines, section);
            if (range.header < 0) {
                if (entries.isEmpty())
                    return std::nullopt; // nothing to remove, nothing to add
                return data + lineBreakBeforeAppend(data) + sectionHeader(section) + entries;
            }

            // Drop the section's entry lines; the new entries go where the first one stood,
            // or right under the header when the section had none.
            QByteArray body;
            bool placed = false;
            for (qsizetype i = range.first; i < range.last; ++i) {
                const IniLine& l = lines[size_t(i)];
                if (l.kind == IniLine::Kind::Entry) {
                    if (!placed)
                        body += entries;
                    placed = true;
                    continue;
                }
                body += QByteArrayView(data).sliced(l.begin, l.next - l.begin);
            }
            if (!placed)
                body.prepend(entries);
            QByteArray out = data.first(lines[size_t(range.header)].next);
            out += lineBreakBeforeAppend(out) + body;
            if (range.last < static_cast<qsizetype>(lines.size()))
                out += data.sliced(lines[size_t(range.last)].begin);
            return out;
        });
}
