#include "valueformats.h"

namespace {

bool isJapanese(const QLocale& locale)
{
    return locale.language() == QLocale::Japanese || locale.language() == QLocale::C;
}

// Rewrites the unquoted fields of a QDateTime format: a run of "y" becomes "yyyy", a run of "t"
// (the zone) is dropped. Quoted literals ('...', with '' for a quote) pass unchanged.
QString adaptFormat(const QString& format)
{
    QString out;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            qsizetype j = i + 1;
            while (j < format.size()) {
                if (format[j] == u'\'') {
                    if (j + 1 < format.size() && format[j + 1] == u'\'') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            j = qMin(j + 1, format.size());
            out += QStringView(format).sliced(i, j - i);
            i = j;
            continue;
        }
        qsizetype j = i;
        while (j < format.size() && format[j] == c)
            ++j;
        if (c == u'y')
            out += QStringLiteral("yyyy");
        else if (c != u't')
            out += QStringView(format).sliced(i, j - i);
        i = j;
    }
    // A zone written in brackets leaves the brackets behind.
    out.replace(QStringLiteral("()"), QString());
    return out.simplified();
}

// Native digits (Arabic-Indic and others) to ASCII: the reports are written in CP932.
QString asciiDigits(QString text, const QLocale& locale)
{
    const QString zero = locale.zeroDigit();
    if (zero.size() != 1 || zero[0] == u'0')
        return text;
    const char16_t z = zero[0].unicode();
    for (QChar& c : text) {
        if (c.unicode() >= z && c.unicode() <= z + 9)
            c = QChar(u'0' + (c.unicode() - z));
    }
    return text;
}

} // namespace

QLocale ReportLocale()
{
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Japanese, QLocale::Japan);
    return system;
}

QString DateTimeText(const QDateTime& t, const QLocale& locale)
{
    if (!t.isValid())
        return QString();
    const QTime time = t.time();
    const bool dateOnly = time.hour() == 0 && time.minute() == 0 && time.second() == 0;
    if (isJapanese(locale))
        return t.toString(dateOnly ? QStringLiteral("yyyy/MM/dd")
                                   : QStringLiteral("yyyy/MM/dd H:mm:ss"));
    QString format = adaptFormat(locale.dateFormat(QLocale::ShortFormat));
    if (!dateOnly)
        format += u' ' + adaptFormat(locale.timeFormat(QLocale::LongFormat));
    return asciiDigits(locale.toString(t, format), locale);
}

QString SizeTextPlain(qint64 size)
{
    return QString::number(size);
}

QString SizeTextGrouped(qint64 size, const QLocale& locale)
{
    if (size == 0)
        return QString();
    QString separator = isJapanese(locale) ? QStringLiteral(",") : locale.groupSeparator();
    if (separator.size() == 1 && separator[0].isSpace())
        separator = QStringLiteral(" ");
    QString digits = QString::number(size);
    QString out;
    if (digits.startsWith(u'-')) {
        out += u'-';
        digits.remove(0, 1);
    }
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

QString CounterText(qint32 value)
{
    return QString::number(value);
}

std::vector<Counter> ReportedCounters(const ModeDefinition& mode)
{
    std::vector<Counter> counters;
    for (const CounterInfo& info : Counters) {
        if (info.group == CounterGroup::Basic ||
            (info.group == CounterGroup::Pickup && !mode.PickupStart.isEmpty()) ||
            (info.group == CounterGroup::Blank && mode.NullLineMode == 0))
            counters.push_back(info.id);
    }
    return counters;
}

QString HtmlEscaped(const QString& text)
{
    return text.toHtmlEscaped();
}
