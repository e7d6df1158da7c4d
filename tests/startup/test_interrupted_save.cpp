#include "saveloopsettings.h"

#include "platform/codepage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <iostream>
#include <map>

using namespace Qt::Literals::StringLiterals;

// A save killed at any moment leaves the settings file whole: each of its
// three entries is replaced by a whole new file, so the file holds the old
// settings, the new ones, or the old ones with the first one or two entries
// already new; never a part of a line. The file carries a large other
// section so that each write takes long enough to be interrupted.
namespace {

QByteArray fileWith(
    const QString &keyWord, qint32 maxPage, const QString &keyUrl, const QByteArray &other)
{
    return "[APPLICATION]\r\nKeyWord=" + platform::toAnsi(keyWord) + "\r\nMaxPage="
        + QByteArray::number(maxPage) + "\r\nKeyUrl=" + platform::toAnsi(keyUrl) + "\r\n" + other;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(InterruptedSave, SettingsFileIsAlwaysWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"TLV.INI"_s);

    QByteArray other = "[Other]\r\n";
    for (int i = 0; i < 2000; ++i)
        other += "entry" + QByteArray::number(i) + "=" + QByteArray(24, 'o') + "\r\n";

    // The loop starts from the first set and writes the second first.
    const SaveLoopSettings a = saveLoopFirst();
    const SaveLoopSettings b = saveLoopSecond();
    const QByteArray whole[] = {
        fileWith(a.keyWord, a.maxPage, a.keyUrl, other),
        fileWith(b.keyWord, a.maxPage, a.keyUrl, other),
        fileWith(b.keyWord, b.maxPage, a.keyUrl, other),
        fileWith(b.keyWord, b.maxPage, b.keyUrl, other),
        fileWith(a.keyWord, b.maxPage, b.keyUrl, other),
        fileWith(a.keyWord, a.maxPage, b.keyUrl, other),
    };

    constexpr int rounds = 50;
    std::map<int, int> seen;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ASSERT_EQ(file.write(whole[0]), whole[0].size());
        }
        QProcess loop;
        loop.start(QStringLiteral(SAVE_LOOP_PROGRAM), { path });
        ASSERT_TRUE(loop.waitForStarted());
        ASSERT_TRUE(loop.waitForReadyRead(60000));
        // Moments spread over the first dozen or so writes.
        QThread::usleep((round * 7919) % 150000);
        loop.kill();
        ASSERT_TRUE(loop.waitForFinished());

        const QByteArray now = readAll(path);
        int state = -1;
        for (int i = 0; i < 6; ++i) {
            if (now == whole[i])
                state = i;
        }
        EXPECT_GE(state, 0) << "the file holds " << now.size() << " bytes that no save leaves";
        ++seen[state];
    }

    // A kill during a write leaves that write's temporary file beside the
    // settings file; the settings file itself is never affected.
    const QStringList stray = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    std::cout << "states after " << rounds << " kills:";
    for (const auto &[state, count] : seen)
        std::cout << ' ' << state << ':' << count;
    std::cout << "; temporary files left: " << stray.size() - 1 << std::endl;
}

} // namespace
