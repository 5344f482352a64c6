#include "modedefinition.h"

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
    const QString section = fromImportFile ? QString(SettingsKeys::ImportSection) : name;
    const auto& keys = SettingsKeys::ModeKeys;

    auto readText = [&](int key, QString& field) {
        field = ini.mGetString(section, keys[size_t(key)], QString());
    };
    auto readNumber = [&](int key, qint16& field) {
        if (const auto value = ini.mGetInteger(section, keys[size_t(key)], 0))
            field = *value;
    };

    readText(0, m.ModeName);
    readText(1, m.FileType);
    readNumber(2, m.BinaryComp);
    readNumber(3, m.TABtoSpace);
    m.StartWord[1] = QStringLiteral("*");
    m.Tuning[1] = 0;
    m.StartAfter[1] = 0;
    readText(4, m.StartWord[2]);
    readNumber(5, m.Tuning[2]);
    readNumber(6, m.StartAfter[2]);
    readText(7, m.StartWord[3]);
    readNumber(8, m.Tuning[3]);
    readNumber(9, m.StartAfter[3]);
    readText(10, m.PickupStart);
    readText(11, m.PickupEnd);
    readNumber(12, m.PickupToPickup);
    readText(13, m.CommentStart);
    readText(14, m.CommentEnd);
    if (const auto value = textToInt16(ini.mGetString(section, keys[15], QStringLiteral("1"))))
        m.CommentStartIsValid = *value;
    readText(16, m.CommentSolo);
    readNumber(17, m.CommentColumn);
    readNumber(18, m.CommentLength);
    readNumber(19, m.NullLineMode);
    readText(20, m.WordCount);
    return m;
}

std::array<QString, 21> ModeKeyValues(const ModeDefinition& m)
{
    const auto n = [](qint16 v) { return QString::number(v); };
    return {m.ModeName,          m.FileType,         n(m.BinaryComp),    n(m.TABtoSpace),
            m.StartWord[2],      n(m.Tuning[2]),     n(m.StartAfter[2]), m.StartWord[3],
            n(m.Tuning[3]),      n(m.StartAfter[3]), m.PickupStart,      m.PickupEnd,
            n(m.PickupToPickup), m.CommentStart,     m.CommentEnd,       n(m.CommentStartIsValid),
            m.CommentSolo,       n(m.CommentColumn), n(m.CommentLength), n(m.NullLineMode),
            m.WordCount};
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
    return true;
}
