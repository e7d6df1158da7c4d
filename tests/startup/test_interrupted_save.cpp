#include "platform/codepage.h"
#include "startup/modini.h"
#include "startup/modpub.h"

#include "support/coreapp.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::Literals::StringLiterals;

// A save killed at any moment leaves the settings file whole: the old file or
// the complete new one, never some entries new, and at a first start either
// no file or the whole file of defaults. A large other section makes each
// save at the close long enough to be interrupted. A kill during a save may
// leave that save's temporary file (or the start's write test) beside the
// settings file, but nothing is left behind otherwise.
//
// The saver is this test program itself, started again to run the disabled
// case below and killed as the system kills any process (SIGKILL,
// TerminateProcess) at random moments: on Windows it saves through the
// system's own functions, as the program does.
namespace {

struct Settings
{
    QString keyWord;
    qint32 maxPage;
    QString keyUrl;
};

// Two sets that differ in every entry and in length, so that a file holding
// part of a save matches neither. The file starts with the first set.
const Settings a { u"甲关键词"_s, 1, u"http://a.example/"_s };
const Settings b { u"乙"_s.repeated(60), -2000000000, u"http://b.example/"_s + QString(600, u'x') };

const char saverFileVariable[] = "TOLVARO_SAVER_FILE";
const char firstStartVariable[] = "TOLVARO_SAVER_FIRST_START";

const QByteArray defaultFile = "[APPLICATION]\r\nKeyWord=" + platform::toAnsi(u"网站排名查询"_s)
    + "\r\nMaxPage=20\r\nKeyUrl=http://www.example.com/\r\n";

// Run only by the test below, until it is killed. At the close: saves the
// second set, the first, the second... into the file it is given. At a
// first start: removes the file and starts the program in its folder, which
// writes the defaults, again and again.
TEST(InterruptedSave, DISABLED_SavesUntilKilled)
{
    const QString file = qEnvironmentVariable(saverFileVariable);
    ASSERT_FALSE(file.isEmpty());
    const bool firstStart = qEnvironmentVariableIsSet(firstStartVariable);
    std::printf("started saving\n");
    std::fflush(stdout);
    if (firstStart) {
        const QString folder = QDir::toNativeSeparators(QFileInfo(file).absolutePath());
        for (;;) {
            QFile::remove(file);
            modPub::prepareSettings(folder);
            // The file lies there for a moment, as it does after a real start.
            QThread::msleep(5);
        }
    }
    modIni::strIniFile = file;
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
    QByteArray other = "[Other]\r\n";
    for (int i = 0; i < 2000; ++i)
        other += "entry" + QByteArray::number(i) + "=" + QByteArray(24, 'o') + "\r\n";
    const auto fileWith = [&other](const Settings &s) {
        return "[APPLICATION]\r\nKeyWord=" + platform::toAnsi(s.keyWord)
            + "\r\nMaxPage=" + QByteArray::number(s.maxPage)
            + "\r\nKeyUrl=" + platform::toAnsi(s.keyUrl) + "\r\n" + other;
    };
    // What fileBytes gives for no file.
    const QByteArray missing = "<missing>";
    const struct
    {
        const char *name;
        bool firstStart;
        std::vector<QByteArray> whole; // the states a kill may leave; the first is the start
    } runs[] = {
        { "the close's save", false, { fileWith(a), fileWith(b) } },
        { "the first start", true, { missing, defaultFile } },
    };

    for (const auto &run : runs) {
        SCOPED_TRACE(run.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString file = QDir::toNativeSeparators(dir.filePath(u"TLV.INI"_s));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(saverFileVariable), file);
        if (run.firstStart)
            environment.insert(QString::fromLatin1(firstStartVariable), u"1"_s);

        std::vector<int> seen(run.whole.size());
        for (int round = 0; round < 50; ++round) {
            SCOPED_TRACE(round);
            if (run.firstStart)
                QFile::remove(file);
            else
                ASSERT_TRUE(writeFileBytes(file, run.whole[0]));
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
            // A random moment within the first dozen or so saves.
            QThread::usleep(QRandomGenerator::global()->bounded(150000));
            saver.kill();
            ASSERT_TRUE(saver.waitForFinished(30000));

            const QByteArray now = fileBytes(file);
            const auto state = std::ranges::find(run.whole, now) - run.whole.begin();
            ASSERT_LT(state, qsizetype(run.whole.size()))
                << "the file holds " << now.size() << " bytes that no save leaves";
            ++seen[size_t(state)];
            const qsizetype leftOver = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size()
                - (state == 0 && run.firstStart ? 0 : 1);
            ASSERT_LE(leftOver, round + 1)
                << "temporary files left after " << round + 1 << " kills";
        }
        std::printf("%s: the kills left the old file %d times and the new one %d times\n", run.name,
            seen[0], seen[1]);
        // The kills fell at different points of the saves, so the loop above
        // checked more than the file before the first save.
        EXPECT_GT(seen[0], 0) << "every kill left the new file";
        EXPECT_GT(seen[1], 0) << "every kill left the old file";
    }
}

} // namespace
