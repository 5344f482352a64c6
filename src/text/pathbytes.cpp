#include "pathbytes.h"

#include "text/utf8.h"

QString DecodePath(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out += QChar(char16_t(b));
            ++i;
            continue;
        }
        const Utf8::Lead lead = Utf8::leadOf(b);
        bool valid = lead.length > 0 && i + lead.length <= n;
        for (int k = 1; valid && k < lead.length; ++k)
            valid = Utf8::continues(lead, k, p[i + k]);
        if (!valid) {
            // Only this byte is escaped: the next one may start a valid sequence.
            out += QChar(char16_t(0xDC00 + b));
            ++i;
            continue;
        }
        out += QString::fromUtf8(bytes.constData() + i, lead.length);
        i += lead.length;
    }
    return out;
}

int EscapedByte(const QString& text, qsizetype index)
{
    const char16_t c = text.at(index).unicode();
    if (c < PathBytes::kFirstEscape || c > PathBytes::kLastEscape)
        return -1;
    if (index > 0 && QChar::isHighSurrogate(text.at(index - 1).unicode()))
        return -1; // the second half of a pair
    return c - 0xDC00;
}

QByteArray EncodePath(const QString& path)
{
    QByteArray out;
    out.reserve(path.size());
    qsizetype runStart = 0; // start of the text not yet encoded
    for (qsizetype i = 0; i < path.size(); ++i) {
        const int byte = EscapedByte(path, i);
        if (byte < 0)
            continue;
        out += QStringView(path).mid(runStart, i - runStart).toUtf8();
        out += char(byte);
        runStart = i + 1;
    }
    out += QStringView(path).mid(runStart).toUtf8();
    return out;
}

QString DisplayPath(const QString& path)
{
    QString out = path;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (EscapedByte(path, i) >= 0)
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

QString LocalPathOfUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return QString();
    // QUrl keeps percent escapes of bytes that are not UTF-8, so the encoded path holds them.
    return DecodePath(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QUrl UrlOfLocalPath(const QString& path)
{
    return QUrl::fromEncoded("file://" + EncodePath(path).toPercentEncoding("/"), QUrl::StrictMode);
}
