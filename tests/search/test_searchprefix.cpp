#include "search/searchprefix.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(SearchPrefix, TakesTheHostInItsAcceptedForms)
{
    const std::pair<const char16_t *, const char16_t *> cases[]
        = { { u"", u"http://127.0.0.1:8080" }, { u"  ", u"http://127.0.0.1:8080" },
              { u"www.example.com", u"http://www.example.com" },
              { u"127.0.0.1:9000/", u"http://127.0.0.1:9000" },
              { u"HTTP://a.example", u"http://a.example" },
              { u"https://a.example:8443//", u"https://a.example:8443" },
              { u"http://", u"http://127.0.0.1:8080" } };
    for (const auto &[host, origin] : cases) {
        EXPECT_EQ(searchPrefix(QString::fromUtf16(host)),
            QString::fromUtf16(origin) + QStringLiteral("/search?hl=zh-CN&newwindow=1&sa=N&q="));
    }
}

} // namespace
