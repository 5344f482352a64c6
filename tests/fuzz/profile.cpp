// clsIniFile on fuzzed profile files. Input: one operation line, LF, then the file's bytes.
// The operation line (see fuzz::ToUtf16) is "S|section|key|value" for mSetString or
// "E|section|key=value<NUL>key=value..." for mSetSection; anything else only reads.
//
// Reads are compared with a reference reader written from the file format: "[name]" opens a
// section, "key=value" is an entry, names match without regard to case and surrounding blanks,
// the value is everything after the first "=", the first of duplicate sections or keys wins.
// Writes must keep what they promise: a successful write reads back, entries it did not touch
// read as before, a refused write leaves the file byte for byte, no temp file is left behind.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "fuzzutil.h"
#include "settings/clsinifile.h"
#include "text/cp932.h"

namespace {

QString TrimBlanks(QStringView s)
{
    while (!s.isEmpty() && (s.front() == u' ' || s.front() == u'\t'))
        s = s.sliced(1);
    while (!s.isEmpty() && (s.back() == u' ' || s.back() == u'\t'))
        s.chop(1);
    return s.toString();
}

// A name as the file stores it: trimmed, then through the codec ("?" for what CP932 lacks).
QString Stored(const QString& name)
{
    return Cp932::decode(Cp932::encode(TrimBlanks(name)));
}

bool SameName(const QString& a, const QString& b)
{
    return Stored(a).compare(Stored(b), Qt::CaseInsensitive) == 0;
}

bool RoundTrips(const QString& s)
{
    return Cp932::decode(Cp932::encode(s)) == s;
}

struct RefLine {
    enum Kind { Other, Section, BrokenSection, Entry } kind = Other;
    QString name;
    QString value;
};

// CR LF, CR and LF end lines; trail bytes are never CR or LF, so the decoded file splits alike.
std::vector<RefLine> RefLines(const QByteArray& bytes)
{
    std::vector<RefLine> lines;
    const QString text = Cp932::decode(bytes);
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView content = QStringView(text).sliced(pos, end - pos);
        pos =
            end + ((end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n') ? 2 : 1);
        RefLine line;
        const QString lead = TrimBlanks(content);
        const qsizetype eq = content.indexOf(u'=');
        if (lead.startsWith(u'[')) {
            const qsizetype close = lead.indexOf(u']');
            line.kind = close < 0 ? RefLine::BrokenSection : RefLine::Section;
            if (close >= 0)
                line.name = TrimBlanks(QStringView(lead).sliced(1, close - 1));
        } else if (!lead.startsWith(u';') && eq >= 0) {
            line.kind = RefLine::Entry;
            line.name = TrimBlanks(content.first(eq));
            line.value = content.sliced(eq + 1).toString();
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::optional<QString> RefValue(const std::vector<RefLine>& lines, const QString& section,
                                const QString& key)
{
    bool inSection = false;
    for (const RefLine& l : lines) {
        if (l.kind == RefLine::Section || l.kind == RefLine::BrokenSection) {
            if (inSection)
                return std::nullopt; // only the first section of that name counts
            inSection = l.kind == RefLine::Section && SameName(l.name, section);
        } else if (inSection && l.kind == RefLine::Entry && SameName(l.name, key)) {
            return l.value;
        }
    }
    return std::nullopt;
}

// An optional "-" and digits at the start; nullopt outside 16 bits.
std::optional<qint16> RefInteger(const std::optional<QString>& value, qint16 fallback)
{
    if (!value || value->isEmpty())
        return fallback;
    qsizetype i = value->startsWith(u'-') ? 1 : 0;
    const bool negative = i == 1;
    qint64 n = 0;
    for (; i < value->size() && (*value)[i] >= u'0' && (*value)[i] <= u'9'; ++i) {
        n = n * 10 + ((*value)[i].unicode() - u'0');
        if (n > 100000)
            return std::nullopt;
    }
    if (negative)
        n = -n;
    if (n < -32768 || n > 32767)
        return std::nullopt;
    return qint16(n);
}

struct Entry {
    QString section;
    QString key;
};

const QString kDefault = QStringLiteral("(missing)");

// Decoded names of entries, as they can be asked for: names that survive the codec, at most 12.
std::vector<Entry> Queries(const std::vector<RefLine>& lines)
{
    std::vector<Entry> out;
    QString section;
    bool usable = false;
    for (const RefLine& l : lines) {
        if (l.kind == RefLine::Section || l.kind == RefLine::BrokenSection) {
            section = l.name;
            usable = l.kind == RefLine::Section && RoundTrips(section);
        } else if (l.kind == RefLine::Entry && usable && RoundTrips(l.name) && out.size() < 12) {
            out.push_back({section, l.name});
        }
    }
    return out;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every read of `ini` agrees with the reference reader on the file as it is now; returns the
// values read.
std::vector<QString> CheckReads(const clsIniFile& ini, const std::vector<Entry>& queries)
{
    const std::vector<RefLine> lines = RefLines(ReadAll(ini.pFileName()));
    std::vector<QString> values;
    for (const Entry& q : queries) {
        const std::optional<QString> ref = RefValue(lines, q.section, q.key);
        const QString expected = ref && !ref->isEmpty() ? *ref : kDefault;
        const QString got = ini.mGetString(q.section, q.key, kDefault);
        fuzz::Check(got == expected, "mGetString differs from the reference reader",
                    fuzz::Escaped(q.section + u'|' + q.key + u'|' + got + u'|' + expected));
        fuzz::Check(ini.mGetInteger(q.section, q.key, 7) == RefInteger(ref, 7),
                    "mGetInteger differs from the reference reader",
                    fuzz::Escaped(q.section + u'|' + q.key));
        values.push_back(got);
    }
    return values;
}

// Plain names and values every writer must accept: printable, no "=", "[", "]", ";".
bool PlainName(const QString& s)
{
    const QString t = TrimBlanks(s);
    if (t.isEmpty() || !RoundTrips(t))
        return false;
    for (QChar c : t) {
        if (c.unicode() < 0x20 || QStringView(u"=[];").contains(c) || c.isSurrogate())
            return false;
    }
    return true;
}

bool PlainValue(const QString& s)
{
    for (QChar c : s) {
        if (c.unicode() < 0x20 && c != u'\t')
            return false;
    }
    return true;
}

QString LeftoverFiles(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
    names.removeAll(QStringLiteral("profile.ini"));
    return names.join(u',');
}

// The value the file holds after a write of `value`: CP932 cannot hold everything.
QString AfterWrite(const QString& value)
{
    const QString stored = Cp932::decode(Cp932::encode(value));
    return stored.isEmpty() ? kDefault : stored;
}

void CheckSetString(clsIniFile& ini, const std::vector<Entry>& queries,
                    const std::vector<QString>& old, const QString& section, const QString& key,
                    const QString& value)
{
    const QByteArray before = ReadAll(ini.pFileName());

    const QString where = fuzz::Escaped(section + u'|' + key + u'|' + value);
    const bool ok = ini.mSetString(section, key, value);
    if (!ok) {
        fuzz::Check(ReadAll(ini.pFileName()) == before, "a refused mSetString changed the file",
                    where);
        fuzz::Check(!(PlainName(section) && PlainName(key) && PlainValue(value)),
                    "mSetString refused a plain entry", where + u' ' + ini.errorString());
        return;
    }
    if (RoundTrips(TrimBlanks(section)) && RoundTrips(TrimBlanks(key)))
        fuzz::Check(ini.mGetString(section, key, kDefault) == AfterWrite(value),
                    "mSetString does not read back", where);
    const std::vector<QString> now = CheckReads(ini, queries);
    for (size_t i = 0; i < queries.size(); ++i) {
        if (SameName(queries[i].section, section) && SameName(queries[i].key, key))
            continue;
        fuzz::Check(now[i] == old[i], "mSetString changed another entry",
                    where + u' ' + fuzz::Escaped(queries[i].section + u'|' + queries[i].key));
    }
}

void CheckSetSection(clsIniFile& ini, const std::vector<Entry>& queries,
                     const std::vector<QString>& old, const QString& section, const QString& items)
{
    const QByteArray before = ReadAll(ini.pFileName());

    // The list ends at the end or at an empty item.
    std::vector<std::pair<QString, QString>> written;
    bool plain = PlainName(section);
    for (const QString& item : items.split(QChar(0))) {
        if (item.isEmpty())
            break;
        const qsizetype eq = item.indexOf(u'=');
        plain = plain && eq >= 0 && PlainName(item.first(eq)) && PlainValue(item);
        if (eq >= 0)
            written.emplace_back(item.first(eq), item.sliced(eq + 1));
    }

    const QString where = fuzz::Escaped(section + u'|' + items);
    const bool ok = ini.mSetSection(section, items);
    if (!ok) {
        fuzz::Check(ReadAll(ini.pFileName()) == before, "a refused mSetSection changed the file",
                    where);
        fuzz::Check(!plain, "mSetSection refused plain items", where + u' ' + ini.errorString());
        return;
    }
    const bool readable = RoundTrips(TrimBlanks(section));
    for (size_t i = 0; i < written.size() && readable; ++i) {
        bool first = RoundTrips(TrimBlanks(written[i].first));
        for (size_t j = 0; j < i; ++j)
            first = first && !SameName(written[j].first, written[i].first);
        if (first)
            fuzz::Check(ini.mGetString(section, written[i].first, kDefault) ==
                            AfterWrite(written[i].second),
                        "mSetSection item does not read back", where);
    }
    const std::vector<QString> now = CheckReads(ini, queries);
    for (size_t i = 0; i < queries.size(); ++i) {
        const Entry& q = queries[i];
        QString expected = old[i];
        if (SameName(q.section, section)) {
            expected = kDefault; // replaced, unless an item sets it again
            for (const auto& [key, value] : written) {
                if (SameName(q.key, key)) {
                    expected = AfterWrite(value);
                    break;
                }
            }
        }
        fuzz::Check(now[i] == expected, "mSetSection left a wrong value",
                    where + u' ' + fuzz::Escaped(q.section + u'|' + q.key));
    }
}

QString Folder()
{
    // tmpfs when there is one: every write is flushed to disk.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/quorvix-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/quorvix-fuzz-XXXXXX"));
    if (!dir.isValid())
        fuzz::Fail("cannot create a temporary folder");
    return dir.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [opBytes, fileBytes] = fuzz::SplitAt(fuzz::View(data, size), '\n');
    const QString folder = Folder();
    const QString path = folder + QStringLiteral("/profile.ini");
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(folder + u'/' + name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(fileBytes.data(), fileBytes.size()) < 0)
        fuzz::Fail("cannot write the profile file");
    file.close();

    clsIniFile ini;
    ini.setPFileName(path);
    const std::vector<Entry> queries = Queries(RefLines(fileBytes.toByteArray()));
    const std::vector<QString> old = CheckReads(ini, queries);

    const QStringList op = fuzz::ToUtf16(opBytes).split(u'|');
    if (op.size() >= 4 && op[0] == u"S")
        CheckSetString(ini, queries, old, op[1], op[2], op[3]);
    else if (op.size() >= 3 && op[0] == u"E")
        CheckSetSection(ini, queries, old, op[1], op[2]);
    else
        return 0;
    const QString left = LeftoverFiles(folder);
    fuzz::Check(left.isEmpty(), "a write left files behind", left);
    return 0;
}
