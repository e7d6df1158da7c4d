#include "search/pagescan.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kelvin = "\xE2\x84\xAA"; // lower-cases to "k"
const QByteArray dottedCapitalI = "\xC4\xB0"; // lower-cases to "i" and U+0307

struct HandMade
{
    QByteArray page;
    QString prefix;
    bool hit;
    qsizetype entriesBefore;
    bool hasEntry;
};

// Pages built to catch the byte scan's shortcuts. The fuzz target holds the
// scan against the plain pipeline on generated pages.
TEST(PageScan, HandMadePagesGiveTheExpectedEntryCount)
{
    const QByteArray item = "<li class=g><h3 class=r>";
    const QByteArray link = item + "<a href=\"";
    const std::vector<HandMade> cases { { link + "http://s/", u"http://s/"_s, true, 0, true },
        { item + "x" + item + "<a href=\"http://o/" + link + "http://s/", u"http://s/"_s, true, 2,
            true },
        { "<LI CLASS=G><H3 CLASS=R><A HREF=\"HTTP://O/<Li Class=G><h3 CLASS=r><a hReF=\"HTTP://S/",
            u"http://s/"_s, true, 1, true },
        { link + "http://S/", u"http://S/"_s, false, 0, true },
        { link + "http://s/", u"s/"_s, false, 0, true },
        { item + link + "x", u""_s, true, 1, true },
        { link + "http://" + kelvin + "e/", u"http://ke/"_s, true, 0, true },
        { link + "http://w" + dottedCapitalI, u"http://wi"_s, true, 0, true },
        { link + "http://w" + dottedCapitalI + "ki", u"http://wiki"_s, false, 0, true },
        { "\xEF\xBB\xBF" + link + "\xE4\xB8\xAD\xE6\x96\x87", u"中文"_s, true, 0, true },
        { item + "\xE4\x41" + link + "\xE4", u"\uFFFD"_s, true, 1, true },
        { "<li class=g><h3 class=r<li class=g><h3 class=r><a href=\"a", u"a"_s, true, 0, true },
        { "", u""_s, false, 0, false },
        // Whether a page without the site lists any result, whatever the prefix.
        { "<LI CLASS=G><H3 CLASS=R>", u"http://s/"_s, false, 0, true },
        { "<p>" + link + "http://o/", u"中文"_s, false, 0, true },
        { "<p>x</p>", u"HTTP://S/"_s, false, 0, false },
        { "<li class=g><h3 class=r <a href=\"http://s/", u"http://s/"_s, false, 0, false },
        { "<l" + dottedCapitalI + " class=g><h3 class=r><a href=\"http://s/", u"http://s/"_s, false,
            0, false } };
    for (const HandMade &c : cases) {
        SCOPED_TRACE(c.page.toPercentEncoding("<>=\" /:").toStdString());
        for (const PageScan &scan :
            { scanPage(c.page, c.prefix), scanPagePlain(c.page, c.prefix) }) {
            EXPECT_EQ(scan.hit, c.hit);
            EXPECT_EQ(scan.entriesBefore, c.entriesBefore);
            EXPECT_EQ(scan.hasEntry, c.hasEntry);
        }
    }
}

} // namespace
