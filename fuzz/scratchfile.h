#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

// One settings file per fuzzing process, in memory-backed storage where the
// system has it, rewritten for every input.
namespace fuzzing {

inline QTemporaryDir &scratchFolder()
{
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
            ? QStringLiteral("/dev/shm/tolvaro-fuzz-XXXXXX")
            : QDir::tempPath() + QStringLiteral("/tolvaro-fuzz-XXXXXX"));
    if (!folder.isValid())
        std::abort();
    return folder;
}

inline QString scratchFile()
{
    static const QString path = scratchFolder().filePath(QStringLiteral("TLV.INI"));
    return path;
}

inline void writeScratch(const QByteArray &bytes)
{
    QFile file(scratchFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

inline QByteArray readScratch()
{
    QFile file(scratchFile());
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

// Reads the input from front to back; past its end every read gives zeros.
class InputReader
{
public:
    InputReader(const uint8_t *data, size_t size)
        : m_data(reinterpret_cast<const char *>(data))
        , m_size(qsizetype(size))
    {
    }

    uchar byte() { return m_at < m_size ? uchar(m_data[m_at++]) : 0; }

    QByteArray bytes(qsizetype count)
    {
        count = std::min(count, m_size - m_at);
        const QByteArray result(m_data + m_at, count);
        m_at += count;
        return result;
    }

    QByteArray rest() { return bytes(m_size - m_at); }

private:
    const char *m_data;
    qsizetype m_size;
    qsizetype m_at = 0;
};

} // namespace fuzzing
