#pragma once

#include <QByteArray>
#include <QString>

// Fetches one result page with an HTTP GET and returns its body decoded as
// UTF-8, whatever the status code. Any failure of the exchange gives the
// empty text.
QString GetHtmlByXml(const QString &strUrl);

// The same fetch, handing over the body undecoded (UTF-8 bytes) for the
// search's byte scan; every failure gives the empty array.
QByteArray GetBodyByXml(const QString &strUrl);

// The body bytes decoded with the named character set.
QString BytesToText(const QByteArray &body, const QString &charset);
