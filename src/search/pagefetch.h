#pragma once

#include <QByteArray>
#include <QString>

// One result page as its fetch got it.
struct PageBody
{
    // The body undecoded (UTF-8), whatever the status code; empty when the
    // fetch failed. The search scans these bytes as they are.
    QByteArray bytes;
    // The HTTP status code; 0 when no answer came.
    int status = 0;
    // Why no answer came, as the status line names it ("连接超时", ...);
    // empty when one came.
    QString failure;
};

// Fetches one result page with an HTTP GET.
PageBody GetBodyByXml(const QString &strUrl);
