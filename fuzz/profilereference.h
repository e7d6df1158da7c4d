#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

// A plain reading of a settings file, written separately from the program's
// reader and held against it: every line on its own, first section of a name
// and first key within it, ASCII letters compared without case. A file that
// begins with a UTF-16 (either byte order) or UTF-8 byte-order mark is that text.
namespace reference {

struct Entry
{
    qsizetype sectionIndex; // position among the section lines, -1 before the first
    QByteArray section;
    QByteArray key;
    QByteArray value; // trimmed, quotes still on
};

struct Profile
{
    // A file with a UTF-16 or UTF-8 byte-order mark, read as UTF-8 text.
    bool unicode = false;
    QList<QByteArray> sections; // every section line's name, duplicates included
    QList<Entry> entries;
};

Profile parse(QByteArrayView content);

// A section or key argument as the reader and the writer use it: cut at a
// NUL, each line break a blank, spaces at both ends dropped.
QByteArray argument(QByteArrayView name);

bool isAscii(QByteArrayView text);

// Letters compared without case; meant for ASCII names only, where that is
// the whole matching rule.
bool sameName(QByteArrayView a, QByteArrayView b);

// The value a read finds (quotes removed, in the code page), or nothing when the section or key
// is missing. Section and key are ASCII arguments.
std::optional<QByteArray> lookup(
    const Profile &profile, QByteArrayView section, QByteArrayView key);

// How many entries of the key the first section of that name holds.
qsizetype entryCount(const Profile &profile, QByteArrayView section, QByteArrayView key);

} // namespace reference
