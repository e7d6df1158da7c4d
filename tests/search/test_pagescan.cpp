#include "search/pagescan.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kelvin = "\xE2\x84\xAA"; // lower-cases to "k"
const QByteArray dottedCapitalI = "\xC4\xB0"; // lower-cases to "i" and U+0307

void expectSameAsPlain(const QByteArray &page, const QString &prefix)
{
    const PageScan plain = scanPagePlain(page, prefix);
    const PageScan bytes = scanPage(page, prefix);
    const PageScan text = scanPageText(QString::fromUtf8(page), prefix);
    const std::string where = "page \"" + page.toPercentEncoding("<>=\" /:").toStdString()
        + "\" prefix \"" + prefix.toStdString() + '"';
    EXPECT_EQ(bytes.hit, plain.hit) << where;
    EXPECT_EQ(bytes.entriesBefore, plain.entriesBefore) << where;
    EXPECT_EQ(text.hit, plain.hit) << where;
    EXPECT_EQ(text.entriesBefore, plain.entriesBefore) << where;
}

struct HandMade
{
    QByteArray page;
    QString prefix;
    bool hit;
    qsizetype entriesBefore;
};

TEST(PageScan, HandMadePagesGiveTheExpectedEntryCount)
{
    const QByteArray item = "<li class=g><h3 class=r>";
    const QByteArray link = item + "<a href=\"";
    const std::vector<HandMade> cases { { link + "http://s/", u"http://s/"_s, true, 0 },
        { item + "x" + item + "<a href=\"http://o/" + link + "http://s/", u"http://s/"_s, true, 2 },
        { "<LI CLASS=G><H3 CLASS=R><A HREF=\"HTTP://O/<Li Class=G><h3 CLASS=r><a hReF=\"HTTP://S/",
            u"http://s/"_s, true, 1 },
        { link + "http://S/", u"http://S/"_s, false, 0 }, { link + "http://s/", u"s/"_s, false, 0 },
        { item + link + "x", u""_s, true, 1 },
        { link + "http://" + kelvin + "e/", u"http://ke/"_s, true, 0 },
        { link + "http://w" + dottedCapitalI, u"http://wi"_s, true, 0 },
        { link + "http://w" + dottedCapitalI + "ki", u"http://wiki"_s, false, 0 },
        { "\xEF\xBB\xBF" + link + "\xE4\xB8\xAD\xE6\x96\x87", u"中文"_s, true, 0 },
        { item + "\xE4\x41" + link + "\xE4", u"\uFFFD"_s, true, 1 },
        { "<li class=g><h3 class=r<li class=g><h3 class=r><a href=\"a", u"a"_s, true, 0 },
        { "", u""_s, false, 0 } };
    for (const HandMade &c : cases) {
        const PageScan scan = scanPage(c.page, c.prefix);
        EXPECT_EQ(scan.hit, c.hit) << c.page.toStdString();
        EXPECT_EQ(scan.entriesBefore, c.entriesBefore) << c.page.toStdString();
        expectSameAsPlain(c.page, c.prefix);
    }
}

// Pages stitched from fragments that stress every rule the scans rely on:
// letter case, the two non-ASCII characters that lower-case to ASCII,
// malformed UTF-8, Chinese text, markers cut short or run together.
TEST(PageScan, GeneratedPagesMatchThePlainPipeline)
{
    const std::vector<QString> prefixes { u""_s, u"http://s/"_s, u"http://k"_s, u"http://wi"_s,
        u"http://wiki/"_s, u"k"_s, u"i"_s, u"ki"_s, u"\""_s, u"<"_s, u"http://S/"_s,
        u"http://站点/"_s, u"\u212A"_s, u"\uFFFD"_s, u"i\u0307"_s };
    const std::vector<QByteArray> fixed { "<li class=g><h3 class=r>", "<LI CLASS=G><H3 CLASS=R>",
        "<a href=\"", "<A HREF=\"", "<li class=g>", "<h3 class=r>",
        "<li class=\"g\"><h3 class=\"r\">", "<", ">", "\"", " ", "=", "http://", "HTTP://", "s/",
        "S/", "k", "K", kelvin, "w", "i", "I", dottedCapitalI, "\xCC\x87",
        "\xE4\xB8\xAD\xE6\x96\x87", "\xE7\xAB\x99\xE7\x82\xB9", "\x80", "\xE2\x84", "\xC4",
        "\xF0\x9F\x98", "\xED\xA0\x80", "\xC1\x81", "\xFF", "\xEF\xBF\xBD", "\xEF\xBB\xBF",
        QByteArray(1, '\0'), "<script>var a='<li class=g>'" };
    std::mt19937 random(20240601);
    const auto pick = [&random](size_t count) {
        return std::uniform_int_distribution<size_t>(0, count - 1)(random);
    };
    for (int round = 0; round < 20000; ++round) {
        const QString &prefix = prefixes[pick(prefixes.size())];
        // Whole needles, sometimes with their letters in upper case, make hits likely.
        QByteArray needle = "<li class=g><h3 class=r><a href=\"" + prefix.toUtf8();
        std::vector<QByteArray> fragments = fixed;
        fragments.push_back(needle);
        fragments.push_back(needle.toUpper());
        QByteArray page;
        const size_t pieces = pick(80);
        for (size_t i = 0; i < pieces; ++i)
            page += fragments[pick(fragments.size())];
        expectSameAsPlain(page, prefix);
        if (testing::Test::HasFailure())
            break;
    }
}

} // namespace
