#include "saveloopsettings.h"

#include "platform/codepage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

using namespace Qt::Literals::StringLiterals;

// A save killed at any moment leaves the settings file whole: each entry is
// written as a whole new file, so the file holds the old settings, the new
// ones, or the old ones with the first one or two entries new. A large other
// section makes each write long enough to be interrupted.
namespace {

TEST(InterruptedSave, SettingsFileIsAlwaysWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"TLV.INI"_s);
    QByteArray other = "[Other]\r\n";
    for (int i = 0; i < 2000; ++i)
        other += "entry" + QByteArray::number(i) + "=" + QByteArray(24, 'o') + "\r\n";
    const auto fileWith = [&other](const SaveLoopSettings &w, const SaveLoopSettings &m,
                              const SaveLoopSettings &u) {
        return "[APPLICATION]\r\nKeyWord=" + platform::toAnsi(w.keyWord) + "\r\nMaxPage="
            + QByteArray::number(m.maxPage) + "\r\nKeyUrl=" + platform::toAnsi(u.keyUrl) + "\r\n"
            + other;
    };
    // The loop starts from the first set and writes the second first.
    const SaveLoopSettings a = saveLoopFirst();
    const SaveLoopSettings b = saveLoopSecond();
    const QByteArray whole[] = { fileWith(a, a, a), fileWith(b, a, a), fileWith(b, b, a),
        fileWith(b, b, b), fileWith(a, b, b), fileWith(a, a, b) };

    int seen[6] = {};
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(whole[0]), whole[0].size());
        file.close();
        QProcess loop;
        loop.start(QStringLiteral(SAVE_LOOP_PROGRAM), { path });
        ASSERT_TRUE(loop.waitForStarted());
        ASSERT_TRUE(loop.waitForReadyRead(60000));
        // Moments spread over the first dozen or so writes.
        QThread::usleep((round * 7919) % 150000);
        loop.kill();
        ASSERT_TRUE(loop.waitForFinished());

        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray now = file.readAll();
        const auto state = std::find(std::begin(whole), std::end(whole), now) - std::begin(whole);
        ASSERT_LT(state, 6) << "the file holds " << now.size() << " bytes that no save leaves";
        ++seen[state];
    }
    // A kill during a write may leave that write's temporary file beside the settings file.
    std::cout << "states after 50 kills:";
    for (int count : seen)
        std::cout << ' ' << count;
    std::cout << "; temporary files left: "
              << QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() - 1 << std::endl;
}

} // namespace
