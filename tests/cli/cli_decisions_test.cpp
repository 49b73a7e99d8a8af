#include "clirun.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <utility>

namespace
{

QImage scene(int seed)
{
    QImage image(640, 480, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor::fromHsv(seed * 47 % 360, 160, 200));
    for (int i = 0; i < 10; ++i) {
        painter.setBrush(QColor::fromHsv((seed * 31 + i * 53) % 360, 220, 100 + (i * 37) % 150));
        painter.drawEllipse(QPoint((seed * 97 + i * 131) % 640, (seed * 61 + i * 89) % 480), 30 + i * 7, 20 + i * 5);
    }
    return image;
}

using TNamePairs = std::set<std::pair<QByteArray, QByteArray>>;

// The pairs of a TSV listing by the files' names, each pair in listed order.
TNamePairs namePairs(const QByteArray &tsv)
{
    TNamePairs pairs;
    for (const QByteArray &line : tsv.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 3)
            pairs.insert(
                { fields[0].mid(fields[0].lastIndexOf('/') + 1), fields[1].mid(fields[1].lastIndexOf('/') + 1) });
    }
    return pairs;
}

class CommandLineDecisions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(data.isValid());
        ASSERT_TRUE(pictures.isValid());
        // Each test keeps its decisions apart from the others'.
        m_formerData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", m_formerData); }

    QString path(const QString &name) const { return pictures.filePath(name); }
    void save(const QImage &image, const QString &name, int quality = 90) const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        ASSERT_TRUE(image.save(path(name), "jpg", quality));
    }
    TNamePairs search(QStringList arguments) const
    {
        arguments << QStringLiteral("--quiet") << QStringLiteral("--format=tsv");
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err.constData();
        return namePairs(run.out);
    }
    QByteArray decisionsFile() const { return QFile::encodeName(data.path()) + "/Quorvane/decisions.sqlite"; }

    QTemporaryDir data;
    QTemporaryDir pictures;

private:
    QByteArray m_formerData;
};

}

TEST_F(CommandLineDecisions, ADismissedPairStaysGoneThroughRenamesAndCopiesUntilAContentChanges)
{
    save(scene(1), QStringLiteral("x0.jpg"), 90);
    save(scene(1), QStringLiteral("x1.jpg"), 80);
    save(scene(1), QStringLiteral("x2.jpg"), 95);
    const TNamePairs before = search({ pictures.path() });
    const CliRun plain = RunCli({ "--quiet", pictures.path() });
    ASSERT_EQ(before, (TNamePairs { { "x0.jpg", "x1.jpg" }, { "x1.jpg", "x2.jpg" } }));
    // No search made a decisions file.
    EXPECT_FALSE(QFile::exists(QString::fromLocal8Bit(decisionsFile())));

    const CliRun dismissed = RunCli({ "--dismiss", path("x2.jpg"), path("x1.jpg") });
    ASSERT_EQ(dismissed.exitCode, 0) << dismissed.err.constData();
    // The picture takes its next match.
    EXPECT_EQ(search({ pictures.path() }), (TNamePairs { { "x0.jpg", "x1.jpg" }, { "x0.jpg", "x2.jpg" } }));
    EXPECT_EQ(search({ "--no-decisions", pictures.path() }), before);
    // The three stay one group; the rule keeps the largest, x2.jpg, and never marks x1.jpg as its copy.
    const CliRun marked = RunCli({ "--quiet", "--format=tsv", "--keep", "largest", pictures.path() });
    EXPECT_EQ(namePairs(marked.out), (TNamePairs { { "x0.jpg", "x2.jpg" } })) << marked.out.constData();

    // Renamed and copied: still the same contents, still never paired.
    ASSERT_TRUE(QFile::rename(path("x1.jpg"), path("x5.jpg")));
    ASSERT_TRUE(QFile::copy(path("x2.jpg"), path("x3.jpg")));
    EXPECT_EQ(search({ pictures.path() }),
        (TNamePairs { { "x0.jpg", "x2.jpg" }, { "x2.jpg", "x3.jpg" }, { "x0.jpg", "x5.jpg" } }));

    // A new content lapses the decision.
    save(scene(1), QStringLiteral("x5.jpg"), 70);
    EXPECT_EQ(search({ pictures.path() }),
        (TNamePairs { { "x0.jpg", "x2.jpg" }, { "x2.jpg", "x3.jpg" }, { "x3.jpg", "x5.jpg" } }));

    // Forgotten, the list is exactly the one of a search without decisions.
    ASSERT_EQ(RunCli({ "--forget-dismissed" }).exitCode, 0);
    ASSERT_TRUE(QFile::rename(path("x5.jpg"), path("x1.jpg")));
    save(scene(1), QStringLiteral("x1.jpg"), 80);
    QFile::remove(path("x3.jpg"));
    EXPECT_EQ(RunCli({ "--quiet", pictures.path() }).out, plain.out);
}

TEST_F(CommandLineDecisions, ReferencePicturesAreNeverPairedWithEachOtherNorMarked)
{
    // The library's pictures are smaller, so most-pixels would keep a new one.
    save(scene(1).scaled(480, 360), QStringLiteral("library/r0.jpg"), 90);
    save(scene(1).scaled(480, 360), QStringLiteral("library/r1.jpg"), 80);
    save(scene(1), QStringLiteral("new/n0.jpg"), 85);
    save(scene(1), QStringLiteral("new/n1.jpg"), 75);
    const QString library = path(QStringLiteral("library"));
    const QString fresh = path(QStringLiteral("new"));
    EXPECT_TRUE(search({ fresh, library }).count({ "r0.jpg", "r1.jpg" }));
    const TNamePairs withReference = search({ fresh, "--reference", library });
    EXPECT_EQ(withReference, (TNamePairs { { "n0.jpg", "n1.jpg" }, { "n1.jpg", "r0.jpg" }, { "n1.jpg", "r1.jpg" } }));

    const CliRun marked = RunCli({ "--quiet", "--format=tsv", "--keep", "most-pixels", fresh, "--reference", library });
    ASSERT_EQ(marked.exitCode, 0) << marked.err.constData();
    ASSERT_EQ(marked.out.count('\n'), 2) << marked.out.constData();
    for (const QByteArray &line : marked.out.trimmed().split('\n'))
        EXPECT_TRUE(line.split('\t').at(0).contains("/new/n")) << line.constData();

    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("moved"))));
    const CliRun moved
        = RunCli({ "--quiet", "--keep", "oldest", "--move-marked", path("moved"), fresh, "--reference", library });
    EXPECT_EQ(moved.exitCode, 0) << moved.err.constData();
    EXPECT_TRUE(QFile::exists(path("moved/n0.jpg")));
    EXPECT_TRUE(QFile::exists(path("library/r0.jpg")));
    EXPECT_TRUE(QFile::exists(path("library/r1.jpg")));
}

TEST_F(CommandLineDecisions, MinListedHidesWeakPairsWithoutChangingAnyPairing)
{
    save(scene(1), QStringLiteral("a.jpg"), 90);
    ASSERT_TRUE(QFile::copy(path("a.jpg"), path("b.jpg")));
    save(scene(1).scaled(320, 240).scaled(640, 480), QStringLiteral("c.jpg"), 40);
    save(scene(2), QStringLiteral("d.jpg"), 90);
    save(scene(2), QStringLiteral("e.jpg"), 30);
    const CliRun all = RunCli({ "--quiet", "--format=tsv", pictures.path() });
    const CliRun filtered = RunCli({ "--quiet", "--format=tsv", "--min-listed", "100", pictures.path() });
    QByteArray expected;
    for (const QByteArray &line : all.out.split('\n'))
        if (line.endsWith("\t100.000000"))
            expected += line + '\n';
    ASSERT_GT(all.out.count('\n'), expected.count('\n'));
    EXPECT_EQ(filtered.out, expected);
    EXPECT_EQ(RunCli({ "--quiet", "--min-listed=1", pictures.path() }).out, RunCli({ "--quiet", pictures.path() }).out);
}

TEST_F(CommandLineDecisions, HostileNamesBadArgumentsAndADamagedDecisionsFile)
{
    save(scene(3), QStringLiteral("plain.jpg"), 90);
    save(scene(3), QStringLiteral("other.jpg"), 70);
    const QByteArray folder = QFile::encodeName(pictures.path());
    const QByteArray odd = "-odd\n\xff name.jpg";
    ASSERT_EQ(std::rename((folder + "/other.jpg").constData(), (folder + '/' + odd).constData()), 0);
    const CliRun dismissed = RunCliWithBytes({ "--dismiss", odd, "plain.jpg" }, folder);
    ASSERT_EQ(dismissed.exitCode, 0) << dismissed.err.constData();
    EXPECT_TRUE(RunCliWithBytes({ "--quiet", "--format=tsv", folder }).out.isEmpty());
    // A reference folder with such a name is one like any other.
    const QByteArray oddFolder = folder + "/-ref\n\xfe";
    ASSERT_TRUE(QDir().mkpath(QString::fromLocal8Bit(folder + "/x")));
    ASSERT_EQ(std::rename((folder + "/x").constData(), oddFolder.constData()), 0);
    ASSERT_TRUE(scene(4).save(QString::fromLocal8Bit(folder + "/r.jpg"), "jpg", 90));
    ASSERT_EQ(std::rename((folder + "/r.jpg").constData(), (oddFolder + "/r0.jpg").constData()), 0);
    ASSERT_TRUE(QFile::copy(QString::fromLocal8Bit(folder + "/plain.jpg"), path("p.jpg")));
    ASSERT_EQ(std::rename(QFile::encodeName(path("p.jpg")).constData(), (oddFolder + "/r1.jpg").constData()), 0);
    const CliRun withReference = RunCliWithBytes({ "--quiet", "--format=tsv", "--reference", oddFolder, folder });
    EXPECT_EQ(withReference.exitCode, 0) << withReference.err.constData();
    // Only the copy of plain.jpg pairs: the odd one is not paired with its content.
    EXPECT_EQ(withReference.out.count('\n'), 1) << withReference.out.constData();
    EXPECT_TRUE(withReference.out.contains("plain.jpg") && withReference.out.contains("/r1.jpg"));

    for (const QStringList &bad : { QStringList { "--dismiss", path("plain.jpg") }, QStringList { "--dismiss=a", "b" },
             QStringList { "--dismiss", "a", "b", pictures.path() }, QStringList { "--min-listed", "0", "." },
             QStringList { "--forget-dismissed", "--no-decisions" },
             QStringList { "--min-listed", "50", "--keep", "oldest", "." },
             QStringList { "--reference", path("missing") } }) {
        const CliRun run = RunCli(bad);
        EXPECT_EQ(run.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.constData();
    }
    const CliRun missing = RunCli({ "--dismiss", path("plain.jpg"), path("missing.jpg") });
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("missing.jpg"));

    // Damaged: the search reports it and runs as without decisions; nothing writes over it.
    const QByteArray damaged = QByteArray("SQLite format 3") + '\0' + QByteArray(3000, 'x');
    QFile file(QString::fromLocal8Bit(decisionsFile()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(damaged);
    file.close();
    const CliRun search = RunCliWithBytes({ "--format=tsv", "--quiet", folder });
    EXPECT_EQ(search.exitCode, 0);
    EXPECT_TRUE(search.err.contains("decisions.sqlite")) << search.err.constData();
    EXPECT_EQ(search.out, RunCliWithBytes({ "--format=tsv", "--quiet", "--no-decisions", folder }).out);
    EXPECT_EQ(RunCli({ "--dismiss", path("plain.jpg"), path("plain.jpg") }).exitCode, 1);
    EXPECT_EQ(RunCli({ "--forget-dismissed" }).exitCode, 1);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), damaged);
}
