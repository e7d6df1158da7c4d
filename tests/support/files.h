#pragma once

#include <QByteArray>
#include <QString>

// The whole file; "<missing>" when it cannot be read, so that a comparison
// with the expected bytes fails readably.
QByteArray fileBytes(const QString &path);

// Replaces the file with exactly these bytes; false when that fails.
bool writeFileBytes(const QString &path, const QByteArray &bytes);
