#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The container around the compressed data: none (raw deflate), zlib (what
// HTTP calls "deflate") or gzip.
enum class DeflateFormat { Raw, Zlib, Gzip };

// How the compressed piece ends: Finish ends the stream; FullFlush leaves it
// open, byte-aligned and without references to earlier bytes, so that raw
// pieces compressed apart join into one valid stream.
enum class DeflateEnd { Finish, FullFlush };

// Compresses data in one call, at the fastest level: the servers compress
// for every answer, and the size hardly matters on 127.0.0.1.
QByteArray deflateBytes(
    QByteArrayView data, DeflateFormat format, DeflateEnd end = DeflateEnd::Finish);
