#include "sourcereader.h"

#include <vector>

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include "text/icuconverter.h"

namespace {

constexpr UChar kReplacement = 0xFFFD;

// A UTF-16 byte stream as UTF-8, so that lines can be split on bytes (in UTF-16, CR and LF are
// two bytes each). A lone surrogate and an odd last byte become U+FFFD.
class Utf16ToUtf8Device final : public QIODevice {
public:
    Utf16ToUtf8Device(QIODevice& source, SourceEncoding encoding)
        : m_source(source)
    {
        m_converter =
            OpenToUnicodeConverter(encoding == SourceEncoding::Utf16Le ? "UTF-16LE" : "UTF-16BE");
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    ~Utf16ToUtf8Device() override { ucnv_close(m_converter); }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        while (m_outPos == m_out.size() && !m_done) {
            if (!convertBlock())
                return -1;
        }
        const qint64 n = std::min<qint64>(maxSize, m_out.size() - m_outPos);
        std::memcpy(data, m_out.constData() + m_outPos, size_t(n));
        m_outPos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    static constexpr qsizetype kBlock = 1 << 18;

    bool convertBlock()
    {
        m_in.resize(kBlock);
        const qint64 n = m_source.read(m_in.data(), kBlock);
        if (n < 0) {
            setErrorString(m_source.errorString());
            return false;
        }
        m_done = n == 0;
        // Room for every unit of this block, the byte held from the last and a flushed U+FFFD.
        m_units.resize(size_t(n / 2 + 4));
        UErrorCode status = U_ZERO_ERROR;
        UChar* target = m_units.data();
        const char* source = m_in.constData();
        ucnv_toUnicode(m_converter, &target, m_units.data() + m_units.size(), &source,
                       m_in.constData() + n, nullptr, m_done, &status);
        const int32_t units = int32_t(target - m_units.data());
        m_out.resize(qsizetype(units) * 3);
        int32_t written = 0;
        status = U_ZERO_ERROR;
        u_strToUTF8WithSub(m_out.data(), int32_t(m_out.size()), &written, m_units.data(), units,
                           kReplacement, nullptr, &status);
        if (U_FAILURE(status)) {
            setErrorString(QStringLiteral("cannot convert UTF-16 text"));
            return false;
        }
        m_out.resize(written);
        m_outPos = 0;
        return true;
    }

    QIODevice& m_source;
    UConverter* m_converter = nullptr;
    QByteArray m_in;
    std::vector<UChar> m_units;
    QByteArray m_out;
    qsizetype m_outPos = 0;
    bool m_done = false;
};

} // namespace

SourceReader::SourceReader(QIODevice& device, SourceEncoding requested, qsizetype blockSize,
                           qsizetype maxLineLength)
{
    const QByteArray head = device.peek(kEncodingSampleSize + 1);
    const bool wholeFile = head.size() <= kEncodingSampleSize;
    m_choice =
        ChooseSourceEncoding(QByteArrayView(head).first(std::min(head.size(), kEncodingSampleSize)),
                             requested, wholeFile);
    if (m_choice.bomLength > 0)
        device.skip(m_choice.bomLength);
    QIODevice* input = &device;
    if (IsUtf16(m_choice.encoding)) {
        m_utf16 = std::make_unique<Utf16ToUtf8Device>(device, m_choice.encoding);
        input = m_utf16.get();
    }
    m_lines = std::make_unique<LineReader>(*input, blockSize, maxLineLength);
}

SourceReader::~SourceReader() = default;

SourceEncoding SourceReader::lineEncoding() const
{
    return IsUtf16(m_choice.encoding) ? SourceEncoding::Utf8 : m_choice.encoding;
}
