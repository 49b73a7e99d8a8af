#include "engine/base/searchobserver.h"
#include "engine/results/resultwriter.h"
#include "engine/search.h"
#include "engine/sign/signpicture.h"
#include "engine/store/signaturestore.h"
#include "engine/store/storedsigner.h"
#include "picturefixtures.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace
{

struct TCountingObserver : TListedFoldersObserver {
    int32_t FromStore = 0;
    int32_t Decoded = 0;
    void SignaturesCountChanged(int32_t fromStore, int32_t decoded) override
    {
        FromStore = fromStore;
        Decoded = decoded;
    }
};

struct TSearchResult {
    QByteArray Csv;
    // How each pair's duplicate lies, which the CSV does not say.
    std::vector<TOrientation> Orientations;
    int32_t FromStore = 0;
    int32_t Decoded = 0;
};

TSearchResult search(const QString &folder, const TSettings &settings, std::shared_ptr<TSignatureStore> store)
{
    TCatalogue catalogue;
    catalogue.SearchStopped = false;
    TCountingObserver observer;
    observer.folders = { QFile::encodeName(folder) + '/' };
    RunSearchSteps(catalogue, settings, observer, { 2, true }, store);
    if (store)
        store->Flush();
    std::vector<TOrientation> orientations;
    for (const TPicturePair &pair : catalogue.Pairs)
        orientations.push_back(pair.Orientation);
    return { BuildCsv(catalogue), orientations, observer.FromStore, observer.Decoded };
}

std::shared_ptr<TSignatureStore> openStore(const QString &storeFile, const QByteArray &recipe = SigningRecipe())
{
    return std::make_shared<TSignatureStore>(QFile::encodeName(storeFile), recipe);
}

TSearchResult searchWithStore(const QString &folder, const TSettings &settings, const QString &storeFile,
    const QByteArray &recipe = SigningRecipe())
{
    return search(folder, settings, openStore(storeFile, recipe));
}

QByteArray plainCsv(const QString &folder, const TSettings &settings) { return search(folder, settings, nullptr).Csv; }

// Scenes and their near-duplicates and copies, a copy that differs only in its last byte, plus the
// pictures a search skips: a broken JPEG and one below the minimum size. BMP fixtures have a fixed
// size for rewrites in place.
int fillLibrary(const QString &root)
{
    QDir().mkpath(root + "/a");
    QDir().mkpath(root + "/b");
    for (int scene = 0; scene < 5; ++scene) {
        const QImage picture = DrawScene(quint32(300 + scene), 320, 240);
        const QString name = root + (scene % 2 ? "/a" : "/b") + QStringLiteral("/scene%1").arg(scene);
        SavePicture(picture, name + ".jpg", "jpg", 90);
        SavePicture(picture.scaled(240, 180), name + "_small.png", "png");
        WriteBytes(name + ".bmp", EncodeBmp(picture));
    }
    QFile::copy(root + "/b/scene0.jpg", root + "/a/scene0_copy.jpg");
    QByteArray retouched = ReadBytes(root + "/b/scene4.bmp");
    retouched.back() = char(retouched.back() ^ 0x40);
    WriteBytes(root + "/a/scene4_retouched.bmp", retouched);
    WriteBytes(root + "/a/broken.jpg", ReadBytes(root + "/b/scene0.jpg").left(600));
    SavePicture(DrawScene(9, 60, 40), root + "/a/tiny.png", "png");
    return 19;
}

QByteArray textOf(const std::optional<TPictureSignature> &signature)
{
    return signature ? SignatureText(*signature) : QByteArray("skipped");
}

sqlite3 *openDirectly(const QString &file)
{
    sqlite3 *db = nullptr;
    EXPECT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    return db;
}

int64_t countRows(const QString &file, const char *sql)
{
    sqlite3 *db = openDirectly(file);
    sqlite3_stmt *statement = nullptr;
    int64_t count = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        count = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

void execute(const QString &file, const char *sql)
{
    sqlite3 *db = openDirectly(file);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// Rewrites the file in place (or replaces it by a new file) with `bytes` and sets its times back,
// as `touch -r` would.
void rewriteKeepingTimes(const QString &path, const QByteArray &bytes, bool asNewFile = false)
{
    struct stat before {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    if (asNewFile)
        QFile::remove(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.write(bytes);
    file.close();
    const timespec times[2] = { before.st_atim, before.st_mtim };
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    struct stat after {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &after), 0);
    ASSERT_EQ(after.st_size, before.st_size);
    ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

TEST(SignatureStore, ColdWarmAndHalfWarmSearchesPairExactlyAsWithoutTheStore)
{
    for (const bool identicalOnly : { false, true }) {
        QTemporaryDir root;
        const int pictures = fillLibrary(root.path());
        const QString storeFile = root.path() + "/store/signatures.sqlite";
        const QString library = root.path() + "/library";
        QDir().rename(root.path() + "/a", library);
        QDir().rename(root.path() + "/b", library + "/b");
        TSettings settings;
        settings.SearchOnlyIdentical = identicalOnly;
        const QByteArray plain = plainCsv(library, settings);
        ASSERT_GE(plain.count("\r\n"), 3);

        const TSearchResult cold = searchWithStore(library, settings, storeFile);
        EXPECT_EQ(cold.Csv, plain);
        EXPECT_EQ(cold.FromStore, 0);
        EXPECT_EQ(cold.Decoded, pictures);
        const TSearchResult warm = searchWithStore(library, settings, storeFile);
        EXPECT_EQ(warm.Csv, plain);
        EXPECT_EQ(warm.FromStore, pictures);

        // Half warm: one file changed, one added, one removed, one renamed, one copied.
        WriteBytes(library + "/b/scene2.bmp", EncodeBmp(DrawScene(77, 320, 240)));
        SavePicture(DrawScene(301, 320, 240).mirrored(), library + "/b/added.jpg", "jpg", 90);
        QFile::remove(library + "/scene1_small.png");
        QFile::rename(library + "/scene3.jpg", library + "/b/scene3_renamed.jpg");
        QFile::copy(library + "/b/scene4.bmp", library + "/scene4_copy.bmp");
        const TSearchResult halfWarm = searchWithStore(library, settings, storeFile);
        EXPECT_EQ(halfWarm.Csv, plainCsv(library, settings));
        EXPECT_EQ(halfWarm.Decoded, 2);
        EXPECT_EQ(halfWarm.FromStore, pictures - 1);
    }
}

TEST(SignatureStore, IdenticalOnlyEntriesAreNotTakenForSignaturesByAFullSearch)
{
    QTemporaryDir root;
    const int pictures = fillLibrary(root.path());
    const QString storeFile = root.path() + "/signatures.sqlite";
    TSettings identicalOnly;
    identicalOnly.SearchOnlyIdentical = true;
    searchWithStore(root.path(), identicalOnly, storeFile);
    const TSettings full;
    const TSearchResult after = searchWithStore(root.path(), full, storeFile);
    EXPECT_EQ(after.Csv, plainCsv(root.path(), full));
    // The broken and the tiny picture never had lists to compute.
    EXPECT_EQ(after.Decoded, pictures - 2);
    // The full entries serve an identical-only search too, and other minimum sizes.
    EXPECT_EQ(searchWithStore(root.path(), identicalOnly, storeFile).Decoded, 0);
    TSettings larger;
    larger.MinPicWidth = 250;
    EXPECT_EQ(searchWithStore(root.path(), larger, storeFile).Csv, plainCsv(root.path(), larger));
}

TEST(SignatureStore, TurnedCopySearchesReuseEntriesThatKeepTheTransposedLists)
{
    QTemporaryDir root;
    const int pictures = fillLibrary(root.path()) + 1;
    SavePicture(TurnedPicture(DrawScene(303, 320, 240), TOrientation::Rotated90), root.path() + "/a/turned.png", "png");
    const QString storeFile = root.path() + "/signatures.sqlite";
    const TSettings plain;
    TSettings turned;
    turned.SearchRotated = true;
    const TSearchResult withoutStore = search(root.path(), turned, nullptr);
    ASSERT_NE(
        std::count(withoutStore.Orientations.begin(), withoutStore.Orientations.end(), TOrientation::Rotated90), 0);

    // A store of the first version, which had no room for the transposed lists nor for the
    // decoder, is signed afresh.
    searchWithStore(root.path(), plain, storeFile);
    execute(storeFile,
        "ALTER TABLE signatures DROP COLUMN tpos; ALTER TABLE signatures DROP COLUMN tneg; "
        "PRAGMA user_version = 1");
    const TSearchResult firstVersion = searchWithStore(root.path(), plain, storeFile);
    EXPECT_EQ(firstVersion.Decoded, pictures);
    EXPECT_EQ(firstVersion.Csv, plainCsv(root.path(), plain));

    // Its entries lack the transposed lists: signed again (all but the two skipped pictures), and
    // kept with them, which then serve both kinds of search.
    const TSearchResult upgraded = searchWithStore(root.path(), turned, storeFile);
    EXPECT_EQ(upgraded.Decoded, pictures - 2);
    const TSearchResult warm = searchWithStore(root.path(), turned, storeFile);
    EXPECT_EQ(warm.Decoded, 0);
    for (const TSearchResult &result : { upgraded, warm }) {
        EXPECT_EQ(result.Csv, withoutStore.Csv);
        EXPECT_EQ(result.Orientations, withoutStore.Orientations);
    }
    EXPECT_EQ(searchWithStore(root.path(), plain, storeFile).Decoded, 0);
}

TEST(SignatureStore, AFileRewrittenInPlaceWithItsTimesRestoredIsSignedAgain)
{
    QTemporaryDir root;
    fillLibrary(root.path());
    const QString storeFile = root.path() + "/signatures.sqlite";
    const QString rewritten = root.path() + "/b/scene0.bmp";
    const TSettings settings;
    searchWithStore(root.path(), settings, storeFile);
    struct stat status {
    };
    ASSERT_EQ(::stat(QFile::encodeName(rewritten).constData(), &status), 0);
    const TFileIdentity identity { uint64_t(status.st_dev), uint64_t(status.st_ino), int64_t(status.st_size),
        int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
        int64_t(status.st_ctim.tv_sec) * 1'000'000'000 + status.st_ctim.tv_nsec };
    // The identity was recorded, so a file left alone would not even be opened.
    ASSERT_TRUE(TSignatureStore(QFile::encodeName(storeFile))
                    .FindByIdentity(QFile::encodeName(rewritten), identity, TPictureDecoder::Bmp));

    // The same size and times, another picture: it now pairs with no other.
    rewriteKeepingTimes(rewritten, EncodeBmp(DrawScene(301, 320, 240).mirrored()));
    const TSearchResult after = searchWithStore(root.path(), settings, storeFile);
    EXPECT_EQ(after.Csv, plainCsv(root.path(), settings));
    EXPECT_EQ(after.Decoded, 1);
}

TEST(SignatureStore, ARenamedFolderIsTakenFromTheStoreWithoutReadingItsFiles)
{
    QTemporaryDir root;
    fillLibrary(root.path());
    const QString storeFile = root.path() + "/signatures.sqlite";
    const TSettings settings;
    searchWithStore(root.path() + "/b", settings, storeFile);
    ASSERT_TRUE(QDir().rename(root.path() + "/b", root.path() + "/renamed"));
    // Rewritten in place with its size and times restored, then moved with the folder: only the
    // status-change time tells it from the file recorded under the old name.
    rewriteKeepingTimes(root.path() + "/renamed/scene0.bmp", EncodeBmp(DrawScene(301, 320, 240).mirrored()));

    const auto store = openStore(storeFile);
    TStoredSigner signer(store, std::chrono::seconds(10));
    const QStringList files = QDir(root.path() + "/renamed").entryList(QDir::Files);
    for (const QString &name : files) {
        const QByteArray path = QFile::encodeName(root.path() + "/renamed/" + name);
        EXPECT_EQ(textOf(signer.Sign(path, settings)), textOf(SignPicture(path, settings))) << name.toStdString();
    }
    EXPECT_EQ(signer.Hashed(), 1);
    EXPECT_EQ(signer.Decoded(), 1);
    EXPECT_EQ(signer.FromStore(), files.size() - 1);
    store->Flush();
    // The records moved along with the files; the rewritten file's old one is left to expire.
    EXPECT_EQ(countRows(storeFile, "SELECT count(*) FROM paths WHERE CAST(path AS TEXT) LIKE '%/b/%'"), 1);
}

TEST(SignatureStore, AFileReplacedOnItsPathWithItsTimesRestoredIsSignedAgain)
{
    QTemporaryDir root;
    fillLibrary(root.path());
    const QString storeFile = root.path() + "/signatures.sqlite";
    const TSettings settings;
    searchWithStore(root.path() + "/b", settings, storeFile);
    // Another picture of the same size and modification time in a new file, which on most file
    // systems gets the inode the removed one had.
    const QString replaced = root.path() + "/b/scene0.bmp";
    rewriteKeepingTimes(replaced, EncodeBmp(DrawScene(301, 320, 240).mirrored()), true);
    const QByteArray path = QFile::encodeName(replaced);

    const auto store = openStore(storeFile);
    TStoredSigner signer(store, std::chrono::seconds(10));
    EXPECT_EQ(textOf(signer.Sign(path, settings)), textOf(SignPicture(path, settings)));
    EXPECT_EQ(signer.Decoded(), 1);
}

TEST(SignatureStore, AnotherSigningRecipeSignsEverythingAgain)
{
    QTemporaryDir root;
    const int pictures = fillLibrary(root.path());
    const QString storeFile = root.path() + "/signatures.sqlite";
    const TSettings settings;
    searchWithStore(root.path(), settings, storeFile, "decoders A");
    const TSearchResult other = searchWithStore(root.path(), settings, storeFile, "decoders B");
    EXPECT_EQ(other.Csv, plainCsv(root.path(), settings));
    EXPECT_EQ(other.Decoded, pictures);
    for (const char *decoder : { "libjpeg-turbo", "LibRaw", "libheif", "libjxl" })
        EXPECT_TRUE(SigningRecipe().contains(decoder)) << decoder;
}

TEST(SignatureStore, AChangedDecoderSignsItsOwnPicturesAgainAndLeavesTheOthersStored)
{
    const QByteArray recipe = "decoders A";
    // Stored JPEG and PNG signatures stay valid: their decoders hand signing what they always did.
    for (const TPictureDecoder decoder : { TPictureDecoder::Jpeg, TPictureDecoder::Png })
        EXPECT_EQ(DecoderRecipe(recipe, decoder), recipe) << int(decoder);
    // Pictures signed from the whole picture before the cheaper sources came (a JPEG XL transcoded
    // from a JPEG now signs from that JPEG) are signed again, never misread.
    for (const TPictureDecoder decoder :
        { TPictureDecoder::Heif, TPictureDecoder::Webp, TPictureDecoder::Raw, TPictureDecoder::Jxl })
        EXPECT_NE(DecoderRecipe(recipe, decoder), recipe) << int(decoder);
    EXPECT_TRUE(DecoderRecipe(recipe, TPictureDecoder::Webp).contains("libwebp"));
}

TEST(SignatureStore, DamagedLockedOrNewerStoresAreSetAsideAndThePairsStayTheSame)
{
    QTemporaryDir root;
    fillLibrary(root.path());
    const QString library = root.path() + "/b";
    const TSettings settings;
    const QByteArray plain = plainCsv(library, settings);
    const QString storeFile = root.path() + "/store/signatures.sqlite";
    const auto warmStore = [&] {
        QDir(root.path() + "/store").removeRecursively();
        searchWithStore(library, settings, storeFile);
    };
    const auto searchOnce = [&](TStoreProblem expected, bool usable) {
        const auto store = openStore(storeFile);
        EXPECT_EQ(search(library, settings, store).Csv, plain);
        EXPECT_EQ(store->Problem(), expected);
        EXPECT_EQ(store->IsUsable(), usable);
    };
    const auto asideCount
        = [&] { return QDir(root.path() + "/store").entryList({ "signatures.sqlite.corrupt-*" }, QDir::Files).size(); };

    // Truncated: moved aside when opened, and a fresh store serves the search.
    warmStore();
    QFile::resize(storeFile, QFileInfo(storeFile).size() / 2);
    searchOnce(TStoreProblem::Corrupt, true);
    EXPECT_EQ(asideCount(), 1);
    EXPECT_EQ(searchWithStore(library, settings, storeFile).Decoded, 0);

    // A damaged entry whose page still reads is caught by its checksum while searching: the store
    // is moved aside afterwards and the next search starts a fresh one.
    warmStore();
    execute(storeFile, "UPDATE signatures SET height = height + 1");
    searchOnce(TStoreProblem::Corrupt, false);
    EXPECT_EQ(asideCount(), 1);
    EXPECT_FALSE(QFile::exists(storeFile));
    searchOnce(TStoreProblem::None, true);

    // A store that lost a table (or was made before the table existed) is mended.
    warmStore();
    execute(storeFile, "DROP TABLE meta");
    searchOnce(TStoreProblem::None, true);

    // One of this version whose tables lack a column its statements name is made afresh, rather
    // than failing every search.
    warmStore();
    execute(storeFile, "ALTER TABLE signatures RENAME COLUMN tneg TO spare");
    searchOnce(TStoreProblem::None, true);
    EXPECT_EQ(searchWithStore(library, settings, storeFile).Decoded, 0);

    // Another program's database is never emptied, even where one of its tables bears a name of
    // the store's.
    QDir(root.path() + "/store").removeRecursively();
    QDir().mkpath(root.path() + "/store");
    execute(storeFile,
        "CREATE TABLE meta(note TEXT); INSERT INTO meta VALUES('kept'); CREATE TABLE notes(text TEXT); "
        "PRAGMA user_version = 2");
    EXPECT_EQ(search(library, settings, openStore(storeFile)).Csv, plain);
    EXPECT_EQ(countRows(storeFile, "SELECT count(*) FROM meta WHERE note = 'kept'"), 1);

    // Written by a newer version: left exactly as it was.
    warmStore();
    execute(storeFile, "PRAGMA user_version = 99");
    const QByteArray newer = ReadBytes(storeFile);
    searchOnce(TStoreProblem::Newer, false);
    EXPECT_EQ(ReadBytes(storeFile), newer);

    // Locked by another program for longer than a moment.
    warmStore();
    sqlite3 *locker = openDirectly(storeFile);
    ASSERT_EQ(sqlite3_exec(locker, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; DELETE FROM paths WHERE 0",
                  nullptr, nullptr, nullptr),
        SQLITE_OK)
        << sqlite3_errmsg(locker);
    searchOnce(TStoreProblem::Locked, false);
    sqlite3_exec(locker, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(locker);

    // A store that cannot be written: its folder cannot be made (a file is in the way).
    WriteBytes(root.path() + "/blocked", "x");
    const auto blocked = openStore(root.path() + "/blocked/signatures.sqlite");
    EXPECT_EQ(search(library, settings, blocked).Csv, plain);
    EXPECT_EQ(blocked->Problem(), TStoreProblem::ReadOnly);
    // A read-only file, where permissions hold (they do not for root).
    if (::geteuid() != 0) {
        warmStore();
        QFile::setPermissions(storeFile, QFileDevice::ReadOwner);
        searchOnce(TStoreProblem::ReadOnly, false);
    }
}

TEST(SignatureStore, AFileThatIsNoStoreOfThisProgramIsLeftAsItIs)
{
    QTemporaryDir root;
    fillLibrary(root.path());
    const QString library = root.path() + "/b";
    const TSettings settings;
    const QByteArray plain = plainCsv(library, settings);
    const QString folder = root.path() + "/store";
    const QString storeFile = folder + "/signatures.sqlite";
    const QByteArray storeName = QFile::encodeName(storeFile);
    const auto listing = [&] { return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden); };
    const auto searchOnce = [&](TStoreProblem expected, bool usable) {
        const auto store = openStore(storeFile);
        EXPECT_EQ(search(library, settings, store).Csv, plain);
        EXPECT_EQ(store->Problem(), expected);
        EXPECT_EQ(store->IsUsable(), usable);
    };
    const auto leftAsItIs = [&](const char *what, const std::function<void()> &make) {
        SCOPED_TRACE(what);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        make();
        struct stat before {
        };
        ASSERT_EQ(::lstat(storeName.constData(), &before), 0);
        const QByteArray bytes = S_ISREG(before.st_mode) ? ReadBytes(storeFile) : QByteArray();
        const QStringList files = listing();
        EXPECT_FALSE(TSignatureStore::Refusal(storeName).isEmpty());
        searchOnce(TStoreProblem::Other, false);
        EXPECT_EQ(listing(), files);
        struct stat after {
        };
        ASSERT_EQ(::lstat(storeName.constData(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        if (S_ISREG(before.st_mode)) {
            EXPECT_EQ(ReadBytes(storeFile), bytes);
        }
    };
    const auto overwriteAfterHeader = [&] {
        QFile file(storeFile);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(100));
        file.write(QByteArray(8192, 'x'));
    };

    leftAsItIs("text", [&] { WriteBytes(storeFile, QByteArray(8192, 'x')); });
    leftAsItIs("another program's database", [&] { execute(storeFile, "CREATE TABLE contacts(name TEXT)"); });
    leftAsItIs("a database another program marked", [&] { execute(storeFile, "PRAGMA application_id = 7"); });
    leftAsItIs("another program's damaged database", [&] {
        execute(storeFile, "CREATE TABLE contacts(name TEXT)");
        overwriteAfterHeader();
    });
    leftAsItIs("a folder", [&] { QDir().mkpath(storeFile); });
    leftAsItIs("a named pipe", [&] { ASSERT_EQ(::mkfifo(storeName.constData(), 0600), 0); });

    // An empty file becomes a store; so does a database with nothing in it yet.
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    WriteBytes(storeFile, QByteArray());
    searchOnce(TStoreProblem::None, true);
    QFile::remove(storeFile);
    execute(storeFile, "CREATE TABLE dropped(x); DROP TABLE dropped");
    searchOnce(TStoreProblem::None, true);

    // A store made before stores were marked is this program's: used, and marked from then on.
    execute(storeFile, "PRAGMA application_id = 0");
    EXPECT_TRUE(TSignatureStore::Refusal(storeName).isEmpty());
    EXPECT_EQ(searchWithStore(library, settings, storeFile).Decoded, 0);
    EXPECT_NE(countRows(storeFile, "PRAGMA application_id"), 0);

    // A store of this program whose pages are damaged is moved aside for a fresh one.
    overwriteAfterHeader();
    searchOnce(TStoreProblem::Corrupt, true);
    EXPECT_EQ(QDir(folder).entryList({ "signatures.sqlite.corrupt-*" }, QDir::Files).size(), 1);
}

TEST(SignatureStore, AContentAnswersOnlyForTheDecoderThatReadIt)
{
    const QString extensions[] = { "jpg", "png", "tif", "bmp", "gif", "webp", "heic", "jxl", "dng" };
    TSettings settings;
    settings.SearchTIFF = settings.SearchJXL = settings.SearchRAW = true;
    const QImage scene = DrawScene(41, 200, 150);
    for (const char *format : { "jpg", "png" }) {
        // One file under the name of every decoder, each in a folder of its own (A) and in one
        // shared folder (B) beside a byte copy and a smaller version: B's files are found in the
        // store by their identity under another name and by their content.
        QTemporaryDir root;
        const QString origin = root.filePath("origin");
        SavePicture(scene, origin, format, 90);
        for (const QString &extension : extensions) {
            const QString own = root.filePath("A" + extension);
            const QString shared = root.filePath("B/" + extension);
            ASSERT_TRUE(QDir().mkpath(own) && QDir().mkpath(shared));
            ASSERT_EQ(::link(QFile::encodeName(origin), QFile::encodeName(own + "/x." + extension)), 0);
            ASSERT_EQ(::link(QFile::encodeName(origin), QFile::encodeName(shared + "/p." + extension)), 0);
            ASSERT_TRUE(QFile::copy(origin, shared + "/copy." + extension));
            SavePicture(scene.scaled(150, 112), shared + "/small.jpg", "jpg", 90);
        }
        for (const bool identicalOnly : { false, true }) {
            settings.SearchOnlyIdentical = identicalOnly;
            const QByteArray plain = plainCsv(root.filePath("B"), settings);
            ASSERT_GE(plain.count("\r\n"), 2);
            for (const QString &first : extensions) {
                const QString storeFile = root.filePath(QStringLiteral("%1-%2.sqlite").arg(first).arg(identicalOnly));
                searchWithStore(root.filePath("A" + first), settings, storeFile);
                EXPECT_EQ(countRows(storeFile, "SELECT count(*) FROM paths"), 1);
                EXPECT_EQ(searchWithStore(root.filePath("B"), settings, storeFile).Csv, plain)
                    << format << " bytes read as ." << first.toStdString() << " first"
                    << (identicalOnly ? ", identical only" : "");
            }
        }
    }
}

TEST(SignatureStore, APathRecordNamingAnotherContentIsCaughtByItsChecksum)
{
    for (const bool identicalOnly : { false, true }) {
        QTemporaryDir root;
        fillLibrary(root.path());
        const QString library = root.path() + "/b";
        const QString storeFile = root.path() + "/signatures.sqlite";
        TSettings settings;
        settings.SearchOnlyIdentical = identicalOnly;
        const QByteArray plain = plainCsv(library, settings);
        searchWithStore(library, settings, storeFile);
        // The two BMP files have the same size: one's record now names the other's content.
        execute(storeFile,
            "UPDATE paths SET hash = (SELECT hash FROM paths WHERE CAST(path AS TEXT) LIKE '%/scene2.bmp') "
            "WHERE CAST(path AS TEXT) LIKE '%/scene0.bmp'");
        const auto store = openStore(storeFile);
        EXPECT_EQ(search(library, settings, store).Csv, plain);
        EXPECT_EQ(store->Problem(), TStoreProblem::Corrupt);
    }
}

TEST(SignatureStore, TwoSearchesAtOnceShareTheStore)
{
    QTemporaryDir root;
    const int pictures = fillLibrary(root.path());
    const QString storeFile = root.path() + "/signatures.sqlite";
    const TSettings settings;
    const QByteArray plain = plainCsv(root.path(), settings);
    TSearchResult first;
    std::thread other([&] { first = searchWithStore(root.path(), settings, storeFile); });
    const TSearchResult second = searchWithStore(root.path(), settings, storeFile);
    other.join();
    EXPECT_EQ(first.Csv, plain);
    EXPECT_EQ(second.Csv, plain);
    EXPECT_EQ(searchWithStore(root.path(), settings, storeFile).FromStore, pictures);
}

TEST(SignatureStore, EntriesUnseenFor90DaysGoExceptThoseOfDrivesNotMounted)
{
    QTemporaryDir root;
    fillLibrary(root.path());
    const QString storeFile = root.path() + "/signatures.sqlite";
    const TSettings settings;
    searchWithStore(root.path() + "/a", settings, storeFile);
    const int64_t paths = countRows(storeFile, "SELECT count(*) FROM paths");
    // One file seems to lie on a device that is not mounted; then nothing was seen for 91 days.
    execute(storeFile, "UPDATE paths SET device = 123456789 WHERE CAST(path AS TEXT) LIKE '%scene1.jpg'");
    execute(storeFile, "UPDATE paths SET seen = seen - 91; UPDATE signatures SET seen = seen - 91; DELETE FROM meta");
    searchWithStore(root.path() + "/b", settings, storeFile);
    EXPECT_EQ(countRows(storeFile, "SELECT count(*) FROM paths WHERE CAST(path AS TEXT) LIKE '%/a/%'"), 1);
    EXPECT_EQ(countRows(storeFile,
                  "SELECT count(*) FROM signatures s JOIN paths p ON p.hash = s.hash WHERE CAST(p.path AS TEXT) LIKE "
                  "'%scene1.jpg'"),
        1);
    EXPECT_GT(paths, 1);
}

TEST(SignatureStore, ADecodeNearTheTimeLimitIsNotStored)
{
    QTemporaryDir root;
    fillLibrary(root.path());
    const QString storeFile = root.path() + "/signatures.sqlite";
    const TSettings settings;
    const QByteArray picture = QFile::encodeName(root.path() + "/b/scene0.jpg");
    const auto store = openStore(storeFile);
    TStoredSigner hurried(store, std::chrono::milliseconds(0));
    EXPECT_EQ(textOf(hurried.Sign(picture, settings)), textOf(SignPicture(picture, settings)));
    store->Flush();
    EXPECT_EQ(countRows(storeFile, "SELECT count(*) FROM signatures"), 0);
    TStoredSigner patient(store, std::chrono::seconds(10));
    EXPECT_EQ(textOf(patient.Sign(picture, settings)), textOf(SignPicture(picture, settings)));
    store->Flush();
    EXPECT_EQ(countRows(storeFile, "SELECT count(*) FROM signatures"), 1);
}

}
