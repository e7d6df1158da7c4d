#include "demoengine/resultpages.h"

#include "localserver/deflate.h"

#include <QUrl>

#include <zlib.h>

#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr int entriesPerPage = 10;

// Sites the other entries link to; all under names reserved for examples.
constexpr std::array otherSites {
    u"https://baike.zhishi.example/item/",
    u"http://news.kuaixun.example/a/",
    u"https://zhidao.wenda.example/question/",
    u"http://www.zixun-wang.example/",
    u"https://blog.jishu.example/post/",
    u"http://bbs.luntan.example/thread-",
    u"https://www.shangcheng.example/goods/",
    u"http://v.shipin.example/play/",
    u"https://wenku.ziliao.example/view/",
    u"http://www.difang-zhengwu.example/xxgk/",
    u"https://m.shouji-bao.example/news/",
    u"http://tieba.quanzi.example/p/",
};

constexpr std::array titles {
    u"%1的最新消息",
    u"%1是什么意思？",
    u"关于%1的十个常见问题",
    u"%1入门教程（图文详解）",
    u"%1排行榜（最新版）",
    u"%1相关资讯_综合频道",
    u"%1_在线问答",
    u"如何看待%1？",
    u"%1价格、参数与用户评价",
    u"%1官方网站",
    u"%1 - 百科知识",
    u"%1视频大全_高清在线观看",
};

constexpr std::array snippets {
    u"本文详细介绍了%1的来龙去脉，包括发展历史、主要特点以及常见的使用方法，适合初学者阅读。",
    u"最新%1资讯，每日更新。提供全面、及时、准确的信息服务，欢迎广大网友浏览、评论和转载。",
    u"网友热议%1：有人认为它改变了行业格局，也有人持保留态度。点击查看更多精彩讨论……",
    u"%1相关的问题共有1024条回答，其中被采纳的最佳答案来自一位资深用户，内容翔实可信。",
    u"专业提供%1相关产品与服务，品质保证，价格实惠，全国包邮，七天无理由退换。",
    u"这里汇集了%1的图片、视频和文章，内容丰富，分类清晰，是您了解%1的好去处。",
};

// Chinese text for the padding scripts of large pages.
constexpr std::array fillerPhrases {
    u"正在加载，请稍候",
    u"网络连接异常，请检查您的网络设置后重试",
    u"相关搜索",
    u"为您推荐",
    u"以下是根据您的搜索历史生成的个性化推荐内容",
    u"登录后可同步您的搜索设置和浏览记录",
    u"举报不良信息",
    u"使用帮助与意见反馈",
};

quint32 fnv1a(const QByteArray &bytes)
{
    quint32 hash = 2166136261u;
    for (const char c : bytes) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    return hash;
}

QString escapeHtml(const QString &text)
{
    return text.toHtmlEscaped();
}

// Keeps a link address intact except for what would end the attribute.
QString attributeUrl(QString url)
{
    return url.replace(u'"', u"%22"_s).replace(u'<', u"%3C"_s).replace(u'>', u"%3E"_s);
}

QString searchLink(const QString &keyword, int start)
{
    return u"/search?hl=zh-CN&amp;newwindow=1&amp;sa=N&amp;q="_s
        + QString::fromLatin1(QUrl::toPercentEncoding(keyword)) + u"&amp;start="_s
        + QString::number(start);
}

struct Entry
{
    QString url;
    QString title;
    QString snippet;
};

Entry entryAt(const QString &keyword, quint32 seed, int rank, const QString &site, int siteRank)
{
    const quint32 mix = seed ^ (quint32(rank) * 2654435761u);
    const QString title = QString::fromUtf16(titles[mix % titles.size()]).arg(keyword);
    const QString snippet = QString::fromUtf16(snippets[(mix >> 8) % snippets.size()]).arg(keyword);
    if (rank == siteRank)
        return { site + u"article/"_s + QString::number(rank) + u".html"_s, title, snippet };
    const QString base = QString::fromUtf16(otherSites[(mix >> 16) % otherSites.size()]);
    return { base + QString::number(100000 + (mix % 900000)) + u".html"_s, title, snippet };
}

// The entry's markup. Most entries use the lower-case form; every seventh is
// written in upper case and every ninth links through a class attribute, as
// result pages mix such forms. The known site keeps the plain form.
QString entryMarkup(const Entry &entry, int rank, bool isSite)
{
    const QString url = attributeUrl(entry.url);
    const QString cache = u"http://cache.kuaizhao.example/search?q=cache:"_s + url;
    QString head;
    QString tail;
    if (!isSite && rank % 7 == 3) {
        head = u"<LI CLASS=G><H3 CLASS=R><A HREF=\""_s + url + u"\" TARGET=_blank>"_s
            + escapeHtml(entry.title) + u"</A></H3>"_s;
        tail = u"</LI>\n"_s;
    } else if (!isSite && rank % 9 == 5) {
        head = u"<li class=g><h3 class=r><a class=l href=\""_s + url + u"\" target=_blank>"_s
            + escapeHtml(entry.title) + u"</a></h3>"_s;
        tail = u"</li>\n"_s;
    } else {
        head = u"<li class=g><h3 class=r><a href=\""_s + url + u"\" target=_blank>"_s
            + escapeHtml(entry.title) + u"</a></h3>"_s;
        tail = u"</li>\n"_s;
    }
    return head + u"<div class=s><span class=st>"_s + escapeHtml(entry.snippet)
        + u"</span><br><cite>"_s + escapeHtml(entry.url) + u"</cite> - <a class=fl href=\""_s
        + cache + u"\">网页快照</a></div>"_s + tail;
}

// Inline style and script blocks of about the given size, the same for every
// page. They hold near misses of the entry markup (quoted attributes) as page
// scripts do.
QByteArray makePadding(qsizetype bytes)
{
    QByteArray padding;
    if (bytes <= 0)
        return padding;
    padding.reserve(bytes + 1024);
    int block = 0;
    while (padding.size() < bytes) {
        QString text;
        if (block % 4 == 0) {
            const QString name = u".c"_s + QString::number(block);
            text = u"<style>"_s + name
                + u"{margin:0 4px;padding:2px 0;color:#1a0dab;font-size:14px}"_s + name
                + u" a:hover{text-decoration:underline}"_s + name
                + u" li{list-style:none;line-height:1.58}</style>\n"_s;
        } else {
            text = u"<script>(function(){var m={"_s;
            for (int i = 0; i < 6; ++i) {
                text += u"\"t"_s + QString::number(block * 6 + i) + u"\":\""_s
                    + QString::fromUtf16(fillerPhrases[(block + i) % fillerPhrases.size()])
                    + u"\","_s;
            }
            text += u"\"tpl\":'<li class=\"g\"><h3 class=\"r\">'};window.__d=window.__d||[];"
                    "window.__d.push(m);})();</script>\n"_s;
        }
        padding += text.toUtf8();
        ++block;
    }
    return padding;
}

} // namespace

DemoResultPages::DemoResultPages(const DemoEngineOptions &options)
    : m_site(options.site)
    , m_siteRank(options.siteRank)
    , m_results(options.results)
{
    const Parts bare = parts(QString(), 0);
    m_padding = makePadding(options.pageBytes - bare.head.size() - bare.body.size());
    m_packedPadding = deflateBytes(m_padding, DeflateFormat::Raw, DeflateEnd::FullFlush);
    m_paddingCrc = quint32(
        crc32(0, reinterpret_cast<const Bytef *>(m_padding.constData()), uInt(m_padding.size())));
}

QByteArray DemoResultPages::page(const QString &keyword, int start) const
{
    const Parts p = parts(keyword, start);
    QByteArray page;
    page.reserve(p.head.size() + m_padding.size() + p.body.size());
    page += p.head;
    page += m_padding;
    page += p.body;
    return page;
}

QByteArray DemoResultPages::gzippedPage(const QString &keyword, int start) const
{
    const Parts p = parts(keyword, start);
    const auto crcOf = [](const QByteArray &bytes) {
        return crc32(0, reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
    };
    uLong crc = crcOf(p.head);
    crc = crc32_combine(crc, m_paddingCrc, z_off_t(m_padding.size()));
    crc = crc32_combine(crc, crcOf(p.body), z_off_t(p.body.size()));
    const quint32 size = quint32(p.head.size() + m_padding.size() + p.body.size());

    QByteArray packed("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    packed += deflateBytes(p.head, DeflateFormat::Raw, DeflateEnd::FullFlush);
    packed += m_packedPadding;
    packed += deflateBytes(p.body, DeflateFormat::Raw);
    for (const quint32 value : { quint32(crc), size }) {
        for (int shift = 0; shift < 32; shift += 8)
            packed += char((value >> shift) & 0xFF);
    }
    return packed;
}

DemoResultPages::Parts DemoResultPages::parts(const QString &keyword, int start) const
{
    const quint32 seed = fnv1a(keyword.toUtf8());
    const QString shownKeyword = escapeHtml(keyword);

    const QString head = u"<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
                         "<title>"_s
        + shownKeyword
        + u" - 搜索结果</title>\n<style>body{margin:0;font-family:arial,sans-serif}"
          "#res{padding:0 16px}.g{margin-bottom:26px}.st{color:#4d5156}cite{color:#006621}</style>\n"_s;

    const bool ends = m_results >= 0;
    const QString found = ends ? u"找到 "_s + QString::number(m_results) + u" 条结果"_s
                               : u"找到约 1,230,000 条结果"_s;
    QString body = u"</head><body>\n<div id=header><form action=\"/search\">"
                   "<input type=hidden name=hl value=\"zh-CN\"><input name=q value=\""_s
        + shownKeyword
        + u"\"><input type=submit value=\"搜索\"></form></div>\n"
          "<div id=resultStats>"_s
        + found + u"（第 "_s + QString::number(start / entriesPerPage + 1)
        + u" 页）</div>\n<div id=res><ol>\n"_s;
    if (ends && start >= m_results)
        body += u"<p class=none>没有更多结果。</p>\n"_s;
    for (int i = 0; i < entriesPerPage; ++i) {
        const int rank = start + i + 1;
        if (ends && rank > m_results)
            break;
        const bool isSite = rank == m_siteRank;
        body += entryMarkup(entryAt(keyword, seed, rank, m_site, m_siteRank), rank, isSite);
    }
    body += u"</ol></div>\n<div id=foot><table id=nav><tr>"_s;
    for (int page = 0; page < 10; ++page) {
        body += u"<td><a href=\""_s + searchLink(keyword, page * entriesPerPage) + u"\">"_s
            + QString::number(page + 1) + u"</a></td>"_s;
    }
    body += u"</tr></table>\n<ul id=related><li><a href=\""_s
        + searchLink(keyword + u" 是什么"_s, 0) + u"\">"_s + shownKeyword
        + u" 是什么</a></li><li><a href=\""_s + searchLink(keyword + u" 怎么样"_s, 0) + u"\">"_s
        + shownKeyword
        + u" 怎么样</a></li></ul></div>\n"
          "<script>document.getElementById('res').className+=' ready';</script>\n"
          "</body></html>\n"_s;

    return { head.toUtf8(), body.toUtf8() };
}
