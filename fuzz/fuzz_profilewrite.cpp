#include "platform/profile.h"

#include "profilereference.h"
#include "scratchfile.h"

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

// Any file, then a write of a plain value: the value reads back as written,
// every other entry reads as before, and removing the entry again leaves it
// unreadable (or shows the next entry of that key, when the section had two).
namespace {

// The read's value, or nothing when the section or key is missing: a missing
// entry gives the default, so two different defaults tell them apart.
std::optional<QByteArray> read(const QByteArray &section, const QByteArray &key, qint32 size)
{
    std::vector<char> buffer(static_cast<size_t>(size));
    const qint32 a = platform::getPrivateProfileString(
        section, key, "<a>", buffer.data(), size, fuzzing::scratchFile());
    const QByteArray first(buffer.data(), a);
    const qint32 b = platform::getPrivateProfileString(
        section, key, "<b>", buffer.data(), size, fuzzing::scratchFile());
    const QByteArray second(buffer.data(), b);
    if (first != second)
        return std::nullopt;
    return first;
}

QByteArray plainText(const QByteArray &bytes, const char *alphabet, qsizetype alphabetSize)
{
    QByteArray text;
    for (const char c : bytes)
        text += alphabet[uchar(c) % alphabetSize];
    return text;
}

struct Name
{
    QByteArray section;
    QByteArray key;
};

constexpr qsizetype checkedEntries = 24;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const char nameChars[] = "AaBbKkYyZz019._ ";
    static const char valueChars[] = "ABCXYZabcxyz0189";

    fuzzing::InputReader input(data, size);
    const uchar mode = input.byte();
    const uchar pick = input.byte();
    QByteArray section = plainText(input.bytes(input.byte() % 12), nameChars, 16);
    QByteArray key = plainText(input.bytes(input.byte() % 12), nameChars, 16);
    const QByteArray value = plainText(input.bytes(input.byte() % 24), valueChars, 16);
    const QByteArray content = input.rest();
    fuzzing::writeScratch(content);

    const reference::Profile before = reference::parse(content);
    // Entries whose names a read can reach, as its arguments.
    QList<Name> names;
    for (const reference::Entry &entry : before.entries) {
        const Name name { reference::argument(entry.section), reference::argument(entry.key) };
        const bool known = std::any_of(names.cbegin(), names.cend(),
            [&name](const Name &n) { return n.section == name.section && n.key == name.key; });
        if (!known && names.size() < checkedEntries)
            names.append(name);
    }
    // The target may be an existing entry or section. Its names must read back
    // as written: plain ASCII, and without a NUL, which would cut the name
    // where a tab or a blank could then end it (a name argument keeps a tab,
    // while the name in the file loses it).
    const auto usable
        = [](const QByteArray &name) { return reference::isAscii(name) && !name.contains('\0'); };
    if (mode % 3 == 1 && !before.entries.isEmpty()) {
        const reference::Entry &existing = before.entries[pick % before.entries.size()];
        if (usable(existing.section) && usable(existing.key)) {
            section = existing.section;
            key = existing.key;
        }
    } else if (mode % 3 == 2 && !before.sections.isEmpty()) {
        const QByteArray &existing = before.sections[pick % before.sections.size()];
        if (usable(existing))
            section = existing;
    }

    const qint32 bufferSize = qint32(content.size()) + 64;
    QList<std::optional<QByteArray>> values;
    for (const Name &name : names)
        values.append(read(name.section, name.key, bufferSize));
    const auto othersUnchanged = [&] {
        for (qsizetype i = 0; i < names.size(); ++i) {
            const Name &name = names[i];
            const bool target = reference::sameName(name.section, reference::argument(section))
                && reference::sameName(name.key, reference::argument(key));
            if (!target && read(name.section, name.key, bufferSize) != values[i])
                std::abort();
        }
    };

    if (!platform::writePrivateProfileString(
            section, key, QByteArrayView(value), fuzzing::scratchFile()))
        std::abort();
    if (read(section, key, bufferSize + qint32(value.size()) + 64) != value)
        std::abort();
    othersUnchanged();

    const QByteArray written = fuzzing::readScratch();
    const reference::Profile afterWrite = reference::parse(written);
    const qsizetype entries
        = reference::entryCount(afterWrite, reference::argument(section), reference::argument(key));
    if (entries < 1
        || !platform::writePrivateProfileString(section, key, std::nullopt, fuzzing::scratchFile()))
        std::abort();
    const std::optional<QByteArray> left = read(section, key, qint32(written.size()) + 64);
    if (entries == 1 ? left.has_value() : !left.has_value())
        std::abort();
    othersUnchanged();
    return 0;
}
