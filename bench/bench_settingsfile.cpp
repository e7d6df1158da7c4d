// Reading and writing one entry of a 50 MB settings file of line breaks, in
// each of the file's three forms: time and peak resident memory of each step.
// Memory is the process's peak resident set (VmHWM), reset before each form.

#include "platform/profile.h"

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr qsizetype fileSize = 50 * 1024 * 1024;

double megabytes(qint64 bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

// VmHWM in bytes, or -1 where the system does not tell.
qint64 peakResident()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    }
    return -1;
}

void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The file is written a megabyte at a time, so that making it does not raise the peak.
bool makeFile(const QString &path, const QByteArray &mark, const QByteArray &lineBreak,
    const QByteArray &entry)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk;
    while (chunk.size() < 1024 * 1024)
        chunk += lineBreak;
    file.write(mark);
    qsizetype left = fileSize - mark.size() - entry.size();
    left -= left % lineBreak.size();
    while (left > 0) {
        const qsizetype size = std::min(chunk.size(), left);
        file.write(chunk.constData(), size);
        left -= size;
    }
    file.write(entry);
    return file.error() == QFileDevice::NoError;
}

QByteArray utf16(const char *text)
{
    QByteArray bytes;
    for (const char *c = text; *c; ++c)
        bytes += QByteArray(1, *c) + '\0';
    return bytes;
}

} // namespace

int main()
{
    using Clock = std::chrono::steady_clock;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TLV.INI"));
    const char entry[] = "[APPLICATION]\r\nKeyWord=old\r\n";
    const struct
    {
        const char *name;
        QByteArray mark;
        QByteArray lineBreak;
        QByteArray entry;
    } forms[] = {
        { "code page", {}, "\n", entry },
        { "UTF-8 with mark", "\xef\xbb\xbf", "\n", entry },
        { "UTF-16 with mark", "\xff\xfe", utf16("\n"), utf16(entry) },
    };

    std::printf("%-18s %10s %10s %10s %10s %10s\n", "form", "file MB", "read s", "write s",
        "peak MB", "base MB");
    bool right = true;
    for (const auto &form : forms) {
        if (!makeFile(path, form.mark, form.lineBreak, form.entry))
            return EXIT_FAILURE;
        const qint64 size = QFile(path).size();
        resetPeak();
        const qint64 base = peakResident();

        const auto begin = Clock::now();
        char buffer[144];
        const qint32 count = platform::getPrivateProfileString(
            "APPLICATION", "KeyWord", "", buffer, qint32(sizeof buffer), path);
        const auto read = Clock::now();
        right = right && QByteArray(buffer, count) == "old"
            && platform::writePrivateProfileString("APPLICATION", "KeyWord", "new", path);
        const auto written = Clock::now();

        const std::chrono::duration<double> readTime = read - begin;
        const std::chrono::duration<double> writeTime = written - read;
        std::printf("%-18s %10.1f %10.2f %10.2f %10.1f %10.1f\n", form.name, megabytes(size),
            readTime.count(), writeTime.count(), megabytes(peakResident()), megabytes(base));
        right = right && QFile(path).size() == size;
    }
    if (!right)
        std::printf("a read or write did not give the expected file\n");
    return right ? EXIT_SUCCESS : EXIT_FAILURE;
}
