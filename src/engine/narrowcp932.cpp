// NarrowCp932: a CP932 line narrowed to one byte per character straight from its bytes.

#include <array>
#include <iterator>
#include <vector>

#include "engine/keywordmatch.h"
#include "text/cp932.h"

namespace {

// What the double-byte characters narrow to when folded, for the few rows that hold one that
// folds to ASCII (full-width forms, and their duplicates among the IBM extensions); the other
// rows narrow to kNarrowOther throughout. Found by decoding every pair once.
struct FoldedRows {
    // Index into `rows` by lead byte; row 0 is kNarrowOther throughout, for the other rows and
    // for case-sensitive modes, so that a character is one lookup and no branch (hiragana and
    // kanji, mixed in every line, sit in rows with and without full-width forms).
    std::array<quint8, 256> rowOf{};
    std::vector<std::array<char, 256>> rows;
};

const FoldedRows& foldedRows()
{
    static const FoldedRows folded = [] {
        FoldedRows f;
        f.rows.emplace_back().fill(kNarrowOther);
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!Cp932::isLeadByte(uchar(lead)))
                continue;
            // A lead byte with each trail byte in turn: each pair decodes to one character.
            char pairs[2 * (0xFC - 0x40 + 1)];
            int count = 0;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (Cp932::isTrailByte(uchar(trail))) {
                    pairs[2 * count] = char(lead);
                    pairs[2 * count + 1] = char(trail);
                    ++count;
                }
            }
            char16_t decoded[std::size(pairs)];
            char narrow[std::size(pairs)];
            const qsizetype n = Cp932::decodeTo(QByteArrayView(pairs, 2 * count), decoded);
            Q_ASSERT(n == count);
            NarrowText(decoded, n, false, narrow);
            std::array<char, 256> row;
            row.fill(kNarrowOther);
            bool any = false;
            for (int k = 0; k < count; ++k) {
                row[uchar(pairs[2 * k + 1])] = narrow[k];
                any = any || narrow[k] != kNarrowOther;
            }
            if (any) {
                f.rowOf[size_t(lead)] = quint8(f.rows.size());
                f.rows.push_back(row);
            }
        }
        return f;
    }();
    return folded;
}

} // namespace

qsizetype NarrowCp932(const char* bytes, qsizetype n, bool caseSensitive, char* out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    // Case-sensitive, nothing above ASCII folds: the rows are not needed (nor built).
    static const FoldedRows none = [] {
        FoldedRows f;
        f.rows.emplace_back().fill(kNarrowOther);
        return f;
    }();
    const FoldedRows& folded = caseSensitive ? none : foldedRows();
    const std::array<char, 256>* rows = folded.rows.data();
    // Per byte: 1 for a lead byte, 2 for a trail byte.
    static constexpr auto kind = [] {
        std::array<quint8, 256> k{};
        for (int b = 0; b < 256; ++b)
            k[size_t(b)] = quint8((Cp932::isLeadByte(uchar(b)) ? 1 : 0) |
                                  (Cp932::isTrailByte(uchar(b)) ? 2 : 0));
        return k;
    }();
    qsizetype o = 0;
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out[o++] = char(b);
            ++i;
            continue;
        }
        const unsigned char trail = i + 1 < n ? p[i + 1] : 0;
        if ((kind[b] & 1) != 0 && (kind[trail] & 2) != 0) {
            out[o++] = rows[folded.rowOf[b]][trail];
            i += 2;
        } else {
            out[o++] = kNarrowOther;
            ++i;
        }
    }
    return o;
}
