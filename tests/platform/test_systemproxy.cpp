#include "platform/systemproxy.h"

#include <gtest/gtest.h>

using platform::bypassesProxy;
using platform::proxyForScheme;

TEST(SystemProxy, ListGivesTheProxyOfTheScheme)
{
    struct Case
    {
        const char *list;
        const char *scheme;
        const char *proxy;
    };
    const Case cases[] = {
        { "proxy:8080", "http", "proxy:8080" },
        { "proxy:8080", "https", "proxy:8080" },
        { "http=web:80;https=secure:443", "http", "web:80" },
        { "http=web:80;https=secure:443", "https", "secure:443" },
        { "HTTP=web:80 ftp=files:21", "http", "web:80" },
        { "ftp=files:21", "http", "" },
        { "https=secure:443;fallback:3128", "http", "fallback:3128" },
        { "", "http", "" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(proxyForScheme(c.list, c.scheme), QByteArray(c.proxy))
            << c.list << " " << c.scheme;
}

TEST(SystemProxy, BypassListMatchesNamesWildcardsAndLocal)
{
    struct Case
    {
        const char *bypass;
        const char *host;
        bool bypasses;
    };
    const Case cases[] = {
        { "<local>", "intranet", true },
        { "<local>", "www.example.com", false },
        { "*.example.com", "www.EXAMPLE.com", true },
        { "*.example.com", "example.com", false },
        { "10.*;192.168.*", "192.168.1.7", true },
        { "10.*;192.168.*", "110.1.1.1", false },
        { "a.example; b.example", "b.example", true },
        { "", "anything", false },
        { "*", "anything.at.all", true },
    };
    for (const Case &c : cases)
        EXPECT_EQ(bypassesProxy(c.bypass, c.host), c.bypasses) << c.bypass << " " << c.host;
}
