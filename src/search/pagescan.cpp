#include "search/pagescan.h"

#include <bit>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The fast scans work on the page as it is, without lower-casing it, by
// relying on how lower-casing treats the characters that matter:
// - the markers and a prefix without upper-case or non-ASCII letters are
//   ASCII, and lower-casing never turns an ASCII character into a non-ASCII
//   one, so ASCII letters compare with their case folded;
// - exactly two non-ASCII characters lower-case to ASCII: the Kelvin sign
//   U+212A to "k", and U+0130 to "i" followed by U+0307. The first can stand
//   for any "k" of the needle; the second only for an "i" that ends it;
// - the UTF-8 decoder never swallows an ASCII byte into a malformed
//   sequence and restarts at every lead byte, so ASCII bytes and well-formed
//   sequences are characters of the text wherever they stand; all else
//   decodes to non-ASCII characters that match nothing of an ASCII needle.
// ITEM_MARKER cannot overlap itself, so counting every occurrence before the
// hit equals counting them non-overlapping; and the needle begins with
// ITEM_MARKER, so one walk over the entries finds both the hit and the count.

namespace {

constexpr std::string_view item = "<li class=g><h3 class=r>";
constexpr qsizetype itemLength = qsizetype(item.size());
constexpr std::string_view linkOpening = "<a href=\"";

static_assert(ITEM_MARKER.size() == itemLength);
static_assert(RESULT_MARKER.size() == itemLength + qsizetype(linkOpening.size()));

char32_t unitValue(char c)
{
    return static_cast<unsigned char>(c);
}

char32_t unitValue(char16_t c)
{
    return c;
}

char32_t foldAscii(char32_t c)
{
    return c >= U'A' && c <= U'Z' ? c | 0x20 : c;
}

template <typename Unit> bool isItemAt(const Unit *at)
{
    for (qsizetype i = 0; i < itemLength; ++i) {
        if (foldAscii(unitValue(at[i])) != char32_t(item[size_t(i)]))
            return false;
    }
    return true;
}

// First ITEM_MARKER, in any letter case, at or after from; -1 when none.
// Candidates must have the four brackets at offsets 0, 11, 12 and 23, which
// sixteen positions at a time are tested for at once.
qsizetype findItem(const char *data, qsizetype size, qsizetype from)
{
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i open = _mm_set1_epi8('<');
    const __m128i close = _mm_set1_epi8('>');
    const auto load
        = [](const char *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); };
    for (; i + 16 + itemLength - 1 <= size; i += 16) {
        const char *p = data + i;
        const __m128i brackets = _mm_and_si128(
            _mm_and_si128(_mm_cmpeq_epi8(load(p), open), _mm_cmpeq_epi8(load(p + 11), close)),
            _mm_and_si128(_mm_cmpeq_epi8(load(p + 12), open), _mm_cmpeq_epi8(load(p + 23), close)));
        for (auto bits = unsigned(_mm_movemask_epi8(brackets)); bits != 0; bits &= bits - 1) {
            const qsizetype at = i + std::countr_zero(bits);
            if (isItemAt(data + at))
                return at;
        }
    }
#endif
    while (i + itemLength <= size) {
        const void *open = std::memchr(data + i, '<', size_t(size - itemLength + 1 - i));
        if (open == nullptr)
            break;
        i = static_cast<const char *>(open) - data;
        if (isItemAt(data + i))
            return i;
        ++i;
    }
    return -1;
}

qsizetype findItem(const char16_t *data, qsizetype size, qsizetype from)
{
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i open = _mm_set1_epi16('<');
    const __m128i close = _mm_set1_epi16('>');
    const auto load
        = [](const char16_t *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); };
    for (; i + 8 + itemLength - 1 <= size; i += 8) {
        const char16_t *p = data + i;
        const __m128i brackets = _mm_and_si128(
            _mm_and_si128(_mm_cmpeq_epi16(load(p), open), _mm_cmpeq_epi16(load(p + 11), close)),
            _mm_and_si128(
                _mm_cmpeq_epi16(load(p + 12), open), _mm_cmpeq_epi16(load(p + 23), close)));
        // Two mask bits per code unit; keep one.
        for (auto bits = unsigned(_mm_movemask_epi8(brackets)) & 0x5555u; bits != 0;
             bits &= bits - 1) {
            const qsizetype at = i + std::countr_zero(bits) / 2;
            if (isItemAt(data + at))
                return at;
        }
    }
#endif
    const std::u16string_view text(data, size_t(size));
    while (i + itemLength <= size) {
        const size_t open = text.find(u'<', size_t(i));
        if (open == std::u16string_view::npos)
            break;
        i = qsizetype(open);
        if (i + itemLength <= size && isItemAt(data + i))
            return i;
        ++i;
    }
    return -1;
}

// Whether the lower-cased text at `at` begins with tail (lower-case ASCII).
bool tailMatches(const char *at, qsizetype available, std::string_view tail)
{
    const auto byte = [at](qsizetype k) { return static_cast<unsigned char>(at[k]); };
    qsizetype k = 0;
    for (size_t j = 0; j < tail.size(); ++j) {
        if (k >= available)
            return false;
        const unsigned char b = byte(k);
        if (b < 0x80) {
            if (foldAscii(b) != char32_t(tail[j]))
                return false;
            ++k;
        } else if (tail[j] == 'k' && available - k >= 3 && b == 0xE2 && byte(k + 1) == 0x84
            && byte(k + 2) == 0xAA) {
            k += 3; // U+212A
        } else if (tail[j] == 'i' && j + 1 == tail.size() && available - k >= 2 && b == 0xC4
            && byte(k + 1) == 0xB0) {
            k += 2; // U+0130
        } else {
            return false;
        }
    }
    return true;
}

bool tailMatches(const char16_t *at, qsizetype available, std::string_view tail)
{
    if (available < qsizetype(tail.size()))
        return false;
    for (size_t j = 0; j < tail.size(); ++j) {
        const char16_t c = at[j];
        const bool same = c < 0x80 ? foldAscii(c) == char32_t(tail[j])
            : c == 0x212A          ? tail[j] == 'k'
                                   : c == 0x0130 && tail[j] == 'i' && j + 1 == tail.size();
        if (!same)
            return false;
    }
    return true;
}

template <typename Unit> PageScan scanUnits(const Unit *data, qsizetype size, std::string_view tail)
{
    qsizetype entries = 0;
    for (qsizetype at = findItem(data, size, 0); at >= 0;
         at = findItem(data, size, at + itemLength)) {
        if (tailMatches(data + at + itemLength, size - at - itemLength, tail))
            return { true, entries };
        ++entries;
    }
    return {};
}

enum class Prefix {
    Ascii, // no upper-case letter, nothing beyond ASCII: the fast scans apply
    NeverMatches, // an upper-case ASCII letter, which no lower-cased text holds
    Other, // other characters: left to the plain pipeline
};

// Sorts the prefix and, for an ASCII one, gives what must follow ITEM_MARKER.
Prefix classify(QStringView sitePrefix, std::string &tail)
{
    tail.assign(linkOpening);
    bool beyondAscii = false;
    for (const QChar c : sitePrefix) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            return Prefix::NeverMatches;
        if (u >= 0x80)
            beyondAscii = true;
        else
            tail += char(u);
    }
    return beyondAscii ? Prefix::Other : Prefix::Ascii;
}

} // namespace

PageScan scanPage(QByteArrayView page, QStringView sitePrefix)
{
    std::string tail;
    switch (classify(sitePrefix, tail)) {
    case Prefix::NeverMatches:
        return {};
    case Prefix::Other:
        return scanPagePlain(page, sitePrefix);
    case Prefix::Ascii:
        break;
    }
    return scanUnits(page.data(), page.size(), tail);
}

PageScan scanPageText(QStringView pageText, QStringView sitePrefix)
{
    std::string tail;
    switch (classify(sitePrefix, tail)) {
    case Prefix::NeverMatches:
        return {};
    case Prefix::Other:
        return scanPageTextPlain(pageText.toString(), sitePrefix);
    case Prefix::Ascii:
        break;
    }
    return scanUnits(pageText.utf16(), pageText.size(), tail);
}

PageScan scanPagePlain(QByteArrayView page, QStringView sitePrefix)
{
    return scanPageTextPlain(QString::fromUtf8(page), sitePrefix);
}

PageScan scanPageTextPlain(const QString &pageText, QStringView sitePrefix)
{
    const QString text = pageText.toLower();
    const qsizetype hit = text.indexOf(RESULT_MARKER.toString().append(sitePrefix));
    if (hit < 0)
        return {};
    const QStringView before = QStringView(text).first(hit);
    qsizetype entries = 0;
    for (qsizetype at = before.indexOf(ITEM_MARKER); at >= 0;
         at = before.indexOf(ITEM_MARKER, at + ITEM_MARKER.size()))
        ++entries;
    return { true, entries };
}
