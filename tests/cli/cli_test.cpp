#include "cli/options.h"
#include "clirun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void PrintTo(const QByteArray &bytes, std::ostream *out) { *out << '"' << bytes.toStdString() << '"'; }

namespace
{

void writeFile(const QString &path, const QByteArray &content = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Whether --types named the type the command line calls `name`.
bool listed(const Options &options, const char *name)
{
    return std::any_of(options.Types->begin(), options.Types->end(),
        [&](const TPictureType *type) { return qstrcmp(type->CommandLineName, name) == 0; });
}

ParsedOptions parse(std::initializer_list<const char *> arguments)
{
    return ParseOptions(std::vector<QByteArray>(arguments.begin(), arguments.end()), "/work/here");
}

class CommandLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        root = m_dir.path() + QLatin1Char('/');
        writeFile(root + "photos/z.bmp");
        writeFile(root + "photos/b.jpg");
        writeFile(root + "photos/a.png");
        writeFile(root + "photos/c.tif");
        writeFile(root + "photos/2020/d.jpg");
        writeFile(root + "photos/empty.jpg", "");
    }

    QTemporaryDir m_dir;
    QString root;
};

}

TEST(CommandLineOptions, BadValuesNameTheOption)
{
    EXPECT_TRUE(parse({ "--min-width", "-1", "/a" }).Error.contains("--min-width"));
    EXPECT_TRUE(parse({ "--min-height=abc", "/a" }).Error.contains("--min-height"));
    EXPECT_TRUE(parse({ "--min-width", "4294967296", "/a" }).Error.contains("--min-width"));
    EXPECT_TRUE(parse({ "--min-height", "2147483648", "/a" }).Error.contains("at most 2147483647"));
    EXPECT_TRUE(parse({ "--format", "xml", "/a" }).Error.contains("--format"));
    EXPECT_TRUE(parse({ "--types", "jpg,svg", "/a" }).Error.contains("--types"));
    EXPECT_TRUE(parse({ "--types", "", "/a" }).Error.contains("--types"));
    EXPECT_TRUE(parse({ "--bogus", "/a" }).Error.contains("--bogus"));
    EXPECT_TRUE(parse({ "--threads", "0", "/a" }).Error.contains("--threads"));
    EXPECT_EQ(parse({ "--threads=3", "/a" }).Values.Threads, 3);
    EXPECT_TRUE(parse({ "--quiet=yes", "/a" }).Error.contains("--quiet"));
    EXPECT_TRUE(parse({ "/a", "--output" }).Error.contains("--output"));
    EXPECT_FALSE(parse({ "--quiet" }).Error.isEmpty());
    EXPECT_TRUE(parse({ "--signature", "x.jpg" }).Error.isEmpty());
}

// The shell completion and the manual page are written by hand: they must offer every type --types
// takes, in the table's order.
TEST(CommandLineOptions, CompletionAndManualNameEveryType)
{
    QFile completion(QStringLiteral(QUORVANE_SOURCE_DIR "/cli/quorvane-cli.bash-completion"));
    QFile manual(QStringLiteral(QUORVANE_SOURCE_DIR "/cli/quorvane-cli.1"));
    ASSERT_TRUE(completion.open(QIODevice::ReadOnly) && manual.open(QIODevice::ReadOnly));
    QByteArrayList names;
    for (const TPictureType &type : PictureTypes())
        names << type.CommandLineName;
    EXPECT_TRUE(completion.readAll().contains("-W '" + names.join(' ') + "'"));
    const QByteArray page = manual.readAll();
    qsizetype at = page.indexOf("a subset of");
    for (const QByteArray &name : names) {
        const qsizetype bold = page.indexOf("\n.B " + name, at);
        const qsizetype boldThenRoman = page.indexOf("\n.BR " + name, at);
        at = bold < 0 || (boldThenRoman >= 0 && boldThenRoman < bold) ? boldThenRoman : bold;
        ASSERT_GE(at, 0) << name.constData();
    }
}

TEST(CommandLineOptions, ValuesAndFolders)
{
    const ParsedOptions parsed
        = parse({ "--types=PNG,tiff", "--min-width", "0", "--min-height", "640", "--format", "json", "--output",
            "out.json", "--no-subfolders", "--identical-only", "photos", "../up/./x//", "/abs", "--", "-dash" });
    ASSERT_TRUE(parsed.Error.isEmpty()) << parsed.Error.toStdString();
    const Options &options = parsed.Values;
    ASSERT_TRUE(options.Types);
    EXPECT_TRUE(listed(options, "png") && listed(options, "tiff"));
    EXPECT_FALSE(listed(options, "jpg") || listed(options, "bmp") || listed(options, "gif") || listed(options, "cr2"));
    const Options modern = parse({ "--types", "WEBP,heif,jxl,raw", "/a" }).Values;
    ASSERT_TRUE(modern.Types);
    EXPECT_TRUE(listed(modern, "webp") && listed(modern, "heif") && listed(modern, "jxl") && listed(modern, "raw"));
    EXPECT_FALSE(listed(modern, "png") || listed(modern, "cr2"));
    const TSettings onlyModern = *EffectiveSettings(modern, nullptr);
    EXPECT_TRUE(onlyModern.SearchWEBP && onlyModern.SearchHEIF && onlyModern.SearchJXL && onlyModern.SearchRAW);
    EXPECT_FALSE(onlyModern.SearchJPG || onlyModern.SearchCR2);
    EXPECT_EQ(options.MinWidth, 0);
    EXPECT_EQ(options.MinHeight, 640);
    EXPECT_EQ(options.Format, OutputFormat::Json);
    EXPECT_EQ(options.OutputFile, "out.json");
    EXPECT_TRUE(options.NoSubfolders && options.IdenticalOnly);
    EXPECT_EQ(options.Folders,
        (std::vector<QByteArray> { "/work/here/photos/", "/work/up/x/", "/abs/", "/work/here/-dash/" }));
}

TEST_F(CommandLine, CommandLineWinsOverTheSettingsFile)
{
    writeFile(root + "q.ini", "[Main]\nSearchPNG=0\nMinPicWidth=7\nMinPicHeight=8\nScanSubfolders=0\n");
    const ParsedOptions parsed
        = ParseOptions({ "--settings", QFile::encodeName(root + "q.ini"), "--min-width", "50", "/a" }, "/");
    QString error;
    const auto settings = EffectiveSettings(parsed.Values, &error);
    ASSERT_TRUE(settings) << error.toStdString();
    EXPECT_FALSE(settings->SearchPNG);
    EXPECT_FALSE(settings->ScanSubfolders);
    EXPECT_EQ(settings->MinPicWidth, 50);
    EXPECT_EQ(settings->MinPicHeight, 8);

    EXPECT_FALSE(EffectiveSettings(ParseOptions({ "--settings", "/no/such.ini", "/a" }, "/").Values, &error));
    EXPECT_TRUE(error.contains("/no/such.ini"));
}

TEST_F(CommandLine, CollectOnlyPrintsTheCatalogueInOrder)
{
    CliRun run = RunCli({ "--collect-only", "--quiet", "photos" }, root);
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    const QByteArray base = QFile::encodeName(root);
    EXPECT_EQ(run.out,
        base + "photos/z.bmp\n" + base + "photos/b.jpg\n" + base + "photos/a.png\n" + base + "photos/2020/d.jpg\n");
    EXPECT_TRUE(run.err.isEmpty());

    run = RunCli({ "--collect-only", "--quiet", "--types", "tiff,jpg", "--no-subfolders", root + "photos" });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, base + "photos/b.jpg\n" + base + "photos/c.tif\n");

    writeFile(root + "types.ini", "[Main]\nSearchBMP=0\nSearchJPG=0\n");
    run = RunCli(
        { "--collect-only", "--settings", root + "types.ini", "--output", root + "list.txt", root + "photos" });
    EXPECT_EQ(run.exitCode, 0);
    QFile list(root + "list.txt");
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), base + "photos/a.png\n");
}

TEST_F(CommandLine, ExitStatusForUsageErrorsAndMissingFolders)
{
    CliRun run = RunCli({ "--collect-only", "--format", "xml", root });
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.startsWith("quorvane-cli: ") && run.err.contains("--format") && run.err.count('\n') == 1)
        << run.err.constData();
    EXPECT_TRUE(run.out.isEmpty());

    EXPECT_EQ(RunCli({ "--collect-only", "--min-width", "x", root }).exitCode, 2);
    EXPECT_EQ(RunCli({ "--collect-only" }).exitCode, 2);
    EXPECT_EQ(RunCli({ "--quiet", root + "missing" }).exitCode, 3);

    run = RunCli({ "--collect-only", root + "missing", root + "photos/b.jpg" });
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.out.isEmpty());

    // One existing folder is enough; the missing one is skipped, and said so once.
    run = RunCli({ "--collect-only", "--no-subfolders", root + "missing", root + "photos/2020", root + "missing" });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QFile::encodeName(root) + "photos/2020/d.jpg\n");
    EXPECT_EQ(run.err, "quorvane-cli: skipped " + QFile::encodeName(root) + "missing/: it does not exist\n");

    EXPECT_TRUE(RunCli({ "--help" }).out.contains("1 failed (the output could not be written"));
}

TEST_F(CommandLine, SettingsThatCannotBeASettingsFileAreRefused)
{
    writeFile(root + "binary.ini", QByteArray("[Main]\nSearchPNG=0\n\0\x01", 22));
    writeFile(root + "huge.ini", "[Main]\n");
    // Sparse: three gigabytes that take no room on the disk.
    ASSERT_TRUE(QFile::resize(root + "huge.ini", qint64(3) << 30));
    for (const QString &settings : { root + "photos", root + "binary.ini", root + "huge.ini" }) {
        const CliRun run = RunCli({ "--collect-only", "--settings", settings, root + "photos" });
        EXPECT_EQ(run.exitCode, 2) << settings.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains("--settings")) << run.err.constData();
    }
}

TEST_F(CommandLine, FileNameOptionsAreTakenAsBytes)
{
    const QByteArray base = QFile::encodeName(root);
    const QByteArray settings = base + "s\xfe.ini";
    const QByteArray output = base + "list\xff.txt";
    const auto writeRaw = [](const QByteArray &path, const QByteArray &content) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
        ::close(fd);
    };
    writeRaw(settings, "[Main]\nSearchBMP=0\nSearchJPG=0\n");
    const CliRun run
        = RunCliWithBytes({ "--collect-only", "--settings", settings, "--output", output, base + "photos" });
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    QFile written;
    const int fd = ::open(output.constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(written.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    EXPECT_EQ(written.readAll(), base + "photos/a.png\n");

    // The store's name too, also one that SQLite would otherwise read as a URI.
    for (const QByteArray &store : { base + "store\xff.sqlite", QByteArray("file:store?mode=memory") }) {
        const CliRun searched = RunCliWithBytes({ "--quiet", "--store", store, base + "photos" }, base);
        EXPECT_EQ(searched.exitCode, 0) << searched.err.constData();
        struct stat info {
        };
        EXPECT_EQ(::stat((store.startsWith('/') ? store : base + store).constData(), &info), 0) << store.constData();
    }
}
