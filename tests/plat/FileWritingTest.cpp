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

} // namespace

TEST(ReplacingFile, KeepsTheFormerFileItsPermissionsAndLinksAndSaysWhyItFailed)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("race.zov");
    put(target, "former");
    ::chmod(target.toLocal8Bit().constData(), 0640);
    const QString link = dir.filePath("link.zov");
    ASSERT_EQ(::symlink("race.zov", link.toLocal8Bit().constData()), 0);

    {
        io::ReplacingFile file(link.toStdString());
        ASSERT_TRUE(file.isOpen());
        ASSERT_TRUE(file.write("new content", 11));
        EXPECT_EQ(contentOf(target), QByteArray("former")); // not before the commit
        // Written without a name, nothing shows beside the target meanwhile.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System, QDir::Name).join(u' '),
            "link.zov race.zov");
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(contentOf(target), QByteArray("new content"));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target); // still a link to the file
    struct stat status {};
    ASSERT_EQ(::stat(target.toLocal8Bit().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);

    {
        io::ReplacingFile abandoned(target.toStdString());
        ASSERT_TRUE(abandoned.write("half", 4));
    }
    EXPECT_EQ(contentOf(target), QByteArray("new content"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System, QDir::Name), (QStringList { "link.zov", "race.zov" }));

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

TEST(ReplacingFile, ASaveKilledHalfwayLeavesNothingAndTheNextSaveClearsWhatOthersLeft)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("race.zov");
    put(target, "former");
    const std::string big(4 << 20, 'x');
    const auto killedWhileWriting = [&](io::ReplacingFile::Naming naming) {
        io::ReplacingFile file(target.toStdString(), naming);
        if (file.write(big.data(), big.size()))
            std::raise(SIGKILL);
        std::exit(1);
    };
    const auto files = [&] {
        return QDir(dir.path()).entryList(QDir::Files | QDir::System, QDir::Name).join(u' ').toStdString();
    };
    EXPECT_EXIT(killedWhileWriting(io::ReplacingFile::Naming::UnnamedWherePossible), testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(files(), "race.zov");
    EXPECT_EQ(contentOf(target), QByteArray("former"));

    // Where files cannot be written without a name, the next save of the same target removes
    // what a killed one left: not the temporary files of other targets, not other names, not
    // the file of a save still at work.
    EXPECT_EXIT(killedWhileWriting(io::ReplacingFile::Naming::Temporary), testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(files().find("race.zov race.zov.tmp-"), 0u) << files();
    const QStringList others { "other.zov.tmp-0123abcd", "race.zov.tmp-0123", "race.zov.tmp-inwork00" };
    for (const QString& name : others)
        put(dir.filePath(name), "x");
    const int inWork = ::open(dir.filePath(others[2]).toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(inWork, LOCK_EX), 0);
    {
        io::ReplacingFile file(target.toStdString());
        ASSERT_TRUE(file.write("new", 3));
        ASSERT_TRUE(file.commit());
    }
    ::close(inWork);
    EXPECT_EQ(files(), "other.zov.tmp-0123abcd race.zov race.zov.tmp-0123 race.zov.tmp-inwork00");
    EXPECT_EQ(contentOf(target), QByteArray("new"));
}
