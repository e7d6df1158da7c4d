#include "platform/http.h"
#include "platform/systemproxy.h"
#include "support/rawserver.h"
#include "support/testserver.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

// The address as it goes out. Servers that misbehave are in
// test_http_hostile.cpp.
namespace {

// Blanks, "#" and characters beyond ASCII are also held by the wire test below
// and by the fuzz target.
TEST(WireAddress, EncodesWhatCannotStandRawAndKeepsTheRest)
{
    const struct
    {
        QString address;
        QByteArray wire;
    } cases[] = {
        { u"http://h/s?q=100%"_s, "http://h/s?q=100%25" },
        { u"http://h/s?q=%zz%4"_s, "http://h/s?q=%25zz%254" },
        { u"http://h/s?q=%E7%BD%91+x"_s, "http://h/s?q=%E7%BD%91+x" },
        { u"http://h/s?q=\"<x>\""_s, "http://h/s?q=%22%3Cx%3E%22" },
        { u"http://h#top"_s, "http://h/%23top" },
        // A host name beyond ASCII goes in its ASCII form, port and user kept.
        { u"HTTP://例子.example/路"_s, "HTTP://xn--fsqu00a.example/%E8%B7%AF" },
        { u"https://u@Bücher.example:8443?q=1"_s, "https://u@xn--bcher-kva.example:8443?q=1" },
        { u"http://[::1]:9090/s?q=网"_s, "http://[::1]:9090/s?q=%E7%BD%91" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        EXPECT_EQ(platform::HttpRequest::wireAddress(c.address), c.wire);
    }
}

// The pages of one search: the keyword goes out percent-encoded as UTF-8,
// and all of them over one connection.
TEST(WireAddress, SendsEncodedAddressesOverOneConnection)
{
    TestServer server([](httplib::Server &http, TestServer &) {
        http.Get("/search", [](const httplib::Request &, httplib::Response &response) {
            response.set_content("ok", "text/html");
        });
    });
    QStringList expected;
    for (const QString &start : { u"0"_s, u"10"_s, u"20"_s }) {
        platform::HttpRequest request;
        ASSERT_TRUE(request.open(server.url(u"/search?q=网站 排名#1&start="_s + start)));
        EXPECT_EQ(request.send().body, QByteArray("ok"));
        expected.append(u"/search?q=%E7%BD%91%E7%AB%99%20%E6%8E%92%E5%90%8D%231&start="_s + start);
    }
    EXPECT_EQ(server.targets(), expected);
    EXPECT_EQ(server.connectionCount(), 1);
}

// Sets environment variables for one test and puts them back as they were.
class ScopedEnvironment
{
public:
    ScopedEnvironment(std::initializer_list<const char *> names)
    {
        for (const char *name : names)
            m_saved.emplace_back(name,
                qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    }
    ~ScopedEnvironment()
    {
        for (const auto &[name, value] : m_saved) {
            if (value)
                qputenv(name, *value);
            else
                qunsetenv(name);
        }
        platform::forgetSystemProxies();
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    std::vector<std::pair<const char *, std::optional<QByteArray>>> m_saved;
};

// With a proxy set, every loopback address is asked directly: a proxy could
// not reach this machine's own servers, and the keyword is no business of it.
// Other hosts do go through the proxy, which here refuses them.
TEST(Proxy, LoopbackAddressesBypassIt)
{
    TestServer proxy([](httplib::Server &http, TestServer &) {
        http.Get(".*",
            [](const httplib::Request &, httplib::Response &response) { response.status = 502; });
    });
    TestServer local([](httplib::Server &http, TestServer &) {
        http.Get("/search", [](const httplib::Request &, httplib::Response &response) {
            response.set_content("ok", "text/html");
        });
    });
    const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    RawServer second(ok, u"127.0.0.2"_s);
    RawServer distant(ok, u"127.1.2.3"_s);

    const ScopedEnvironment environment { "http_proxy", "no_proxy", "NO_PROXY" };
    platform::forgetSystemProxies();
    qputenv("http_proxy", proxy.url(QString()).toUtf8());
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");

    const QString localPort = local.url(QString()).section(u':', 2);
    for (const QString &address : { local.url(u"/search"_s), second.url(u"/search"_s),
             distant.url(u"/search"_s), u"http://localhost:"_s + localPort + u"/search"_s }) {
        SCOPED_TRACE(address.toStdString());
        platform::HttpRequest request;
        ASSERT_TRUE(request.open(address));
        const platform::HttpResponse response = request.send();
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.body, QByteArray("ok"));
    }
    EXPECT_EQ(second.answered(), 1);
    EXPECT_EQ(distant.answered(), 1);
    EXPECT_EQ(proxy.targets(), QStringList());

    platform::HttpRequest request;
    ASSERT_TRUE(request.open(u"http://www.example.com/search"_s));
    EXPECT_EQ(request.send().status, 502);
    EXPECT_EQ(proxy.targets(), QStringList { u"http://www.example.com/search"_s });
}

#ifdef Q_OS_WIN
// The user's Internet settings as the system keeps them: a configuration
// script and a fixed proxy server (either may be empty), in the registry of
// the test's own Wine prefix. The earlier value is put back at the end.
class ScopedInternetSettings
{
public:
    ScopedInternetSettings()
    {
        RegCreateKeyExW(HKEY_CURRENT_USER, keyName, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
            &m_key, nullptr);
        DWORD size = 0;
        if (RegQueryValueExW(m_key, valueName, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
            m_saved = QByteArray(qsizetype(size), '\0');
            RegQueryValueExW(m_key, valueName, nullptr, nullptr,
                reinterpret_cast<BYTE *>(m_saved->data()), &size);
        }
    }
    ~ScopedInternetSettings()
    {
        if (m_saved)
            write(*m_saved);
        else
            RegDeleteValueW(m_key, valueName);
        RegCloseKey(m_key);
    }
    ScopedInternetSettings(const ScopedInternetSettings &) = delete;
    ScopedInternetSettings &operator=(const ScopedInternetSettings &) = delete;

    void set(const QString &script, const QString &fixedProxy)
    {
        // A version, a change counter and the flags (1 direct, 2 a fixed
        // proxy, 4 a script), then the proxy, the bypass list and the script,
        // each as a length and the characters, then the detection state.
        const quint32 flags = 1 | (fixedProxy.isEmpty() ? 0 : 2) | (script.isEmpty() ? 0 : 4);
        QByteArray blob;
        const auto number = [&blob](quint32 n) {
            for (int shift = 0; shift < 32; shift += 8)
                blob += char((n >> shift) & 0xFF);
        };
        const auto text = [&](const QString &t) {
            number(quint32(t.size()));
            blob += t.toLatin1();
        };
        number(0x46);
        number(++m_counter);
        number(flags);
        text(fixedProxy);
        // Tests that run meanwhile in the same prefix ask only for names
        // under .invalid, which must keep going directly.
        text(fixedProxy.isEmpty() ? QString() : u"*.invalid"_s);
        text(script);
        blob += QByteArray(32, '\0');
        write(blob);
    }

private:
    void write(const QByteArray &blob)
    {
        RegSetValueExW(m_key, valueName, 0, REG_BINARY,
            reinterpret_cast<const BYTE *>(blob.constData()), DWORD(blob.size()));
    }

    static constexpr const wchar_t *keyName
        = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
    static constexpr const wchar_t *valueName = L"DefaultConnectionSettings";
    HKEY m_key = nullptr;
    std::optional<QByteArray> m_saved;
    quint32 m_counter = 0;
};
#endif

// A proxy on loopback that answers every request itself, and a configuration
// script served beside it that sends search.tolvaro.test to that proxy and
// every other name directly.
struct ScriptedProxy
{
    const QByteArray viaProxy = "via proxy";
    TestServer proxy { [this](httplib::Server &http, TestServer &) {
        http.Get(".*", [this](const httplib::Request &, httplib::Response &response) {
            response.set_content(viaProxy.toStdString(), "text/html");
        });
    } };
    TestServer scripts { [this](httplib::Server &http, TestServer &) {
        http.Get("/route.pac", [this](const httplib::Request &, httplib::Response &r) {
            r.set_content("function FindProxyForURL(url, host) {\n"
                          "  if (host == \"search.tolvaro.test\")\n"
                          "    return \"PROXY "
                    + proxy.url(QString()).sliced(7).toStdString()
                    + "\";\n  return \"DIRECT\";\n}\n",
                "application/x-ns-proxy-autoconfig");
        });
    } };

    QString script() const { return scripts.url(u"/route.pac"_s); }
};

const QString routed = u"http://search.tolvaro.test/search?q=x"_s;

// A configuration script, served on this machine, chooses the proxy for each
// address; one that cannot be fetched leaves the fixed proxy server, if any,
// then the direct way. Windows: the user's Internet settings (in the test's
// own Wine prefix). Elsewhere: named in http_proxy as "pac+<address>", as
// libproxy reads it where no desktop settings apply (which have no fixed
// proxy beside a script).
TEST(Proxy, ConfigurationScriptChoosesIt)
{
    const ScriptedProxy servers;
    const TestServer &proxy = servers.proxy;
    const QByteArray &viaProxy = servers.viaProxy;
    QString closed;
    {
        TestServer gone([](httplib::Server &, TestServer &) {});
        closed = gone.url(u"/route.pac"_s);
    }
    const QString elsewhere = u"http://"_s + unresolvableHost() + u"/search?q=x"_s;
    const struct
    {
        const char *name;
        QString script;
        QString fixedProxy;
        QString address;
        bool proxied;
    } cases[] = {
        { "a name the script routes", servers.script(), QString(), routed, true },
        { "a name the script sends direct", servers.script(), QString(), elsewhere, false },
        { "a script that cannot be fetched", closed, QString(), elsewhere, false },
#ifdef Q_OS_WIN
        { "a script that cannot be fetched, and a fixed proxy", closed,
            proxy.url(QString()).sliced(7), routed, true },
#endif
    };

    const ScopedEnvironment environment { "http_proxy", "https_proxy", "no_proxy", "NO_PROXY" };
    qunsetenv("http_proxy");
    qunsetenv("https_proxy");
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");
#ifdef Q_OS_WIN
    ScopedInternetSettings settings;
#endif
    const auto useSettings = [&](const QString &script, const QString &fixedProxy) {
#ifdef Q_OS_WIN
        settings.set(script, fixedProxy);
#else
        Q_UNUSED(fixedProxy);
        qputenv("http_proxy", "pac+" + script.toUtf8());
#endif
    };
    int proxied = 0;
    const auto expectProxied = [&](const QString &address) {
        platform::HttpRequest request;
        ASSERT_TRUE(request.open(address));
        EXPECT_EQ(request.send().body, viaProxy);
        EXPECT_EQ(proxy.targets().value(proxied++), address);
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        platform::forgetSystemProxies();
        useSettings(c.script, c.fixedProxy);
        if (c.proxied) {
            expectProxied(c.address);
        } else {
            platform::HttpRequest request;
            ASSERT_TRUE(request.open(c.address));
            const platform::HttpResponse response = request.send();
            EXPECT_EQ(response.failure, platform::HttpFailure::CannotConnect);
            EXPECT_EQ(response.host, unresolvableHost());
        }
        EXPECT_EQ(proxy.targets().size(), proxied);
    }

    // The answer is kept until the next search: settings changed meanwhile
    // count from then on.
    platform::forgetSystemProxies();
    useSettings(servers.script(), QString());
    expectProxied(routed);
    useSettings(closed, QString());
    expectProxied(routed);
}

#ifndef Q_OS_WIN
// The desktop's own settings, GNOME's here, name the script. Run by CTest as
// test_http_desktop, in a GNOME session of its own whose settings live in a
// key file under the build folder; skipped elsewhere, since libproxy reads
// the desktop's settings only in such a session, and once per process.
TEST(Proxy, DesktopSettingsNameTheScript)
{
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (qgetenv("DESKTOP_SESSION") != "gnome" || qgetenv("GSETTINGS_BACKEND") != "keyfile"
        || folder.isEmpty())
        GTEST_SKIP() << "needs a GNOME session with its settings in a key file";
    const ScriptedProxy servers;
    ASSERT_TRUE(QDir().mkpath(folder + u"/glib-2.0/settings"_s));
    QFile keyFile(folder + u"/glib-2.0/settings/keyfile"_s);
    ASSERT_TRUE(keyFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    keyFile.write(
        "[system/proxy]\nmode='auto'\nautoconfig-url='" + servers.script().toUtf8() + "'\n");
    keyFile.close();

    const ScopedEnvironment environment { "http_proxy", "https_proxy", "no_proxy", "NO_PROXY" };
    qunsetenv("http_proxy");
    qunsetenv("https_proxy");
    platform::forgetSystemProxies();
    platform::HttpRequest request;
    ASSERT_TRUE(request.open(routed));
    EXPECT_EQ(request.send().body, servers.viaProxy);
    EXPECT_EQ(servers.proxy.targets(), QStringList { routed });
}
#endif

} // namespace
