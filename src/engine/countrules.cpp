// CountRules: a mode made ready for counting, once per run.

#include <utility>
#include <bit>

#include "engine/countfile.h"
#include "text/sourceencoding.h"

CountRules::CountRules(const ModeDefinition& mode, int areaCount)
    : m_mode(mode)
    , m_areaCount(areaCount)
    , m_caseSensitive(mode.BinaryComp != 0)
{
    if (!mode.Encoding.trimmed().isEmpty()) {
        if (const auto encoding = ParseSourceEncoding(mode.Encoding.trimmed()))
            m_encoding = *encoding;
        else
            m_invalidEncoding = mode.Encoding;
    }
    const bool cs = m_caseSensitive;
    for (int k = 1; k <= 3; ++k)
        m_startWord[k] = KeywordPattern(mode.StartWord[k], cs);
    m_pickupStart = KeywordPattern(mode.PickupStart, cs);
    m_pickupEnd = KeywordPattern(mode.PickupEnd, cs);
    m_commentStart = KeywordPattern(mode.CommentStart, cs);
    m_commentEnd = KeywordPattern(mode.CommentEnd, cs);
    if (!mode.CommentStart.isEmpty() && mode.CommentStartIsValid == 1 &&
        mode.CommentStart.startsWith(u'*') && mode.CommentStart.size() > 1) {
        m_hasRemainder = true;
        m_commentRemainder = KeywordPattern(QStringView(mode.CommentStart).sliced(1), cs);
    }
    m_commentSolo = KeywordPattern(mode.CommentSolo, cs);
    if (!mode.MaskColumns.isEmpty()) {
        if (auto masks = ParseMaskColumns(mode.MaskColumns)) {
            m_masks = std::move(*masks);
            m_asciiMask = AsciiPass::AsciiMask(m_masks);
        } else {
            m_invalidMasks = true;
        }
    }
    if (!mode.WordCount.isEmpty())
        m_words = SplitWordList(mode.WordCount);
    for (const QString& w : std::as_const(m_words))
        m_wordPatterns.emplace_back(w, cs);
    const KeywordPattern* lineKeywords[] = {&m_startWord[2], &m_startWord[3], &m_pickupStart,
                                            &m_pickupEnd,    &m_commentStart, &m_commentEnd};
    int keyed = 0;
    for (const KeywordPattern* p : lineKeywords)
        keyed += p->keyPairs()[0] >= 0 ? 1 : 0;
    for (const KeywordPattern& p : m_wordPatterns)
        keyed += p.keyPairs()[0] >= 0 ? 1 : 0;
    // Below that, every keyword keeps bit 0 (always tried) and no line is passed over.
    m_wordBits.assign(m_wordPatterns.size(), 0);
    if (keyed >= kPrefilterPatterns) {
        for (int k = 2; k <= 3; ++k)
            m_startBit[k] = m_prefilter.add(m_startWord[k]);
        m_pickupStartBit = m_prefilter.add(m_pickupStart);
        m_pickupEndBit = m_prefilter.add(m_pickupEnd);
        m_commentStartBit = m_prefilter.add(m_commentStart);
        m_commentEndBit = m_prefilter.add(m_commentEnd);
        for (size_t i = 0; i < m_wordPatterns.size(); ++i)
            m_wordBits[i] = m_prefilter.add(m_wordPatterns[i]);
    }
    m_wordScan = WordScan(m_wordPatterns, m_wordBits);

    m_narrowable = true;
    for (const KeywordPattern* p : lineKeywords)
        m_narrowable = m_narrowable && p->narrowable();
    m_narrowable = m_narrowable && m_commentRemainder.narrowable() && m_commentSolo.narrowable();
    for (const KeywordPattern& p : m_wordPatterns)
        m_narrowable = m_narrowable && p.narrowable();

    ShortLineScan::Settings scan;
    scan.caseSensitive = m_caseSensitive;
    scan.tabToSpace = mode.TABtoSpace == 1;
    scan.masks = &m_masks;
    // The keywords the classifier asks of a line, as it asks them.
    for (int k = 2; k <= areaCount && k <= 3; ++k)
        scan.keywords.push_back(&m_startWord[k]);
    if (!mode.PickupStart.isEmpty()) {
        scan.keywords.push_back(&m_pickupStart);
        if (!mode.PickupEnd.isEmpty())
            scan.keywords.push_back(&m_pickupEnd);
    }
    if (!mode.CommentStart.isEmpty()) {
        scan.keywords.push_back(&m_commentStart);
        if (!mode.CommentEnd.isEmpty())
            scan.keywords.push_back(&m_commentEnd);
    }
    for (const KeywordPattern& p : m_wordPatterns)
        scan.keywords.push_back(&p);
    scan.words = m_wordPatterns.size();
    if (!mode.CommentSolo.isEmpty()) {
        scan.solo = &m_commentSolo;
        scan.soloColumn = mode.CommentColumn;
        scan.soloLength = mode.CommentLength;
    }
    if (!m_invalidMasks)
        m_shortLines = ShortLineScan(scan);
    // With no more keywords than the scan has buckets, a line's buckets name its candidates as
    // the prefilter pass would (on one pair instead of two), and that pass is saved.
    if (m_shortLines.usable() && m_shortLines.tellsBuckets() && m_prefilter.size() > 0) {
        const auto bitOf = [&](const KeywordPattern* p) {
            for (int k = 2; k <= 3; ++k) {
                if (p == &m_startWord[k])
                    return m_startBit[k];
            }
            if (p == &m_pickupStart)
                return m_pickupStartBit;
            if (p == &m_pickupEnd)
                return m_pickupEndBit;
            if (p == &m_commentStart)
                return m_commentStartBit;
            if (p == &m_commentEnd)
                return m_commentEndBit;
            return m_wordBits[size_t(p - m_wordPatterns.data())];
        };
        m_scanCandidates = true;
        for (unsigned buckets = 0; buckets < m_bucketCandidates.size(); ++buckets) {
            for (size_t i = 0; i < scan.keywords.size(); ++i) {
                if ((buckets >> i) & 1)
                    m_bucketCandidates[buckets] |= bitOf(scan.keywords[i]);
            }
        }
    }

    const KeywordPattern* checked[] = {&m_startWord[2], &m_startWord[3], &m_pickupStart,
                                       &m_pickupEnd,    &m_commentStart, &m_commentEnd,
                                       &m_commentSolo};
    // An over-long pattern is named by its start, so the message stays readable.
    auto invalid = [](const KeywordPattern& p) {
        if (p.pattern().size() <= KeywordPattern::kMaxLength)
            return p.pattern();
        return p.pattern().first(40) + QStringLiteral("... (%1 characters; at most %2)")
                                           .arg(p.pattern().size())
                                           .arg(KeywordPattern::kMaxLength);
    };
    for (const KeywordPattern* p : checked) {
        if (!p->pattern().isEmpty() && !p->isValid()) {
            m_invalid = invalid(*p);
            return;
        }
    }
    for (const KeywordPattern& p : m_wordPatterns) {
        if (!p.pattern().isEmpty() && !p.isValid()) {
            m_invalid = invalid(p);
            return;
        }
    }
}
