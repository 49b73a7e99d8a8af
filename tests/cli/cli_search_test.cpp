#include "cli/guardedrun.h"
#include "cli/options.h"
#include "cli/searchcommand.h"
#include "clirun.h"
#include "engine/sign/signpicture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTransform>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace
{

QImage scene(int seed)
{
    QImage image(640, 480, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 480);
    sky.setColorAt(0, QColor::fromHsv(seed * 47 % 360, 160, 230));
    sky.setColorAt(1, QColor::fromHsv(seed * 91 % 360, 200, 60));
    painter.fillRect(image.rect(), sky);
    for (int i = 0; i < 12; ++i) {
        painter.setBrush(QColor::fromHsv((seed * 31 + i * 53) % 360, 220, 100 + (i * 37) % 150));
        painter.drawEllipse(QPoint((seed * 97 + i * 131) % 640, (seed * 61 + i * 89) % 480), 30 + i * 7, 20 + i * 5);
    }
    return image;
}

class CommandLineSearch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(scene(1).save(path("a.jpg"), "jpg", 90));
        ASSERT_TRUE(QFile::copy(path("a.jpg"), path("c.jpg")));
        ASSERT_TRUE(scene(1).scaled(320, 240).save(path("b.png"), "png"));
        ASSERT_TRUE(scene(2).save(path("d.jpg"), "jpg", 90));
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QByteArray bytesOf(const char *name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    mode_t typeOf(const char *name) const
    {
        struct stat info {
        };
        return lstat(QFile::encodeName(path(name)).constData(), &info) == 0 ? info.st_mode & S_IFMT : 0;
    }

    QTemporaryDir dir;
};

}

TEST_F(CommandLineSearch, WritesThePairsInEachFormat)
{
    const CliRun csv = RunCli({ "--quiet", dir.path() });
    ASSERT_EQ(csv.exitCode, 0) << csv.err.constData();
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    ASSERT_TRUE(csv.out.endsWith("\r\n"));
    const QList<QByteArray> lines = csv.out.chopped(2).split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "\xEF\xBB\xBF" + QStringLiteral("组别编号；图片文件名；相似度；").toUtf8() + "\r");
    EXPECT_EQ(lines[1], "1;" + folder + "a.jpg;100;\r");
    EXPECT_EQ(lines[2], "1;" + folder + "c.jpg;100;\r");
    // The half-size PNG pairs with the nearest earlier copy, below 100.
    const QByteArray similarity = lines[3].split(';').at(2);
    EXPECT_LT(similarity.toInt(), 100);
    EXPECT_EQ(lines[3], "2;" + folder + "c.jpg;" + similarity + ";\r");
    EXPECT_EQ(lines[4], "2;" + folder + "b.png;" + similarity + ";");

    const CliRun tsv = RunCli({ "--quiet", "--format", "tsv", dir.path() });
    EXPECT_EQ(tsv.out.count('\n'), 2);
    EXPECT_TRUE(tsv.out.startsWith(folder + "a.jpg\t" + folder + "c.jpg\t100.000000\n"));

    const CliRun json = RunCli({ "--quiet", "--format=json", dir.path() });
    EXPECT_TRUE(json.out.contains("\"duplicate\": \"" + folder + "b.png\""));
}

TEST_F(CommandLineSearch, RotationsPairTurnedCopiesAndNameTheirOrientationInJsonOnly)
{
    ASSERT_TRUE(scene(2).transformed(QTransform().rotate(90)).save(path("e.png"), "png"));
    const CliRun plain = RunCli({ "--quiet", "--format=json", dir.path() });
    EXPECT_FALSE(plain.out.contains("e.png"));
    EXPECT_FALSE(plain.out.contains("orientation"));
    // The plain search leaves its signatures in the store; they lack the transposed lists, so the
    // search for turned copies must not take them.
    const CliRun turned = RunCli({ "--quiet", "--rotations", "--format=json", dir.path() });
    ASSERT_EQ(turned.exitCode, 0) << turned.err.constData();
    EXPECT_TRUE(turned.out.contains("\"duplicate\": \"" + QFile::encodeName(path("e.png"))
        + "\",\n"
          "        \"orientation\": \"rotated-90\""))
        << turned.out.constData();
    EXPECT_TRUE(turned.out.contains("\"orientation\": \"unturned\""));
    const CliRun tsv = RunCli({ "--quiet", "--rotations", "--format", "tsv", dir.path() });
    EXPECT_EQ(tsv.out.count('\n'), 3);
    EXPECT_EQ(tsv.out.count('\t'), 6);
}

TEST_F(CommandLineSearch, OutputFileIsReplacedAndIdenticalOnlyPairsCopies)
{
    QFile old(path("out.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    const CliRun run = RunCli({ "--quiet", "--identical-only", "--output", path("out.csv"), dir.path() });
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.isEmpty());
    QFile written(path("out.csv"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 3);
    EXPECT_TRUE(bytes.contains("c.jpg;100;"));
    EXPECT_FALSE(bytes.contains("b.png"));
}

TEST_F(CommandLineSearch, SignatureLinesAndASkippedPicture)
{
    const CliRun signature = RunCli({ "--signature", path("a.jpg") });
    ASSERT_EQ(signature.exitCode, 0);
    const QList<QByteArray> lines = signature.out.split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "height\t480");
    EXPECT_EQ(lines[1], "width\t640");
    const QList<QByteArray> positive = lines[2].split('\t');
    const QList<QByteArray> negative = lines[3].split('\t');
    ASSERT_EQ(positive.size(), 3);
    ASSERT_EQ(negative.size(), 3);
    EXPECT_EQ(positive[0], "pos");
    EXPECT_EQ(positive[1].toInt() + negative[1].toInt(), 250);
    EXPECT_EQ(positive[2].count(' ') + 1, positive[1].toInt());

    QFile notAPicture(path("broken.jpg"));
    ASSERT_TRUE(notAPicture.open(QIODevice::WriteOnly));
    notAPicture.write("not a picture at all");
    notAPicture.close();
    const CliRun skipped = RunCli({ "--signature", path("broken.jpg") });
    EXPECT_EQ(skipped.exitCode, 1);
    EXPECT_TRUE(skipped.out.isEmpty());
    EXPECT_TRUE(skipped.err.contains("broken.jpg"));
    EXPECT_EQ(RunCli({ "--signature", path("b.png"), "--min-width", "400" }).exitCode, 1);
    const CliRun missing = RunCli({ "--signature", path("missing.jpg") });
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("missing.jpg: no such file")) << missing.err.constData();
}

TEST_F(CommandLineSearch, OutputOntoASearchedPictureIsRefused)
{
    const QByteArray picture = bytesOf("c.jpg");
    ASSERT_TRUE(QFile::link(path("a.jpg"), path("link.csv")));
    for (const char *output : { "c.jpg", "link.csv" }) {
        for (const char *mode : { "--format=csv", "--collect-only" }) {
            const CliRun run = RunCli({ "--quiet", mode, "--output", path(output), dir.path() });
            EXPECT_EQ(run.exitCode, 2) << output << mode;
            EXPECT_TRUE(run.err.contains("one of the pictures searched")) << run.err.constData();
        }
    }
    EXPECT_EQ(bytesOf("c.jpg"), picture);
    EXPECT_EQ(bytesOf("a.jpg"), picture);
    EXPECT_EQ(typeOf("link.csv"), S_IFLNK);
}

TEST_F(CommandLineSearch, OutputIsWrittenIntoAPipeOrADeviceAndNeverIntoAFolder)
{
    const QByteArray pipe = QFile::encodeName(path("pipe"));
    ASSERT_EQ(mkfifo(pipe.constData(), 0600), 0);
    // A second name for the pipe, so that a reader is never left waiting should the pipe be replaced.
    ASSERT_EQ(link(pipe.constData(), QFile::encodeName(path("pipe.held")).constData()), 0);
    std::future<QByteArray> reader = std::async(std::launch::async, [this] { return bytesOf("pipe"); });
    const CliRun run = RunCli({ "--quiet", "--format", "tsv", "--output", path("pipe"), dir.path() });
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    ::close(::open(QFile::encodeName(path("pipe.held")).constData(), O_WRONLY | O_NONBLOCK));
    EXPECT_EQ(reader.get().count('\n'), 2);
    EXPECT_EQ(typeOf("pipe"), S_IFIFO);

    const CliRun folder = RunCli({ "--quiet", "--output", dir.path(), dir.path() });
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_TRUE(folder.err.contains("--output")) << folder.err.constData();

    // A node for the kernel's full device (1, 7), made here: every write to it fails.
    const QByteArray full = QFile::encodeName(path("full"));
    if (mknod(full.constData(), S_IFCHR | 0600, makedev(1, 7)) != 0)
        GTEST_SKIP() << "device nodes cannot be made here";
    const CliRun device = RunCli({ "--quiet", "--output", path("full"), dir.path() });
    if (device.err.contains("Permission denied"))
        GTEST_SKIP() << "device nodes cannot be opened here";
    EXPECT_EQ(device.exitCode, 1);
    EXPECT_TRUE(device.err.contains("No space left on device")) << device.err.constData();
    EXPECT_EQ(typeOf("full"), S_IFCHR);
}

TEST_F(CommandLineSearch, DecoderMessagesKeepOffTheProgressLineAndQuiet)
{
    // A PNG whose header checksum is wrong: libpng prints an error of its own.
    QFile png(path("b.png"));
    ASSERT_TRUE(png.open(QIODevice::ReadWrite));
    png.seek(29);
    png.write("\xA5\x5A\xA5\x5A");
    png.close();
    const CliRun quiet = RunCli({ "--quiet", dir.path() });
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err, "");

    // Without the store, which would give the picture's outcome without decoding it again.
    const CliRun shown = RunCliOnTerminal({ "--no-store", dir.path() });
    EXPECT_EQ(shown.exitCode, 0);
    const qsizetype message = shown.err.indexOf("libpng error");
    ASSERT_GT(message, 0) << shown.err.constData();
    // It starts a line of its own: where the progress line still stands, that is cleared first; the message may
    // also arrive from the library's pipe after the progress line has ended.
    const bool afterClear = shown.err.mid(message - 4, 4) == "\r\033[K";
    EXPECT_TRUE(afterClear || shown.err.at(message - 1) == '\n') << shown.err.constData();
    EXPECT_EQ(shown.err.count("libpng error"), 1);
}

TEST_F(CommandLineSearch, PictureShortOfMemoryIsSkippedAndOtherErrorsEndWithStatusOne)
{
    const auto failingOn = [](const char *name, auto error) {
        TProcessingOptions processing;
        processing.Signer = [=](const QByteArray &file, const TSettings &settings) {
            if (file.endsWith(name))
                throw error;
            return SignPicture(file, settings);
        };
        return processing;
    };
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    const Options options
        = ParseOptions({ "--quiet", "--format", "tsv", "--output", folder + "out.tsv", folder }, "/").Values;

    // Without the copy c.jpg, the half-size PNG pairs with a.jpg.
    EXPECT_EQ(RunGuarded([&] { return RunSearch(options, failingOn("/c.jpg", std::bad_alloc())); }), 0);
    QFile written(path("out.tsv"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray pairs = written.readAll();
    EXPECT_EQ(pairs.count('\n'), 1);
    EXPECT_TRUE(pairs.startsWith(folder + "a.jpg\t" + folder + "b.png\t")) << pairs.constData();

    testing::internal::CaptureStderr();
    EXPECT_EQ(
        RunGuarded([&] { return RunSearch(options, failingOn("/c.jpg", std::runtime_error("decoder broke"))); }), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "quorvane-cli: decoder broke\n");
    // As the signature index throws when the system refuses it memory.
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunGuarded([]() -> int { throw std::bad_alloc(); }), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "quorvane-cli: not enough memory\n");
}

TEST_F(CommandLineSearch, InterruptStillWritesThePairsFoundSoFar)
{
    for (int i = 0; i < 400; ++i)
        ASSERT_TRUE(
            QFile::copy(path("a.jpg"), dir.filePath(QStringLiteral("copy%1.jpg").arg(i, 3, 10, QLatin1Char('0')))));
    // The pairs count of the last progress line shown.
    const auto pairsShown = [](const QByteArray &err) {
        static const QRegularExpression progress(QStringLiteral("pictures \\d+ / \\d+, pairs (\\d+)"));
        int pairs = 0;
        for (const QRegularExpressionMatch &match : progress.globalMatch(QString::fromUtf8(err)))
            pairs = match.captured(1).toInt();
        return pairs;
    };
    // Ctrl+C as soon as the progress line shows pairs, with most pictures still to come.
    const CliRun run
        = RunCliOnTerminal({ "--no-store", dir.path() }, [&](const QByteArray &err) { return pairsShown(err) > 0; });
    ASSERT_EQ(run.exitCode, 130) << run.err.constData();
    ASSERT_TRUE(run.out.startsWith("\xEF\xBB\xBF")) << run.out.constData();
    EXPECT_TRUE(run.out.endsWith("\r\n"));
    // Below the header, each pair found before the stop as two lines of the same group number.
    QList<QByteArray> lines = run.out.split('\n');
    lines.removeFirst();
    lines.removeLast();
    ASSERT_EQ(lines.size() % 2, 0);
    const qsizetype pairs = lines.size() / 2;
    EXPECT_GE(pairs, pairsShown(run.err));
    EXPECT_LT(pairs, 400);
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const QByteArray prefix = QByteArray::number(k / 2 + 1) + ';' + folder;
        EXPECT_TRUE(lines[k].startsWith(prefix) && lines[k].endsWith(";\r")) << lines[k].constData();
    }
}

TEST_F(CommandLineSearch, KeepWithRotationsMarksTheTurnedCopies)
{
    ASSERT_TRUE(scene(1).transformed(QTransform().rotate(90)).save(path("e.png"), "png"));
    ASSERT_TRUE(scene(1).mirrored(true, false).save(path("f.png"), "png"));
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    const CliRun turned = RunCli(
        { "--quiet", "--rotations", "--keep", "most-pixels", "--min-similarity", "1", "--format", "tsv", dir.path() });
    ASSERT_EQ(turned.exitCode, 0) << turned.err.constData();
    QByteArrayList marked;
    for (const QByteArray &line : turned.out.split('\n'))
        if (!line.isEmpty())
            marked << line.split('\t').first().mid(folder.size());
    std::sort(marked.begin(), marked.end());
    EXPECT_EQ(marked.join(' ').toStdString(), "b.png c.jpg e.png f.png") << turned.out.constData();
    // Without the option the turned copies are in no group.
    const CliRun plain
        = RunCli({ "--quiet", "--keep", "most-pixels", "--min-similarity", "1", "--format", "tsv", dir.path() });
    EXPECT_EQ(plain.out.count('\n'), 2) << plain.out.constData();
    EXPECT_FALSE(plain.out.contains("e.png") || plain.out.contains("f.png"));
}

TEST_F(CommandLineSearch, KeepListsTheMarkedFilesAndOnlyAnActionOptionTouchesThem)
{
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    const auto contents = [&] {
        QByteArrayList all;
        for (const char *name : { "a.jpg", "b.png", "c.jpg", "d.jpg" }) {
            QFile file(path(name));
            all << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        }
        return all;
    };
    const QByteArrayList before = contents();
    const CliRun listed = RunCli({ "--quiet", "--keep", "most-pixels", "--format", "tsv", dir.path() });
    ASSERT_EQ(listed.exitCode, 0) << listed.err.constData();
    EXPECT_TRUE(listed.out.startsWith(folder + "c.jpg\t" + folder + "a.jpg\t100.000000\n")) << listed.out.constData();
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(RunCli({ "--quiet", "--trash-marked", dir.path() }).exitCode, 2);
    EXPECT_EQ(RunCli({ "--quiet", "--keep", "most-pixels", "--min-similarity", "0", dir.path() }).exitCode, 2);

    QTemporaryDir data;
    QDir().mkpath(data.filePath("Trash/files"));
    QDir().mkpath(data.filePath("Trash/info"));
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const CliRun trashed = RunCli({ "--quiet", "--keep", "most-pixels", "--min-similarity", "100", "--trash-marked",
        "--format", "tsv", dir.path() });
    qputenv("XDG_DATA_HOME", savedDataHome);
    ASSERT_EQ(trashed.exitCode, 0) << trashed.err.constData();
    EXPECT_EQ(
        trashed.out, "trashed\t" + folder + "c.jpg\t" + QFile::encodeName(data.filePath("Trash/files/c.jpg")) + '\n');
    EXPECT_FALSE(QFile::exists(path("c.jpg")));
    EXPECT_TRUE(QFile::exists(data.filePath("Quorvane/journal.jsonl")));
}

TEST_F(CommandLineSearch, TrashMarkedTakesTheMarkedFileByItsOwnBytes)
{
    QTemporaryDir pictures;
    const QByteArray folder = QFile::encodeName(pictures.path()) + '/';
    // The keeper's name is what a lossy decoding of the copy's name turns into.
    const QByteArray keeper = folder + "pic\xef\xbf\xbd.jpg";
    const QByteArray copy = folder + "pic\xff.jpg";
    ASSERT_TRUE(scene(3).save(pictures.filePath("keeper"), "jpg", 90));
    ASSERT_TRUE(scene(3).scaled(320, 240).save(pictures.filePath("copy"), "jpg", 90));
    ASSERT_EQ(rename(QFile::encodeName(pictures.filePath("keeper")).constData(), keeper.constData()), 0);
    ASSERT_EQ(rename(QFile::encodeName(pictures.filePath("copy")).constData(), copy.constData()), 0);
    QTemporaryDir data;
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const CliRun trashed = RunCliWithBytes({ "--quiet", "--keep", "most-pixels", "--trash-marked", folder });
    qputenv("XDG_DATA_HOME", savedDataHome);
    ASSERT_EQ(trashed.exitCode, 0) << trashed.err.constData();
    struct stat info {
    };
    EXPECT_EQ(stat(keeper.constData(), &info), 0) << "the kept picture stays";
    EXPECT_NE(stat(copy.constData(), &info), 0);
    EXPECT_EQ(stat((QFile::encodeName(data.path()) + "/Trash/files/pic\xff.jpg").constData(), &info), 0);
    // QTemporaryDir cannot remove names that are not valid UTF-8.
    for (const QTemporaryDir *folder : { &pictures, &data })
        std::filesystem::remove_all(QFile::encodeName(folder->path()).toStdString());
}

TEST_F(CommandLineSearch, CleanUpListingsAndReportsKeepTheirFormat)
{
    // The copy to be marked has a name with a leading dash, a byte that is not UTF-8, a tab, a
    // backslash and a newline.
    ASSERT_TRUE(QFile::remove(path("c.jpg")));
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    const QByteArray marked = folder + "-b\xff\t\\\n.png";
    const QByteArray escaped = folder + "-b\xff\\t\\\\\\n.png";
    const QByteArray keeper = folder + "a.jpg";
    ASSERT_EQ(::rename((folder + "b.png").constData(), marked.constData()), 0);
    QTemporaryDir data;
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const auto keep = [&](std::vector<QByteArray> arguments) {
        arguments.insert(arguments.begin(), { "--quiet", "--no-store", "--keep", "most-pixels" });
        arguments.push_back(folder);
        return RunCliWithBytes(arguments);
    };
    const auto bytesAt = [](const QJsonValue &value) { return QByteArray::fromBase64(value.toString().toLatin1()); };

    const CliRun tsv = keep({ "--format", "tsv" });
    EXPECT_TRUE(
        tsv.out.startsWith(escaped + '\t' + keeper + '\t') && tsv.out.count('\t') == 2 && tsv.out.count('\n') == 1)
        << tsv.out.constData();
    const QJsonArray listed = QJsonDocument::fromJson(keep({ "--format", "json" }).out).array();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(bytesAt(listed[0][QStringLiteral("marked_bytes")]), marked);
    EXPECT_FALSE(listed[0].toObject().contains(QStringLiteral("keeper_bytes")));

    // Left alone: the target folder does not exist. The reason names the error in words.
    const QByteArray missing = folder + "missing";
    const CliRun alone = keep({ "--move-marked", missing, "--format", "tsv" });
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_EQ(alone.out, "left alone\t" + escaped + "\tfailed: No such file or directory\n");
    EXPECT_EQ(keep({ "--move-marked", missing }).out,
        "\xEF\xBB\xBF" + QStringLiteral("操作；图片文件名；去向或原因；").toUtf8() + "\r\nleft alone;\"" + marked
            + "\";failed: No such file or directory;\r\n");

    ASSERT_TRUE(QDir().mkpath(path("moved")));
    const CliRun moved = keep({ "--move-marked", folder + "moved", "--format", "json" });
    qputenv("XDG_DATA_HOME", savedDataHome);
    EXPECT_EQ(moved.exitCode, 0) << moved.err.constData();
    const QJsonArray report = QJsonDocument::fromJson(moved.out).array();
    ASSERT_EQ(report.size(), 1);
    EXPECT_EQ(report[0][QStringLiteral("action")].toString(), QStringLiteral("moved"));
    EXPECT_EQ(bytesAt(report[0][QStringLiteral("path_bytes")]), marked);
    EXPECT_EQ(bytesAt(report[0][QStringLiteral("to_bytes")]), folder + "moved/-b\xff\t\\\n.png");
}

TEST_F(CommandLineSearch, AStoreThatIsNoSignatureStoreIsRefusedAndLeftAsItIs)
{
    QTemporaryDir elsewhere;
    const QString notes = elsewhere.filePath(QStringLiteral("notes.txt"));
    const QString folder = elsewhere.filePath(QStringLiteral("folder"));
    const QString pipe = elsewhere.filePath(QStringLiteral("pipe"));
    // A database header that another program marked as its own.
    const QString marked = elsewhere.filePath(QStringLiteral("marked.db"));
    QByteArray header = QByteArray("SQLite format 3", 16) + QByteArray(4096 - 16, '\0');
    header[71] = 7;
    for (const auto &[file, bytes] : { std::pair { notes, QByteArray("notes\n") }, { marked, header } }) {
        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::WriteOnly) && written.write(bytes) == bytes.size());
    }
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QStringList before = QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden);
    const QByteArray picture = bytesOf("c.jpg");
    const std::pair<QString, const char *> refused[]
        = { { path("c.jpg"), "it is not an SQLite database" }, { notes, "it is not an SQLite database" },
              { marked, "it is the database of another program" }, { folder, "it is a folder" },
              { pipe, "it is a named pipe" }, { QStringLiteral("/dev/null"), "it is a device" } };
    for (const auto &[store, why] : refused) {
        const CliRun run = RunCli({ "--quiet", "--store", store, dir.path() });
        EXPECT_EQ(run.exitCode, 2) << why;
        EXPECT_EQ(run.err,
            "quorvane-cli: --store " + QFile::encodeName(store) + " is not a signature store: " + why
                + "; nothing was changed\n");
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden), before);
    EXPECT_EQ(bytesOf("c.jpg"), picture);

    // In the default store's place the search goes on without it.
    QTemporaryDir cache;
    const QString defaultStore = cache.filePath(QStringLiteral("Quorvane/signatures.sqlite"));
    ASSERT_TRUE(QDir().mkpath(cache.filePath(QStringLiteral("Quorvane"))));
    ASSERT_TRUE(QFile::copy(notes, defaultStore));
    const QByteArray savedCacheHome = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const CliRun byDefault = RunCli({ "--quiet", dir.path() });
    qputenv("XDG_CACHE_HOME", savedCacheHome);
    EXPECT_EQ(byDefault.exitCode, 0);
    EXPECT_EQ(byDefault.out, RunCli({ "--quiet", "--no-store", dir.path() }).out);
    EXPECT_EQ(byDefault.err,
        "quorvane-cli: signature store " + QFile::encodeName(defaultStore)
            + " is not a signature store (it is not an SQLite database): searched without it\n");
    EXPECT_EQ(
        QDir(cache.filePath(QStringLiteral("Quorvane"))).entryList(QDir::Files), QStringList { "signatures.sqlite" });

    // A store of this program that is one of the pictures searched.
    ASSERT_EQ(RunCli({ "--quiet", "--store", path("store.jpg"), folder }).exitCode, 0);
    const QByteArray store = bytesOf("store.jpg");
    const CliRun ontoPicture = RunCli({ "--quiet", "--store", path("store.jpg"), dir.path() });
    EXPECT_EQ(ontoPicture.exitCode, 2);
    EXPECT_TRUE(ontoPicture.err.contains("is one of the pictures searched")) << ontoPicture.err.constData();
    EXPECT_EQ(bytesOf("store.jpg"), store);
    EXPECT_EQ(typeOf("store.jpg-wal"), mode_t(0));
}
