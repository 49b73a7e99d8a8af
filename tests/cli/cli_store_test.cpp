#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace
{

struct TCliRun {
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};

// The count of decoded pictures in the last progress line of `progress`, 0 before the first.
int lastDecodedCount(const QByteArray &progress)
{
    static const QRegularExpression decoded(QStringLiteral("(\\d+) decoded"));
    int count = 0;
    QRegularExpressionMatchIterator matches = decoded.globalMatch(QString::fromUtf8(progress));
    while (matches.hasNext())
        count = matches.next().captured(1).toInt();
    return count;
}

class CommandLineStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        QDir().mkpath(library());
        // Distinct files that decode to a few pictures: bytes after the end of the JPEG data
        // change the file, not the picture.
        for (int scene = 0; scene < kScenes; ++scene) {
            QImage image(640, 480, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(scene * 37 % 360, 200, 200));
            QPainter painter(&image);
            painter.setBrush(QColor::fromHsv(scene * 71 % 360, 220, 90));
            painter.drawEllipse(QPoint(scene * 53 % 640, scene * 29 % 480), 120, 90);
            painter.end();
            const QString first = library() + QStringLiteral("/scene%1_0.jpg").arg(scene);
            ASSERT_TRUE(image.save(first, "jpg", 90));
            const QByteArray bytes = [&] {
                QFile file(first);
                return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            }();
            for (int copy = 1; copy < kCopies; ++copy) {
                QFile file(library() + QStringLiteral("/scene%1_%2.jpg").arg(scene).arg(copy));
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                file.write(bytes + QByteArray(copy, 'x'));
            }
        }
        m_environment.insert(QStringLiteral("XDG_CACHE_HOME"), cache());
    }

    QString library() const { return m_root.filePath(QStringLiteral("library")); }
    QString cache() const { return m_root.filePath(QStringLiteral("cache")); }
    QString storeFile() const { return m_root.filePath(QStringLiteral("store.sqlite")); }

    void start(QProcess &process, const QStringList &arguments, const QString &program = QUORVANE_CLI_PATH)
    {
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments + QStringList { library() });
    }
    TCliRun run(const QStringList &arguments, const QString &program = QUORVANE_CLI_PATH)
    {
        QProcess process;
        start(process, arguments, program);
        process.waitForFinished(120000);
        return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError() };
    }

    static constexpr int kScenes = 20;
    static constexpr int kCopies = 6;
    QTemporaryDir m_root;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
};

}

TEST_F(CommandLineStore, UsesTheStoreInTheCacheFolderUnlessToldOtherwise)
{
    const TCliRun plain = run({ "--quiet", "--no-store" });
    ASSERT_EQ(plain.ExitCode, 0) << plain.Err.constData();
    EXPECT_TRUE(plain.Err.isEmpty());
    EXPECT_FALSE(QFile::exists(cache()));

    const TCliRun byDefault = run({ "--quiet" });
    EXPECT_EQ(byDefault.Out, plain.Out);
    EXPECT_TRUE(QFile::exists(cache() + QStringLiteral("/Quorvane/signatures.sqlite")));

    EXPECT_EQ(run({ "--quiet", "--store", storeFile() }).Out, plain.Out);
    EXPECT_TRUE(QFile::exists(storeFile()));
    const TCliRun warm = run({ "--quiet", "--store", storeFile() });
    EXPECT_EQ(warm.Out, plain.Out);
    EXPECT_TRUE(warm.Err.isEmpty());

    EXPECT_EQ(run({ "--no-store", "--store", storeFile() }).ExitCode, 2);

    // A store that cannot be used is named once on standard error, and the search goes on. This
    // one keeps the header that marks it as a store, and lost the pages after it.
    QFile damaged(storeFile());
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite) && damaged.seek(100));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    const TCliRun corrupt = run({ "--quiet", "--store", storeFile() });
    EXPECT_EQ(corrupt.Out, plain.Out);
    EXPECT_EQ(corrupt.Err.count('\n'), 1);
    EXPECT_TRUE(corrupt.Err.contains("was corrupt")) << corrupt.Err.constData();
}

TEST_F(CommandLineStore, TwoSearchesAtOnceAndASearchKilledMidwayLeaveAUsableStore)
{
    const TCliRun plain = run({ "--quiet", "--no-store" });
    ASSERT_EQ(plain.ExitCode, 0);

    QProcess first;
    QProcess second;
    start(first, { "--quiet", "--store", storeFile() });
    start(second, { "--quiet", "--store", storeFile() });
    ASSERT_TRUE(first.waitForFinished(120000));
    ASSERT_TRUE(second.waitForFinished(120000));
    EXPECT_EQ(first.readAllStandardOutput(), plain.Out);
    EXPECT_EQ(second.readAllStandardOutput(), plain.Out);
    // What a search said about the store, if anything, tells why it could not share it.
    const QByteArray firstSaid = first.readAllStandardError();
    const QByteArray secondSaid = second.readAllStandardError();
    EXPECT_TRUE(firstSaid.isEmpty()) << firstSaid.constData();
    EXPECT_TRUE(secondSaid.isEmpty()) << secondSaid.constData();

    // The progress line goes to a terminal; once it shows pictures decoded, the search is killed.
    QFile::remove(storeFile());
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    QProcess killed;
    killed.setChildProcessModifier([slave] { ::dup2(slave, STDERR_FILENO); });
    start(killed, { "--threads", "1", "--store", storeFile() });
    ::close(slave);
    QByteArray progress;
    int decodedSoFar = 0;
    while (decodedSoFar < kScenes) {
        pollfd ready { master, POLLIN, 0 };
        ASSERT_EQ(::poll(&ready, 1, 60000), 1) << "no progress from the search";
        char buffer[512];
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        ASSERT_GT(got, 0) << "the search ended before it could be killed";
        progress += QByteArray(buffer, got);
        decodedSoFar = lastDecodedCount(progress);
    }
    ASSERT_EQ(::kill(pid_t(killed.processId()), SIGKILL), 0);
    ASSERT_TRUE(killed.waitForFinished(60000));
    ::close(master);
    EXPECT_EQ(killed.exitStatus(), QProcess::CrashExit);

    const TCliRun after = run({ "--quiet", "--store", storeFile() });
    EXPECT_EQ(after.ExitCode, 0);
    EXPECT_EQ(after.Out, plain.Out);
    EXPECT_TRUE(after.Err.isEmpty()) << after.Err.constData();
}

TEST_F(CommandLineStore, WithoutItsDecodingModuleOnlyASearchTheStoreAnswersRuns)
{
    // Copied alone, the program finds its module neither beside it nor in its installed folder.
    const QString lone = m_root.filePath(QStringLiteral("bin/quorvane-cli"));
    ASSERT_TRUE(QDir().mkpath(m_root.filePath(QStringLiteral("bin"))));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUORVANE_CLI_PATH), lone));
    const TCliRun undecoded = run({ "--quiet", "--store", storeFile() }, lone);
    EXPECT_EQ(undecoded.ExitCode, 1);
    EXPECT_TRUE(undecoded.Err.contains("picture decoders cannot be loaded")) << undecoded.Err.constData();

    const TCliRun cold = run({ "--quiet", "--store", storeFile() });
    ASSERT_EQ(cold.ExitCode, 0) << cold.Err.constData();
    const TCliRun warm = run({ "--quiet", "--store", storeFile() }, lone);
    EXPECT_EQ(warm.ExitCode, 0) << warm.Err.constData();
    EXPECT_EQ(warm.Out, cold.Out);
}
