#include "engine/cleanup/decisionstore.h"
#include "engine/cleanup/pairdismissal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

TContentHash contentOf(const char *text) { return HashContent(QByteArray(text)); }

QByteArray bytesOf(const QByteArray &path)
{
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QByteArray &path, const QByteArray &bytes)
{
    QFile file(QString::fromLocal8Bit(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class DecisionStore : public ::testing::Test
{
protected:
    QByteArray file() const { return QFile::encodeName(dir.path()) + "/deeper/decisions.sqlite"; }
    QTemporaryDir dir;
};

}

TEST_F(DecisionStore, RecordsEitherWayRoundForgetsOneOrAllAndCounts)
{
    TDecisionStore store(file());
    QString error;
    // No file yet: no decisions, and reading makes none.
    ASSERT_EQ(store.Count(&error), 0);
    EXPECT_FALSE(QFile::exists(QString::fromLocal8Bit(file())));
    const TContentHash a = contentOf("a");
    const TContentHash b = contentOf("b");
    const TContentHash c = contentOf("c");
    ASSERT_TRUE(store.Record(a, b, &error)) << error.toStdString();
    ASSERT_TRUE(store.Record(b, a, &error));
    ASSERT_TRUE(store.Record(c, a, &error));
    EXPECT_EQ(store.Count(&error), 2);
    std::optional<TDismissedPairs> pairs = store.Load(&error);
    ASSERT_TRUE(pairs);
    EXPECT_TRUE(pairs->Contains(b, a));
    EXPECT_TRUE(pairs->Contains(a, c));
    EXPECT_FALSE(pairs->Contains(b, c));
    EXPECT_TRUE(pairs->Involves(c));

    ASSERT_TRUE(store.Forget(b, a, &error));
    pairs = store.Load(&error);
    ASSERT_TRUE(pairs);
    EXPECT_FALSE(pairs->Contains(a, b));
    EXPECT_TRUE(pairs->Contains(a, c));
    EXPECT_FALSE(pairs->Involves(b));
    EXPECT_EQ(store.ForgetAll(&error), 1);
    EXPECT_EQ(store.Count(&error), 0);
}

TEST_F(DecisionStore, AReadOnlyFileIsStillReadAndAForeignOrDamagedOneIsReportedAndLeftAlone)
{
    QString error;
    {
        TDecisionStore store(file());
        ASSERT_TRUE(store.Record(contentOf("a"), contentOf("b"), &error));
    }
    ASSERT_EQ(::chmod(file().constData(), 0400), 0);
    if (::access(file().constData(), W_OK) != 0) {
        TDecisionStore readOnly(file());
        const std::optional<TDismissedPairs> pairs = readOnly.Load(&error);
        ASSERT_TRUE(pairs) << error.toStdString();
        EXPECT_TRUE(pairs->Contains(contentOf("a"), contentOf("b")));
        EXPECT_FALSE(readOnly.Record(contentOf("c"), contentOf("d"), &error));
        EXPECT_FALSE(error.isEmpty());
    }

    // Damaged: every call says so, and the bytes stay as they were.
    const QByteArray damaged = QByteArray("SQLite format 3") + '\0' + QByteArray(4000, 'x');
    const QByteArray damagedFile = QFile::encodeName(dir.path()) + "/damaged.sqlite";
    writeFile(damagedFile, damaged);
    TDecisionStore broken(damagedFile);
    error.clear();
    EXPECT_FALSE(broken.Load(&error));
    EXPECT_TRUE(error.contains(QString::fromLocal8Bit(damagedFile))) << error.toStdString();
    EXPECT_FALSE(broken.Record(contentOf("a"), contentOf("b"), &error));
    EXPECT_FALSE(broken.ForgetAll(&error));
    EXPECT_EQ(bytesOf(damagedFile), damaged);

    // Another program's database, and a folder in the file's place.
    const QByteArray foreignFile = QFile::encodeName(dir.path()) + "/foreign.sqlite";
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(foreignFile.constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE dismissed(x)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const QByteArray foreign = bytesOf(foreignFile);
    error.clear();
    EXPECT_FALSE(TDecisionStore(foreignFile).Record(contentOf("a"), contentOf("b"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("not a decisions file"))) << error.toStdString();
    EXPECT_EQ(bytesOf(foreignFile), foreign);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.sqlite")));
    EXPECT_FALSE(TDecisionStore(QFile::encodeName(dir.path()) + "/folder.sqlite").Load(&error));
}

TEST_F(DecisionStore, ADismissedListedPairLeavesTheListAndUndoPutsItBack)
{
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    AppendPath(catalogue, folder);
    for (const char *name : { "a.jpg", "b.jpg", "c.jpg" }) {
        writeFile(folder + name, QByteArray("content of ") + name);
        TPicInfo picture;
        picture.FileName = name;
        AppendPicture(catalogue, picture);
    }
    TrimAfterCollection(catalogue);
    AllocatePairs(catalogue);
    AppendPair(catalogue, 0, 1, 90);
    AppendPair(catalogue, 1, 2, 80);
    TrimPairs(catalogue);

    TDecisionStore store(file());
    QString error;
    const std::optional<TPairDismissal> dismissal = DismissListedPair(catalogue, 0, store, &error);
    ASSERT_TRUE(dismissal) << error.toStdString();
    ASSERT_EQ(catalogue.PairsLast, 0);
    EXPECT_EQ(catalogue.Pairs[0].PicIndex1, 1);
    EXPECT_EQ(store.Count(&error), 1);
    ASSERT_TRUE(catalogue.Dismissed);
    EXPECT_TRUE(catalogue.Dismissed->Contains(HashContent("content of b.jpg"), HashContent("content of a.jpg")));

    ASSERT_TRUE(UndoPairDismissal(catalogue, *dismissal, store, &error));
    ASSERT_EQ(catalogue.PairsLast, 1);
    EXPECT_EQ(catalogue.Pairs[0].PicIndex2, 1);
    EXPECT_EQ(catalogue.Pairs[0].Similarity, 90);
    EXPECT_EQ(store.Count(&error), 0);
    EXPECT_FALSE(catalogue.Dismissed);

    // A file that is gone: nothing is recorded and the list stays.
    ASSERT_TRUE(QFile::remove(QString::fromLocal8Bit(folder + "c.jpg")));
    EXPECT_FALSE(DismissListedPair(catalogue, 1, store, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("c.jpg")));
    EXPECT_EQ(catalogue.PairsLast, 1);
    EXPECT_EQ(store.Count(&error), 0);

    // A file hashed piece by piece hashes as its whole content does.
    QByteArray large(5 * 1024 * 1024 / 2, 'x');
    large[large.size() - 1] = 'y';
    writeFile(folder + "large.png", large);
    EXPECT_EQ(HashOfFile(folder + "large.png", &error), HashContent(large));
}
