#pragma once

#include <QByteArray>
#include <QString>

// Fetches one result page with an HTTP GET and returns its body undecoded
// (UTF-8 bytes), whatever the status code; every failure gives the empty
// array. The search scans these bytes as they are.
QByteArray GetBodyByXml(const QString &strUrl);

// The page's text: the body GetBodyByXml fetches, decoded as UTF-8. Any
// failure gives the empty text.
QString GetHtmlByXml(const QString &strUrl);

// The body bytes decoded with the named character set.
QString BytesToText(const QByteArray &body, const QString &charset);
