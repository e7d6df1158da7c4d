#include "platform/codepage.h"
#include "platform/filename_posix.h"
#include "platform/folders.h"
#include "startup/modini.h"
#include "startup/modpub.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

// Where the settings file lies for each kind of program folder and home, what
// the first start loads, whether an edit comes back at the next start, and
// that nothing is written anywhere but in the settings file's place. These
// are about POSIX file systems: names are bytes, permission bits and mounts.
namespace {

// 中文 in code page 936, which is no UTF-8.
const QByteArray cp936 = "\xd6\xd0\xce\xc4";
// With LF line ends, and spaces around the search host that loading trims.
const QByteArray shipped = "[APPLICATION]\nKeyWord=shipped\nMaxPage=3\nKeyUrl=http://a/\n"
                           "SearchHost= 127.0.0.1:9090 \n";
const QByteArray defaultFile = "[APPLICATION]\r\nKeyWord=" + platform::toAnsi(u"网站排名查询"_s)
    + "\r\nMaxPage=20\r\nKeyUrl=http://www.example.com/\r\n";
// A UTF-16 file without the settings.
const QByteArray utf16Shipped = QByteArray("\xff\xfe[\0A\0]\0\n\0", 10);

bool isRoot()
{
    return ::geteuid() == 0;
}

// The tree under `path`, each name with its content ("/" for a folder).
void snapshot(const QByteArray &path, std::map<QByteArray, QByteArray> &tree, bool contents = true)
{
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0)
        return;
    if (!S_ISDIR(info.st_mode)) {
        if (!contents) {
            tree[path] = QByteArray::number(qint64(info.st_mtime));
            return;
        }
        QByteArray content;
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
        char buffer[4096];
        for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            content.append(buffer, n);
        if (fd >= 0)
            ::close(fd);
        tree[path] = S_ISREG(info.st_mode) ? content : QByteArray("<special>");
        return;
    }
    tree[path] = "/";
    DIR *dir = ::opendir(path.constData());
    while (const dirent *entry = dir ? ::readdir(dir) : nullptr) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            snapshot(path + '/' + name, tree, contents);
    }
    if (dir)
        ::closedir(dir);
}

void put(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
    ::close(fd);
}

// A folder that cannot be written: a read-only mount for the superuser (whom
// the bits do not stop), the bits for anyone else.
void makeReadOnly(const QByteArray &folder, std::vector<QByteArray> &mounts)
{
    if (isRoot()) {
        ASSERT_EQ(::mount("tolvaro-test", folder.constData(), "tmpfs", MS_RDONLY, nullptr), 0);
        mounts.push_back(folder);
    } else {
        ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
    }
}

struct Scratch
{
    QByteArray root;
    QByteArray program; // the program's folder
    std::vector<QByteArray> mounts;
    QByteArray at(const char *relative) const { return root + '/' + relative; }
};

struct Case
{
    const char *name;
    bool rootOnly;
    std::function<void(Scratch &)> arrange;
    const char *settingsFile; // under the scratch folder; nullptr: no file
    bool written; // an edit is saved there and comes back
    const char *keyWord; // what the first start loads
    const char *searchHost;
    // What the first start leaves in the settings file, when it is written.
    std::optional<QByteArray> firstFile = std::nullopt;
};

const Case cases[] = {
    { "portable: the user's own folder", false,
        [](Scratch &s) { put(s.program + "/TLV.INI", shipped); }, "program/TLV.INI", true,
        "shipped", "127.0.0.1:9090" },
    { "portable, no file yet: the defaults beside the program", false, [](Scratch &) {},
        "program/TLV.INI", true, "网站排名查询", "", defaultFile },
    // Users freeze their settings by write-protecting the file; it is still read.
    { "a write-protected file beside the program: read, never written", false,
        [](Scratch &s) {
            put(s.program + "/TLV.INI", shipped);
            ASSERT_EQ(::chmod((s.program + "/TLV.INI").constData(), 0400), 0);
        },
        "program/TLV.INI", false, "shipped", "127.0.0.1:9090" },
    { "portable: a folder named in code page 936", false,
        [](Scratch &s) {
            s.program = s.at("") + cp936;
            ASSERT_EQ(::mkdir(s.program.constData(), 0755), 0);
            put(s.program + "/TLV.INI", shipped);
        },
        "\xd6\xd0\xce\xc4/TLV.INI", true, "shipped", "127.0.0.1:9090" },
    // An installed program: the per-user file starts as a copy of the file
    // shipped beside the program, byte for byte, in any form.
    { "the folder's bits forbid writing: per-user, seeded", false,
        [](Scratch &s) {
            put(s.program + "/TLV.INI", shipped);
            ASSERT_EQ(::chmod(s.program.constData(), 0555), 0);
        },
        "home/.config/tolvaro/TLV.INI", true, "shipped", "127.0.0.1:9090", shipped },
    { "the folder's bits forbid writing, a write-protected UTF-16 file: seeded", false,
        [](Scratch &s) {
            put(s.program + "/TLV.INI", utf16Shipped);
            ASSERT_EQ(::chmod((s.program + "/TLV.INI").constData(), 0400), 0);
            ASSERT_EQ(::chmod(s.program.constData(), 0555), 0);
        },
        "home/.config/tolvaro/TLV.INI", true, "", "", utf16Shipped },
    { "a read-only mount: per-user, defaults", true,
        [](Scratch &s) { makeReadOnly(s.program, s.mounts); }, "home/.config/tolvaro/TLV.INI", true,
        "网站排名查询", "" },
    { "another user's folder: per-user, seeded", true,
        [](Scratch &s) {
            put(s.program + "/TLV.INI", shipped);
            ASSERT_EQ(::chown(s.program.constData(), 65534, 65534), 0);
        },
        "home/.config/tolvaro/TLV.INI", true, "shipped", "127.0.0.1:9090" },
    // As an installed program's folder is to its users: the owner may write
    // it, the user is not the owner. The superuser is judged the same way.
    { "another user's folder, no file: per-user, defaults", true,
        [](Scratch &s) { ASSERT_EQ(::chown(s.program.constData(), 65534, 65534), 0); },
        "home/.config/tolvaro/TLV.INI", true, "网站排名查询", "", defaultFile },
    { "a folder everyone may write, with another user's file: never used", true,
        [](Scratch &s) {
            put(s.program + "/TLV.INI", shipped);
            ASSERT_EQ(::chown((s.program + "/TLV.INI").constData(), 65534, 65534), 0);
            ASSERT_EQ(::chmod(s.program.constData(), 01777), 0);
        },
        "home/.config/tolvaro/TLV.INI", true, "网站排名查询", "" },
    { "a link another user put into a folder everyone may write: never followed", true,
        [](Scratch &s) {
            put(s.at("mine.ini"), shipped);
            ASSERT_EQ(
                ::symlink(s.at("mine.ini").constData(), (s.program + "/TLV.INI").constData()), 0);
            ASSERT_EQ(::lchown((s.program + "/TLV.INI").constData(), 65534, 65534), 0);
            ASSERT_EQ(::chmod(s.program.constData(), 01777), 0);
        },
        "home/.config/tolvaro/TLV.INI", true, "网站排名查询", "" },
    { "a link another user put there to a name not made yet: nothing made there", true,
        [](Scratch &s) {
            ASSERT_EQ(
                ::symlink(s.at("theirs.ini").constData(), (s.program + "/TLV.INI").constData()), 0);
            ASSERT_EQ(::lchown((s.program + "/TLV.INI").constData(), 65534, 65534), 0);
            ASSERT_EQ(::chmod(s.program.constData(), 01777), 0);
        },
        "home/.config/tolvaro/TLV.INI", true, "网站排名查询", "" },
    { "the user's own link: read and written through", false,
        [](Scratch &s) {
            ASSERT_EQ(::mkdir(s.at("dotfiles").constData(), 0700), 0);
            put(s.at("dotfiles/TLV.INI"), shipped);
            ASSERT_EQ(::symlink("../dotfiles/TLV.INI", (s.program + "/TLV.INI").constData()), 0);
        },
        "program/TLV.INI", true, "shipped", "127.0.0.1:9090" },
    { "the user's own link that leads nowhere: no file made through it", false,
        [](Scratch &s) {
            ASSERT_EQ(
                ::symlink(s.at("gone.ini").constData(), (s.program + "/TLV.INI").constData()), 0);
        },
        "home/.config/tolvaro/TLV.INI", true, "网站排名查询", "" },
    { "XDG_CONFIG_HOME absolute", false,
        [](Scratch &s) {
            qputenv("XDG_CONFIG_HOME", s.at("xdg"));
            ASSERT_EQ(::chmod(s.program.constData(), 0555), 0);
        },
        "xdg/tolvaro/TLV.INI", true, "网站排名查询", "", defaultFile },
    { "XDG_CONFIG_HOME relative: ignored", false,
        [](Scratch &s) {
            ASSERT_EQ(::chdir(s.root.constData()), 0);
            qputenv("XDG_CONFIG_HOME", "xdg");
            ASSERT_EQ(::chmod(s.program.constData(), 0555), 0);
        },
        "home/.config/tolvaro/TLV.INI", true, "网站排名查询", "" },
    { "XDG_CONFIG_HOME a file, a file beside the program: read, never written", false,
        [](Scratch &s) {
            put(s.at("xdg"), "");
            qputenv("XDG_CONFIG_HOME", s.at("xdg"));
            put(s.program + "/TLV.INI", shipped);
            ASSERT_EQ(::chmod(s.program.constData(), 0555), 0);
        },
        "program/TLV.INI", false, "shipped", "127.0.0.1:9090" },
    { "XDG_CONFIG_HOME read-only, nothing beside the program: defaults", false,
        [](Scratch &s) {
            ASSERT_EQ(::mkdir(s.at("xdg").constData(), 0755), 0);
            makeReadOnly(s.at("xdg"), s.mounts);
            qputenv("XDG_CONFIG_HOME", s.at("xdg"));
            ASSERT_EQ(::chmod(s.program.constData(), 0555), 0);
        },
        nullptr, false, "网站排名查询", "" },
    { "HOME missing: the file beside the program is read, never written", false,
        [](Scratch &s) {
            qputenv("HOME", s.at("nohome"));
            put(s.program + "/TLV.INI", shipped);
            ASSERT_EQ(::chmod(s.program.constData(), 0555), 0);
        },
        "program/TLV.INI", false, "shipped", "127.0.0.1:9090" },
    { "HOME a file, nothing beside the program", false,
        [](Scratch &s) {
            put(s.at("homefile"), "");
            qputenv("HOME", s.at("homefile"));
            ASSERT_EQ(::chmod(s.program.constData(), 0555), 0);
        },
        nullptr, false, "网站排名查询", "" },
    { "~/.config/tolvaro a link loop", false,
        [](Scratch &s) {
            ASSERT_EQ(::mkdir(s.at("home/.config").constData(), 0700), 0);
            ASSERT_EQ(::symlink("tolvaro", s.at("home/.config/tolvaro").constData()), 0);
            put(s.program + "/TLV.INI", shipped);
            ASSERT_EQ(::chmod(s.program.constData(), 0555), 0);
        },
        "program/TLV.INI", false, "shipped", "127.0.0.1:9090" },
    { "a home named in code page 936", false,
        [](Scratch &s) {
            ASSERT_EQ(::mkdir((s.at("") + cp936).constData(), 0700), 0);
            qputenv("HOME", s.at("") + cp936);
            ASSERT_EQ(::chmod(s.program.constData(), 0555), 0);
            // The folder above the home is closed, as it usually is.
            ASSERT_EQ(::chmod(s.root.constData(), 0555), 0);
        },
        "\xd6\xd0\xce\xc4/.config/tolvaro/TLV.INI", true, "网站排名查询", "" },
};

class SettingsPlaceCases : public testing::TestWithParam<Case>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        char *cwd = ::getcwd(nullptr, 0);
        m_cwd = QByteArray(cwd);
        std::free(cwd);
        m_home = qgetenv("HOME");
        m_xdg = qgetenv("XDG_CONFIG_HOME");
    }

    void TearDown() override
    {
        for (const QByteArray &mount : m_scratch.mounts)
            ::umount(mount.constData());
        ::chmod(m_scratch.root.constData(), 0700);
        if (::chdir(m_cwd.constData()) != 0)
            ADD_FAILURE() << "working folder not restored";
        qputenv("HOME", m_home);
        qputenv("XDG_CONFIG_HOME", m_xdg);
        // The scratch tree is removed by its names' bytes, which QDir cannot
        // all name; each folder is opened first.
        std::map<QByteArray, QByteArray> tree;
        snapshot(m_scratch.root, tree);
        for (const auto &[path, content] : tree)
            if (content == "/")
                ::chmod(path.constData(), 0700);
        for (auto entry = tree.rbegin(); entry != tree.rend(); ++entry)
            if (entry->first != m_scratch.root)
                ::remove(entry->first.constData());
    }

    QTemporaryDir m_dir;
    Scratch m_scratch;
    QByteArray m_cwd;
    QByteArray m_home;
    QByteArray m_xdg;
};

void start(const QByteArray &program)
{
    modPub::strKeyWord.clear();
    modPub::strSearchHost.clear();
    modPub::prepareSettings(platform::nameFromBytes(program));
}

TEST_P(SettingsPlaceCases, FileWhereTheRuleSaysAndNothingElseWritten)
{
    const Case &c = GetParam();
    if (c.rootOnly && !isRoot())
        GTEST_SKIP() << "needs the superuser";
    Scratch &s = m_scratch;
    s.root = QFile::encodeName(m_dir.path());
    s.program = s.at("program");
    ASSERT_EQ(::mkdir(s.program.constData(), 0755), 0);
    ASSERT_EQ(::mkdir(s.at("home").constData(), 0700), 0);
    qputenv("HOME", s.at("home"));
    qunsetenv("XDG_CONFIG_HOME");
    c.arrange(s);
    if (testing::Test::HasFatalFailure())
        return;
    const bool rootFile = ::access("/TLV.INI", F_OK) == 0;
    const bool rootConfig = ::access("/.config", F_OK) == 0;
    std::map<QByteArray, QByteArray> before;
    snapshot(s.root, before);

    start(s.program);
    const QByteArray expected = c.settingsFile ? s.at(c.settingsFile) : QByteArray();
    EXPECT_EQ(platform::nameToBytes(modIni::strIniFile), expected);
    EXPECT_EQ(platform::nameToBytes(modPub::strAppPath), s.program + '/');
    if (c.firstFile) {
        std::map<QByteArray, QByteArray> file;
        snapshot(expected, file);
        EXPECT_EQ(file[expected], *c.firstFile);
    }
    EXPECT_EQ(modPub::strKeyWord, QString::fromUtf8(c.keyWord));
    EXPECT_EQ(modPub::strSearchHost, QString::fromUtf8(c.searchHost));

    // Only the settings file and the folders made for it are new.
    std::map<QByteArray, QByteArray> after;
    snapshot(s.root, after);
    for (const auto &[path, content] : after) {
        const bool made = c.written && expected.startsWith(path)
            && (path == expected || expected[path.size()] == '/');
        if (!made) {
            EXPECT_EQ(content, before.count(path) ? before[path] : "<new>") << path.constData();
        }
    }
    for (const auto &[path, content] : before)
        EXPECT_TRUE(after.count(path)) << "removed: " << path.constData();

    modPub::strKeyWord = u"新词"_s;
    modPub::SaveSettings();
    start(s.program);
    EXPECT_EQ(modPub::strKeyWord, c.written ? u"新词"_s : QString::fromUtf8(c.keyWord));
    if (!c.written) {
        std::map<QByteArray, QByteArray> edited;
        snapshot(s.root, edited);
        EXPECT_EQ(edited, before);
    }
    EXPECT_EQ(::access("/TLV.INI", F_OK) == 0, rootFile);
    EXPECT_EQ(::access("/.config", F_OK) == 0, rootConfig);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsPlaceCases, testing::ValuesIn(cases),
    [](const testing::TestParamInfo<Case> &info) { return std::to_string(info.index); });

// The folder the build installs to is an installed copy's, whoever may write
// it: the superuser's start there writes nothing beside the program.
TEST(SettingsPlace, InstalledCopyUsesThePerUserFile)
{
    const QByteArray installed = TOLVARO_INSTALL_BINDIR;
    struct stat info = {};
    if (::stat(installed.constData(), &info) != 0)
        GTEST_SKIP() << installed.constData() << " does not exist";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray home = qgetenv("HOME");
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(u"xdg"_s)));
    std::map<QByteArray, QByteArray> before;
    snapshot(installed, before, false);

    start(installed);
    EXPECT_EQ(modIni::strIniFile, dir.filePath(u"xdg/tolvaro/TLV.INI"_s));
    std::map<QByteArray, QByteArray> after;
    snapshot(installed, after, false);
    EXPECT_EQ(after, before);
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", xdg);
}

// The home the per-user folder lies in: $HOME when it is absolute, else the
// user database's; never the root folder that an empty or unset HOME would give.
TEST(SettingsPlace, UserConfigFolderFollowsTheHomeRules)
{
    const QByteArray home = qgetenv("HOME");
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    const passwd *user = ::getpwuid(::geteuid());
    ASSERT_NE(user, nullptr);
    const QByteArray listed = user->pw_dir;
    const bool listedUsable
        = listed.startsWith('/') && listed != "/" && ::access(listed.constData(), F_OK) == 0;
    const std::optional<QString> fromDatabase = listedUsable
        ? std::optional(platform::nameFromBytes(listed + "/.config/tolvaro"))
        : std::nullopt;

    const struct
    {
        const char *home; // nullptr: unset
        std::optional<QString> folder;
    } rules[] = {
        { nullptr, fromDatabase },
        { "", fromDatabase },
        { "relative/home", fromDatabase },
        { "/", listed == "/" ? std::optional(u"/.config/tolvaro"_s) : std::nullopt },
        { "/nonexistent-tolvaro-home", std::nullopt },
    };
    for (const auto &rule : rules) {
        SCOPED_TRACE(rule.home ? rule.home : "unset");
        if (rule.home)
            qputenv("HOME", rule.home);
        else
            qunsetenv("HOME");
        EXPECT_EQ(platform::userConfigFolder(u"Tolvaro"_s), rule.folder);
    }
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", xdg);
}

} // namespace
