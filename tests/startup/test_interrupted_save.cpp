#include "platform/codepage.h"
#include "startup/modini.h"
#include "startup/modpub.h"

#include "support/coreapp.h"
#include "support/files.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

// A save killed at any moment leaves the settings file whole: each entry is
// written as a whole new file, so the file holds the old settings, the new
// ones, or the old ones with the first one or two entries new. A large other
// section makes each write long enough to be interrupted. A kill during a
// write may leave that write's temporary file beside the settings file, but
// no save leaves one behind otherwise.
//
// The saver is this test program itself, started again to run the disabled
// case below and killed as the system kills any process (SIGKILL,
// TerminateProcess): on Windows it saves through the system's own functions,
// as the program does.
namespace {

struct Settings
{
    QString keyWord;
    qint32 maxPage;
    QString keyUrl;
};

// Two sets that differ in every entry and in length, so that a file holding
// part of a write matches neither. The file starts with the first set.
const Settings a { u"甲关键词"_s, 1, u"http://a.example/"_s };
const Settings b { u"乙"_s.repeated(60), -2000000000, u"http://b.example/"_s + QString(600, u'x') };

const char saverFileVariable[] = "TOLVARO_SAVER_FILE";

// Run only by the test below: saves the second set, the first, the
// second... into the file it is given until it is killed.
TEST(InterruptedSave, DISABLED_SavesUntilKilled)
{
    modIni::strIniFile = qEnvironmentVariable(saverFileVariable);
    ASSERT_FALSE(modIni::strIniFile.isEmpty());
    std::printf("started saving\n");
    std::fflush(stdout);
    for (bool second = true;; second = !second) {
        const Settings &s = second ? b : a;
        modPub::strKeyWord = s.keyWord;
        modPub::lngMaxPage = s.maxPage;
        modPub::strKeyUrl = s.keyUrl;
        modPub::SaveSettings();
    }
}

TEST(InterruptedSave, SettingsFileIsAlwaysWhole)
{
    ensureCoreApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = QDir::toNativeSeparators(dir.filePath(u"TLV.INI"_s));
    QByteArray other = "[Other]\r\n";
    for (int i = 0; i < 2000; ++i)
        other += "entry" + QByteArray::number(i) + "=" + QByteArray(24, 'o') + "\r\n";
    const auto fileWith = [&other](const Settings &w, const Settings &m, const Settings &u) {
        return "[APPLICATION]\r\nKeyWord=" + platform::toAnsi(w.keyWord)
            + "\r\nMaxPage=" + QByteArray::number(m.maxPage)
            + "\r\nKeyUrl=" + platform::toAnsi(u.keyUrl) + "\r\n" + other;
    };
    const QByteArray whole[] = { fileWith(a, a, a), fileWith(b, a, a), fileWith(b, b, a),
        fileWith(b, b, b), fileWith(a, b, b), fileWith(a, a, b) };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(saverFileVariable), file);

    int seen[6] = {};
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(writeFileBytes(file, whole[0]));
        QProcess saver;
        saver.setProcessEnvironment(environment);
        saver.start(QCoreApplication::applicationFilePath(),
            { u"--gtest_also_run_disabled_tests"_s,
                u"--gtest_filter=InterruptedSave.DISABLED_SavesUntilKilled"_s });
        ASSERT_TRUE(saver.waitForStarted()) << saver.errorString().toStdString();
        QByteArray said;
        // Windows' standard output ends the line with CR LF.
        while (!said.contains("started saving")) {
            ASSERT_TRUE(saver.waitForReadyRead(30000))
                << "the saver did not start saving: " << said.toStdString()
                << saver.readAllStandardError().toStdString();
            said += saver.readAllStandardOutput();
        }
        // Moments spread over the first dozen or so writes.
        QThread::usleep((round * 7919) % 150000);
        saver.kill();
        ASSERT_TRUE(saver.waitForFinished(30000));

        const QByteArray now = fileBytes(file);
        const auto state = std::find(std::begin(whole), std::end(whole), now) - std::begin(whole);
        ASSERT_LT(state, 6) << "the file holds " << now.size() << " bytes that no save leaves";
        ++seen[state];
        const qsizetype leftOver
            = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() - 1;
        ASSERT_LE(leftOver, round + 1) << "temporary files left after " << round + 1 << " kills";
    }
    std::printf("the kills left states 0-5 %d, %d, %d, %d, %d and %d times\n", seen[0], seen[1],
        seen[2], seen[3], seen[4], seen[5]);
    // The kills fell at different points of the saves, so the loop above
    // checked more than the file before the first write.
    EXPECT_GE(std::count_if(std::begin(seen), std::end(seen), [](int n) { return n > 0; }), 2)
        << "every kill left the file in state " << std::max_element(seen, seen + 6) - seen;
}

} // namespace
