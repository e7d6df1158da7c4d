#include "platform/codepage.h"
#include "startup/modini.h"
#include "startup/modpub.h"

#include "support/files.h"

#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

// A save killed at any moment leaves the settings file whole: each entry is
// written as a whole new file, so the file holds the old settings, the new
// ones, or the old ones with the first one or two entries new. A large other
// section makes each write long enough to be interrupted. A kill during a
// write may leave that write's temporary file beside the settings file, but
// no save leaves one behind otherwise.
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
        return "[APPLICATION]\r\nKeyWord=" + platform::toAnsi(w.keyWord)
            + "\r\nMaxPage=" + QByteArray::number(m.maxPage)
            + "\r\nKeyUrl=" + platform::toAnsi(u.keyUrl) + "\r\n" + other;
    };
    // Two sets that differ in every entry and in length, so that a file holding
    // part of a write matches neither. The file starts with the first set.
    const Settings a { u"甲关键词"_s, 1, u"http://a.example/"_s };
    const Settings b { u"乙"_s.repeated(60), -2000000000,
        u"http://b.example/"_s + QString(600, u'x') };
    const QByteArray whole[] = { fileWith(a, a, a), fileWith(b, a, a), fileWith(b, b, a),
        fileWith(b, b, b), fileWith(a, b, b), fileWith(a, a, b) };

    int seen[6] = {};
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(writeFileBytes(modIni::strIniFile, whole[0]));
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

        const QByteArray now = fileBytes(modIni::strIniFile);
        const auto state = std::find(std::begin(whole), std::end(whole), now) - std::begin(whole);
        ASSERT_LT(state, 6) << "the file holds " << now.size() << " bytes that no save leaves";
        ++seen[state];
        const qsizetype leftOver
            = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() - 1;
        ASSERT_LE(leftOver, round + 1) << "temporary files left after " << round + 1 << " kills";
    }
    // The kills fell at different points of the saves, so the loop above
    // checked more than the file before the first write.
    EXPECT_GE(std::count_if(std::begin(seen), std::end(seen), [](int n) { return n > 0; }), 2)
        << "every kill left the file in state " << std::max_element(seen, seen + 6) - seen;
}

} // namespace
