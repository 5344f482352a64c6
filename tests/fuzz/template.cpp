// Template tags. Input: key, LF, value, LF, template text (see fuzz::ToUtf16).
//
// ReplaceTag is compared with a plain rescanning implementation of its rule: from the start,
// each opening mark "<WC@key>" (any case) becomes the value, and everything up to and including
// the next closing mark "</WC@key>" after it is dropped; the scan resumes after what was
// dropped. ExpandTemplate must leave a text without "<WC@" exactly as it is.

#include <cstddef>
#include <cstdint>
#include <optional>

#include <QString>

#include "fuzzutil.h"
#include "reports/templates.h"

namespace {

qsizetype FindMark(QStringView text, QStringView mark, qsizetype from)
{
    for (qsizetype p = from; p + mark.size() <= text.size(); ++p) {
        if (text.sliced(p, mark.size()).compare(mark, Qt::CaseInsensitive) == 0)
            return p;
    }
    return -1;
}

QString ReferenceReplace(QStringView text, const QString& key, const QString& value)
{
    const QString open = QStringLiteral("<WC@") + key + u'>';
    const QString close = QStringLiteral("</WC@") + key + u'>';
    QString out;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype p = FindMark(text, open, pos);
        if (p < 0) {
            out += text.sliced(pos);
            return out;
        }
        out += text.sliced(pos, p - pos);
        out += value;
        const qsizetype after = p + open.size();
        const qsizetype c = FindMark(text, close, after);
        pos = c >= 0 ? c + close.size() : after;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [keyBytes, rest] = fuzz::SplitAt(fuzz::View(data, size), '\n');
    const auto [valueBytes, textBytes] = fuzz::SplitAt(rest, '\n');
    const QString key = fuzz::ToUtf16(keyBytes);
    const QString value = fuzz::ToUtf16(valueBytes);
    const QString text = fuzz::ToUtf16(textBytes);

    const QString replaced = ReplaceTag(text, key, value);
    fuzz::Check(replaced == ReferenceReplace(text, key, value),
                "ReplaceTag differs from the reference",
                fuzz::Escaped(key + u'|' + value + u'|' + text));

    TemplateValues values;
    values.modeName = value;
    values.index = int(text.size());
    values.normalText = key;
    values.wordData = value;
    values.outputDate = QStringLiteral("2002/05/12 9:05:07");
    values.filePath = value + QStringLiteral("/KOKYAKU.CBL");
    values.fileName = QStringLiteral("KOKYAKU.CBL");
    values.fileDate = key;
    values.fileSize = QStringLiteral("1,234");
    FileCountResult result;
    for (int c = 0; c < CounterCount; ++c) {
        result.FileTotals.values[size_t(c)] = qint32(text.size()) * c - 7;
        for (int a = 1; a <= 3; ++a)
            result.AreaCounts[a].values[size_t(c)] = a * 1000 + c;
    }
    const int areaCount = int(key.size() % 5);
    const bool plain = !text.contains(QStringLiteral("<WC@"), Qt::CaseInsensitive);
    for (const TemplateTarget target : {TemplateTarget::Csv, TemplateTarget::Html}) {
        const std::optional<QString> out = ExpandTemplate(text, values, result, areaCount, target);
        if (plain)
            fuzz::Check(out == text, "ExpandTemplate changed a text without tags",
                        fuzz::Escaped(text));
    }
    return 0;
}
