// Files the program writes replace the former file only once complete, and a failure says why.

#include "plat/img/Codecs.h"
#include "plat/io/ReplacingFile.h"
#include "plat/io/TextFile.h"
#include "plat/rt/Errors.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

unsigned modeOf(const QString& path)
{
    struct stat status {};
    return ::stat(path.toLocal8Bit().constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// For one scope the system refuses to let this process write a file past Bytes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_before;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_signal);
    }

private:
    rlimit m_before {};
    void (*m_signal)(int) = nullptr;
};

// Each case runs with the file written without a name where the file system allows it, and
// always under a temporary name, as where it does not.
class ReplacingFileNaming : public testing::TestWithParam<io::ReplacingFile::Naming> {
protected:
    // Whether a save's file has a name in Folder while it is written.
    bool named(const QString& folder) const
    {
        const int fd = ::open(folder.toLocal8Bit().constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
        return GetParam() == io::ReplacingFile::Naming::Temporary || fd < 0;
    }
    void TearDown() override
    {
        io::syncCall = ::fsync;
        io::lockCall = ::flock;
    }
};

INSTANTIATE_TEST_SUITE_P(BothNamings, ReplacingFileNaming,
    testing::Values(io::ReplacingFile::Naming::UnnamedWherePossible, io::ReplacingFile::Naming::Temporary));

} // namespace

TEST_P(ReplacingFileNaming, KeepsTheFormerFileItsPermissionsAndLinksAndSaysWhyItFailed)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("race.zov");
    put(target, "former");
    ::chmod(target.toLocal8Bit().constData(), 0640);
    const QString link = dir.filePath("link.zov");
    ASSERT_EQ(::symlink("race.zov", link.toLocal8Bit().constData()), 0);
    // The target at each flush of its folder, which fails with Refusal where that is set.
    std::vector<QByteArray> flushed;
    int refusal = 0;
    io::syncCall = [&](int fd) {
        struct stat status {};
        if (::fstat(fd, &status) != 0 || !S_ISDIR(status.st_mode))
            return ::fsync(fd);
        flushed.push_back(contentOf(target));
        errno = refusal;
        return refusal != 0 ? -1 : ::fsync(fd);
    };

    {
        io::ReplacingFile file(link.toStdString(), GetParam());
        ASSERT_TRUE(file.isOpen());
        ASSERT_TRUE(file.write("new content", 11));
        EXPECT_EQ(contentOf(target), QByteArray("former")); // not before the commit
        // Nothing shows beside the target meanwhile but, where the file has a name, one that
        // only its owner can read.
        const QStringList beside
            = QDir(dir.path()).entryList({ "race.zov.tmp-*" }, QDir::Files | QDir::System);
        EXPECT_EQ(beside.size(), named(dir.path()) ? 1 : 0);
        for (const QString& name : beside)
            EXPECT_EQ(modeOf(dir.filePath(name)), 0600u);
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(contentOf(target), QByteArray("new content"));
    EXPECT_EQ(flushed, std::vector<QByteArray> { "new content" }); // once in place, not before
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target); // still a link to the file
    EXPECT_EQ(modeOf(target), 0640u);

    {
        io::ReplacingFile abandoned(target.toStdString(), GetParam());
        ASSERT_TRUE(abandoned.write("half", 4));
    }
    EXPECT_EQ(contentOf(target), QByteArray("new content"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System, QDir::Name), (QStringList { "link.zov", "race.zov" }));

    // A new file gets what the umask leaves of a new file's permissions.
    const mode_t before = ::umask(027);
    EXPECT_TRUE(io::ReplacingFile(dir.filePath("new.zov").toStdString(), GetParam()).commit());
    ::umask(before);
    EXPECT_EQ(modeOf(dir.filePath("new.zov")), 0640u);
    // A folder that the file system cannot flush fails no save; any other refusal does.
    for (const int code : { EINVAL, EIO }) {
        refusal = code;
        io::ReplacingFile file(target.toStdString(), GetParam());
        EXPECT_EQ(file.commit(), code == EINVAL);
        EXPECT_EQ(file.error(), code == EIO ? "Input/output error" : "");
    }

    io::ReplacingFile nowhere(dir.filePath("missing/x.zov").toStdString());
    EXPECT_FALSE(nowhere.isOpen());
    EXPECT_EQ(nowhere.error(), "No such file or directory");
}

TEST(ReplacingFile, PicturesAndTextsThatCannotBeWrittenWholeLeaveTheFormerFile)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath("race.png");
    const QString text = dir.filePath("Temp.xml");
    put(picture, "former picture");
    put(text, "former text");
    QImage image(200, 200, QImage::Format_ARGB32);
    image.fill(0xFF2080FF);
    for (int i = 0; i < 200; ++i)
        image.setPixel(i, (i * 7) % 200, 0xFFFF0000);

    FileSizeLimit limit(64);
    try {
        img::saveImage(image, "image/png", picture);
        ADD_FAILURE() << "no error";
    } catch (const rt::IoError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write " + picture.toStdString() + ": File too large");
    }
    try {
        io::TextFile file(text.toStdString());
        for (int i = 0; i < 20; ++i)
            file.writeLine("<Situation>1</Situation>");
        file.close();
        ADD_FAILURE() << "no error";
    } catch (const rt::IoError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write " + text.toStdString() + ": File too large");
    }
    EXPECT_EQ(contentOf(picture), QByteArray("former picture"));
    EXPECT_EQ(contentOf(text), QByteArray("former text"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase), (QStringList { "race.png", "Temp.xml" }));
}

TEST_P(ReplacingFileNaming, ASaveKilledHalfwayLeavesNothingAndTheNextSaveClearsWhatOthersLeft)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("race.zov");
    put(target, "former");
    const std::string big(4 << 20, 'x');
    const auto killedWhileWriting = [&] {
        io::ReplacingFile file(target.toStdString(), GetParam());
        if (file.write(big.data(), big.size()))
            std::raise(SIGKILL);
        std::exit(1);
    };
    const auto files = [&] {
        return QDir(dir.path()).entryList(QDir::Files | QDir::System, QDir::Name).join(u' ').toStdString();
    };
    EXPECT_EXIT(killedWhileWriting(), testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(contentOf(target), QByteArray("former"));
    // Without a name, the file went with the save. Under a temporary name, the next save of the
    // same target removes what a killed one left: not the temporary files of other targets, not
    // other names, not the file of a save still at work.
    if (named(dir.path()))
        EXPECT_EQ(files().find("race.zov race.zov.tmp-"), 0u) << files();
    else
        EXPECT_EQ(files(), "race.zov");
    const QStringList others { "other.zov.tmp-0123abcd", "race.zov.tmp-0123", "race.zov.tmp-inwork00" };
    for (const QString& name : others)
        put(dir.filePath(name), "x");
    const int inWork = ::open(dir.filePath(others[2]).toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(inWork, LOCK_EX), 0);
    {
        io::ReplacingFile file(target.toStdString(), GetParam());
        ASSERT_TRUE(file.write("new", 3));
        ASSERT_TRUE(file.commit());
    }
    ::close(inWork);
    EXPECT_EQ(files(), "other.zov.tmp-0123abcd race.zov race.zov.tmp-0123 race.zov.tmp-inwork00");
    EXPECT_EQ(contentOf(target), QByteArray("new"));
}

// A save keeps its file from its creation to its commit while another save of the same target
// clears up what killed ones left, also when that runs between the creation and the lock.
TEST_P(ReplacingFileNaming, AnotherSaveOfTheTargetLeavesTheFileOfASaveAtWorkAlone)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("race.zov");
    const auto save = [&](const std::string& content) {
        io::ReplacingFile file(target.toStdString(), GetParam());
        EXPECT_TRUE(file.write(content.data(), content.size()) && file.commit()) << file.error();
    };
    io::ReplacingFile first(target.toStdString(), GetParam());
    ASSERT_TRUE(first.write("first", 5));
    save("second");
    EXPECT_TRUE(first.commit()) << first.error();
    EXPECT_EQ(contentOf(target), QByteArray("first"));

    bool raced = false;
    io::lockCall = [&](int fd, int operation) {
        if (!std::exchange(raced, true))
            save("second");
        return ::flock(fd, operation);
    };
    save("third");
    EXPECT_TRUE(raced);
    EXPECT_EQ(contentOf(target), QByteArray("third"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System), QStringList { "race.zov" });
}
