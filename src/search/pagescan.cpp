#include "search/pagescan.h"

#include <QString>

#include <bit>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The byte scan works on the page as it came over the wire, neither decoding
// nor lower-casing it, by relying on how lower-casing treats the characters
// that matter:
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
// ITEM_MARKER, so one walk over the entries finds the hit, the count and,
// when it ends without a hit, whether the page held any entry at all.
// ITEM_MARKER has no "k" and its one "i" stands before a blank, so neither
// of the two exceptions above can make one.

namespace {

constexpr std::string_view item = "<li class=g><h3 class=r>";
constexpr qsizetype itemLength = qsizetype(item.size());
constexpr std::string_view linkOpening = "<a href=\"";

static_assert(ITEM_MARKER.size() == itemLength);
static_assert(RESULT_MARKER.size() == itemLength + qsizetype(linkOpening.size()));

unsigned char foldAscii(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? c | 0x20 : c;
}

bool isItemAt(const char *at)
{
    for (qsizetype i = 0; i < itemLength; ++i) {
        if (foldAscii(static_cast<unsigned char>(at[i])) != item[size_t(i)])
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
            if (foldAscii(b) != tail[j])
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

enum class Prefix {
    Ascii, // no upper-case letter, nothing beyond ASCII: the byte scan applies
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
        return { false, 0, findItem(page.data(), page.size(), 0) >= 0 };
    case Prefix::Other:
        return scanPagePlain(page, sitePrefix);
    case Prefix::Ascii:
        break;
    }
    const char *data = page.data();
    const qsizetype size = page.size();
    qsizetype entries = 0;
    for (qsizetype at = findItem(data, size, 0); at >= 0;
         at = findItem(data, size, at + itemLength)) {
        if (tailMatches(data + at + itemLength, size - at - itemLength, tail))
            return { true, entries, true };
        ++entries;
    }
    return { false, 0, entries > 0 };
}

PageScan scanPagePlain(QByteArrayView page, QStringView sitePrefix)
{
    const QString text = QString::fromUtf8(page).toLower();
    const qsizetype hit = text.indexOf(RESULT_MARKER.toString().append(sitePrefix));
    if (hit < 0)
        return { false, 0, text.contains(ITEM_MARKER) };
    const QStringView before = QStringView(text).first(hit);
    qsizetype entries = 0;
    for (qsizetype at = before.indexOf(ITEM_MARKER); at >= 0;
         at = before.indexOf(ITEM_MARKER, at + ITEM_MARKER.size()))
        ++entries;
    return { true, entries, true };
}
