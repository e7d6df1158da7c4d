#pragma once

#include <QByteArray>
#include <QString>

// Fetches one result page like GetHtmlByXml but hands over the body
// undecoded (UTF-8 bytes), for the search's byte scan. Every failure that
// gives GetHtmlByXml the empty text gives the empty array.
QByteArray GetBodyByXml(const QString &strUrl);
