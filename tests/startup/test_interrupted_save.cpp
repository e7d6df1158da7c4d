#include "platform/codepage.h"
#include "startup/modini.h"
#include "startup/modpub.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

// A save killed at any moment leaves the settings file whole: each entry is
// written as a whole new file, so the file holds the old settings, the new
// ones, or the old ones with the first one or two entries new. A large other
// section makes each write long enough to be interrupted.
namespace {

struct Settings
{
    QString keyWord;
    qint32 maxPage;
    QString keyUrl;
};

TEST(InterruptedSave, SettingsFileIsAlwaysWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    modIni::strIniFile = dir.filePath(u"TLV.INI"_s);
    QByteArray other = "[Other]\r\n";
    for (int i = 0; i < 2000; ++i)
        other += "entry" + QByteArray::number(i) + "=" + QByteArray(24, 'o') + "\r\n";
    const auto fileWith = [&other](const Settings &w, const Settings &m, const Settings &u) {
        return "[APPLICATION]\r\nKeyWord=" + platform::toAnsi(w.keyWord) + "\r\nMaxPage="
            + QByteArray::number(m.maxPage) + "\r\nKeyUrl=" + platform::toAnsi(u.keyUrl) + "\r\n"
            + other;
    };
    // Two sets that differ in every entry and in length, so that a file holding
    // part of a write matches neither. The file starts with the first set.
    const Settings a { u"甲关键词"_s, 1, u"http://a.example/"_s };
    const Settings b { u"乙"_s.repeated(60), -2000000000, u"http://b.example/"_s + QString(600, u'x') };
    const QByteArray whole[] = { fileWith(a, a, a), fileWith(b, a, a), fileWith(b, b, a),
        fileWith(b, b, b), fileWith(a, b, b), fileWith(a, a, b) };

    int seen[6] = {};
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        QFile file(modIni::strIniFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(whole[0]), whole[0].size());
        file.close();
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t saver = ::fork();
        ASSERT_GE(saver, 0);
        if (saver == 0) {
            // Saves the second set, the first, the second... until it is killed.
            if (::write(ready[1], "s", 1) != 1)
                ::_exit(1);
            for (bool second = true;; second = !second) {
                const Settings &s = second ? b : a;
                modPub::strKeyWord = s.keyWord;
                modPub::lngMaxPage = s.maxPage;
                modPub::strKeyUrl = s.keyUrl;
                modPub::SaveSettings();
            }
        }
        char started = 0;
        ASSERT_EQ(::read(ready[0], &started, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        // Moments spread over the first dozen or so writes.
        QThread::usleep((round * 7919) % 150000);
        ASSERT_EQ(::kill(saver, SIGKILL), 0);
        ASSERT_EQ(::waitpid(saver, nullptr, 0), saver);

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
