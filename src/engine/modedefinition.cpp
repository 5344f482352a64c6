#include "modedefinition.h"

#include <algorithm>
#include <limits>

#include "settings/clsinifile.h"
#include "settings/settingsfile.h"

namespace {

// Text to 16-bit number as CommentStartIsValid is converted: blanks, an optional sign and
// digits, blanks. Anything else, or a number outside 16 bits, gives nothing.
std::optional<qint16> textToInt16(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    if (i == t.size())
        return std::nullopt;
    qint32 value = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < u'0' || t[i] > u'9')
            return std::nullopt;
        value = value * 10 + (t[i].unicode() - u'0');
        if (value > 32768)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 32767)
        return std::nullopt;
    return qint16(value);
}

// Calls text(key, field) or number(key, field) for each stored field of `m` in key order, so
// the loader and ModeKeyValues agree on which field a key holds.
template <typename Mode, typename Text, typename Number>
void forEachStoredField(Mode& m, Text text, Number number)
{
    using enum SettingsKeys::ModeKey;
    text(ModeName, m.ModeName);
    text(FileType, m.FileType);
    number(BinaryComp, m.BinaryComp);
    number(TABtoSpace, m.TABtoSpace);
    text(StartWord2, m.StartWord[2]);
    number(Tuning2, m.Tuning[2]);
    number(StartAfter2, m.StartAfter[2]);
    text(StartWord3, m.StartWord[3]);
    number(Tuning3, m.Tuning[3]);
    number(StartAfter3, m.StartAfter[3]);
    text(PickupStart, m.PickupStart);
    text(PickupEnd, m.PickupEnd);
    number(PickupToPickup, m.PickupToPickup);
    text(CommentStart, m.CommentStart);
    text(CommentEnd, m.CommentEnd);
    number(CommentStartIsValid, m.CommentStartIsValid);
    text(CommentSolo, m.CommentSolo);
    number(CommentColumn, m.CommentColumn);
    number(CommentLength, m.CommentLength);
    number(NullLineMode, m.NullLineMode);
    text(WordCount, m.WordCount);
}

} // namespace

int AreaCount(const ModeDefinition& mode)
{
    if (!mode.StartWord[3].isEmpty())
        return 3;
    if (!mode.StartWord[2].isEmpty())
        return 2;
    return 1;
}

ModeDefinition LoadModeDefinition(const QString& name, bool fromImportFile,
                                  const QString& settingsPath)
{
    ModeDefinition m;
    m.CommentStartIsValid = 0; // starting value when its read fails
    clsIniFile ini;
    ini.setPFileName(fromImportFile ? name : settingsPath);
    ini.readOnce(); // the mode's keys as one set, from one reading
    const QString section = fromImportFile ? QString(SettingsKeys::ImportSection) : name;
    m.StartWord[1] = QStringLiteral("*");
    m.Tuning[1] = 0;
    m.StartAfter[1] = 0;
    using SettingsKeys::ModeKey;
    auto readText = [&](ModeKey key, QString& field) {
        field = ini.mGetString(section, SettingsKeys::modeKeyName(key), QString());
    };
    auto readNumber = [&](ModeKey key, qint16& field) {
        const QLatin1StringView keyName = SettingsKeys::modeKeyName(key);
        // CommentStartIsValid is read as text: 1 when missing or empty, blanks allowed.
        if (key == ModeKey::CommentStartIsValid) {
            if (const auto value =
                    textToInt16(ini.mGetString(section, keyName, QStringLiteral("1"))))
                field = *value;
        } else if (const auto value = ini.mGetInteger(section, keyName, 0)) {
            field = *value;
        }
    };
    forEachStoredField(m, readText, readNumber);
    m.Encoding = ini.mGetString(section, SettingsKeys::ModeEncoding, QString());
    m.MaskColumns = ini.mGetString(section, SettingsKeys::ModeMaskColumns, QString());
    return m;
}

std::array<QString, SettingsKeys::ModeKeyCount> ModeKeyValues(const ModeDefinition& m)
{
    std::array<QString, SettingsKeys::ModeKeyCount> values;
    forEachStoredField(
        m, [&](SettingsKeys::ModeKey key, const QString& v) { values[size_t(key)] = v; },
        [&](SettingsKeys::ModeKey key, qint16 v) { values[size_t(key)] = QString::number(v); });
    return values;
}

std::array<QString, SettingsKeys::OptionalModeKeys.size()>
OptionalModeKeyValues(const ModeDefinition& mode)
{
    return {mode.Encoding, mode.MaskColumns};
}

bool SaveModeDefinition(const QString& settingsPath, int slot, const ModeDefinition& mode,
                        QString* error)
{
    clsIniFile ini;
    ini.setPFileName(settingsPath);
    const QString section = SettingsKeys::modeSection(slot);
    const auto values = ModeKeyValues(mode);
    for (size_t i = 0; i < values.size(); ++i) {
        if (!ini.mSetString(section, SettingsKeys::ModeKeys[i], values[i])) {
            if (error)
                *error = ini.errorString();
            return false;
        }
    }
    const auto optional = OptionalModeKeyValues(mode);
    for (size_t i = 0; i < optional.size(); ++i) {
        const QLatin1StringView key = SettingsKeys::OptionalModeKeys[i];
        if (optional[i].isEmpty() && ini.mGetString(section, key).isEmpty())
            continue;
        if (!ini.mSetString(section, key, optional[i])) {
            if (error)
                *error = ini.errorString();
            return false;
        }
    }
    return true;
}

std::optional<std::vector<MaskRange>> ParseMaskColumns(QStringView text)
{
    std::vector<MaskRange> masks;
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && text[i] == u' ')
            ++i;
    };
    const auto number = [&]() -> std::optional<int> {
        const qsizetype start = i;
        qint64 value = 0;
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            value = value * 10 + (text[i].unicode() - u'0');
            if (value > std::numeric_limits<int>::max())
                return std::nullopt;
        }
        if (i == start || value == 0)
            return std::nullopt;
        return int(value);
    };

    skipBlanks();
    if (i == text.size())
        return masks;
    for (;;) {
        skipBlanks();
        MaskRange range;
        const auto first = number();
        if (!first)
            return std::nullopt;
        range.first = range.last = *first;
        skipBlanks();
        if (i < text.size() && text[i] == u'-') {
            ++i;
            skipBlanks();
            range.last = 0;
            if (i < text.size() && text[i] != u',') {
                const auto last = number();
                if (!last || *last < *first)
                    return std::nullopt;
                range.last = *last;
                skipBlanks();
            }
        }
        masks.push_back(range);
        if (i == text.size())
            return masks;
        if (text[i] != u',')
            return std::nullopt;
        ++i;
    }
}

void ApplyMaskColumns(const std::vector<MaskRange>& masks, char16_t* line, qsizetype length)
{
    for (const MaskRange& m : masks) {
        if (m.first > length)
            continue;
        const qsizetype end = m.last == 0 ? length : std::min<qsizetype>(m.last, length);
        std::fill(line + m.first - 1, line + end, u' ');
    }
}
