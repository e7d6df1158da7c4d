#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The whole file; "<missing>" when it cannot be read, so that a comparison
// with the expected bytes fails readably.
QByteArray fileBytes(const QString &path);

// Replaces the file with exactly these bytes; false when that fails.
bool writeFileBytes(const QString &path, const QByteArray &bytes);

// A modification time long past and different from every earlier call's, so
// that each rewrite of a fixture shows in its time stamp: the platform's
// profile functions keep a file's content until its time stamp changes.
QDateTime distinctPastTime();

// writeFileBytes, then dated back to distinctPastTime().
bool writePastFileBytes(const QString &path, const QByteArray &bytes);
