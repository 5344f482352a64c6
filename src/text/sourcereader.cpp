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

// The bytes read ahead to choose the encoding, then the rest of the source: the choice needs no
// seek back, so a file is read front to back once.
class HeadThenRest final : public QIODevice {
public:
    HeadThenRest(QByteArray head, bool headFailed, QIODevice& rest)
        : m_head(std::move(head))
        , m_headFailed(headFailed)
        , m_rest(rest)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_headFailed) {
            setErrorString(m_rest.errorString());
            return -1;
        }
        if (m_headPos < m_head.size()) {
            const qint64 n = std::min<qint64>(maxSize, m_head.size() - m_headPos);
            std::memcpy(data, m_head.constData() + m_headPos, size_t(n));
            m_headPos += n;
            return n;
        }
        const qint64 n = m_rest.read(data, maxSize);
        if (n < 0)
            setErrorString(m_rest.errorString());
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_head;
    qsizetype m_headPos = 0;
    bool m_headFailed;
    QIODevice& m_rest;
};

// Up to `size` bytes from the start of `device`, fewer only at its end; false on a read error.
bool readHead(QIODevice& device, qsizetype size, QByteArray& head)
{
    head.resize(size);
    qsizetype got = 0;
    while (got < size) {
        const qint64 n = device.read(head.data() + got, size - got);
        if (n < 0) {
            head.clear();
            return false;
        }
        if (n == 0)
            break;
        got += n;
    }
    head.resize(got);
    return true;
}

} // namespace

SourceReader::SourceReader(QIODevice& device, SourceEncoding requested, qsizetype blockSize,
                           qsizetype maxLineLength)
{
    QByteArray head;
    const bool headRead = readHead(device, kEncodingSampleSize + 1, head);
    const bool wholeFile = head.size() <= kEncodingSampleSize;
    m_choice =
        ChooseSourceEncoding(QByteArrayView(head).first(std::min(head.size(), kEncodingSampleSize)),
                             requested, wholeFile);
    m_input = std::make_unique<HeadThenRest>(head.sliced(std::min(head.size(), m_choice.bomLength)),
                                             !headRead, device);
    QIODevice* input = m_input.get();
    if (IsUtf16(m_choice.encoding)) {
        m_utf16 = std::make_unique<Utf16ToUtf8Device>(*input, m_choice.encoding);
        input = m_utf16.get();
    }
    m_lines = std::make_unique<LineReader>(*input, blockSize, maxLineLength);
}

SourceReader::~SourceReader() = default;

SourceEncoding SourceReader::lineEncoding() const
{
    return IsUtf16(m_choice.encoding) ? SourceEncoding::Utf8 : m_choice.encoding;
}
