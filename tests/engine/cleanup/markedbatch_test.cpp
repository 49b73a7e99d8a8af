#include "engine/cleanup/actionjournal.h"
#include "engine/cleanup/markedbatch.h"
#include "tests/support/faultyfileoperations.h"
#include "tests/support/testcatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <future>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace
{

QByteArray contentOf(int index) { return QByteArray(2000 + index, char('a' + index % 26)); }

QByteArray readFile(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QByteArray &path, const QByteArray &bytes)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        FAIL() << "cannot write " << path.constData();
}

// Groups of two in a folder of their own: picture 2g is kept, 2g + 1 marked. The trash and the
// journal live in the same temporary folder.
class MarkedBatch : public testing::Test
{
protected:
    void SetUp() override
    {
        m_savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
        QDir().mkpath(m_dir.filePath("data/Trash/files"));
        QDir().mkpath(m_dir.filePath("data/Trash/info"));
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", m_savedDataHome); }

    QByteArray PathOf(int index) const { return QFile::encodeName(m_dir.filePath("pictures/p%1.jpg").arg(index)); }

    void MakeGroups(int groups)
    {
        QDir().mkpath(m_dir.filePath("pictures"));
        std::vector<TTestPicture> pictures;
        std::vector<TTestPair> pairs;
        for (int i = 0; i < groups * 2; ++i) {
            writeFile(PathOf(i), contentOf(i));
            pictures.push_back({ PathOf(i), i % 2 });
        }
        for (int g = 0; g < groups; ++g)
            pairs.push_back({ 2 * g, 2 * g + 1 });
        m_catalogue = MakeTestCatalogue(pictures, pairs);
        m_marks.Reset(m_catalogue);
        for (int g = 0; g < groups; ++g)
            ASSERT_EQ(m_marks.Mark(2 * g + 1, 2 * g), TPictureMarks::TMarkResult::Done);
    }

    TBatchOutcome Run(TBatchAction action, TFileOperations &operations, const QByteArray &target = {})
    {
        return RunMarkedBatch(m_catalogue, m_marks, PlanMarkedBatch(m_catalogue, m_marks), action, target, operations,
            [](int32_t, int32_t) { return true; });
    }

    std::vector<TJournalFile> Journalled(const TBatchOutcome &outcome) const
    {
        return JournalFiles(m_catalogue, outcome.Acted);
    }

    QTemporaryDir m_dir;
    QByteArray m_savedDataHome;
    TCatalogue m_catalogue;
    TPictureMarks m_marks;
};

} // namespace

TEST_F(MarkedBatch, AKeeperGoneOrChangedAfterTheSearchStopsItsGroup)
{
    MakeGroups(3);
    ASSERT_TRUE(QFile::remove(QFile::decodeName(PathOf(0))));
    writeFile(PathOf(2), "edited");
    const TBatchOutcome outcome = Run(TBatchAction::Delete, SystemFileOperations());
    ASSERT_EQ(outcome.LeftAlone.size(), 2u);
    EXPECT_EQ(outcome.LeftAlone[0].Reason, TLeftAloneReason::KeeperGone);
    EXPECT_EQ(outcome.LeftAlone[1].Reason, TLeftAloneReason::KeeperChanged);
    EXPECT_EQ(readFile(PathOf(1)), contentOf(1));
    EXPECT_EQ(readFile(PathOf(3)), contentOf(3));
    ASSERT_EQ(outcome.Acted.size(), 1u);
    EXPECT_FALSE(QFile::exists(QFile::decodeName(PathOf(5))));
    EXPECT_EQ(m_marks.Marked(), (std::vector<int32_t> { 1, 3 }));
}

TEST_F(MarkedBatch, FilesTheTrashRefusesStayMarkedListedAndWhole)
{
    MakeGroups(6);
    TFaultyFileOperations faults;
    faults.FailFor(TFileOperation::MoveToTrash, EACCES, { PathOf(1), PathOf(5), PathOf(9) });
    ASSERT_TRUE(QFile::remove(QFile::decodeName(PathOf(7))));
    // A protected file goes all the same, and keeps its mode whether it went or stayed.
    for (const int protectedFile : { 1, 3 })
        ASSERT_EQ(::chmod(PathOf(protectedFile).constData(), 0444), 0);
    const TBatchOutcome outcome = Run(TBatchAction::Trash, faults);
    EXPECT_EQ(outcome.Acted.size(), 2u);
    EXPECT_EQ(outcome.AlreadyGone, std::vector<int32_t> { 7 });
    ASSERT_EQ(outcome.LeftAlone.size(), 3u);
    EXPECT_EQ(outcome.LeftAlone[0].Error, EACCES);
    EXPECT_EQ(faults.Calls(TFileOperation::Remove), 0) << "a refused trash never becomes a delete";
    for (const int kept : { 1, 5, 9 })
        EXPECT_EQ(readFile(PathOf(kept)), contentOf(kept));
    EXPECT_EQ(m_marks.Marked(), (std::vector<int32_t> { 1, 5, 9 }));
    std::vector<int32_t> listed;
    for (int32_t i = 0; i <= m_catalogue.PairsLast; ++i)
        listed.push_back(m_catalogue.Pairs[size_t(i)].PicIndex2);
    EXPECT_EQ(listed, (std::vector<int32_t> { 1, 5, 7, 9 }));
    for (const TActedFile &acted : outcome.Acted)
        EXPECT_EQ(readFile(acted.To), contentOf(acted.Picture));
    EXPECT_EQ(QFileInfo(QFile::decodeName(PathOf(1))).permissions() & QFileDevice::WriteOwner, 0);
    EXPECT_EQ(QFileInfo(QFile::decodeName(outcome.Acted.front().To)).permissions() & QFileDevice::WriteOwner, 0);
}

TEST_F(MarkedBatch, UndoRestoresFromTheTrashAfterARestartButNeverOverATakenPath)
{
    MakeGroups(3);
    const TBatchOutcome outcome = Run(TBatchAction::Trash, SystemFileOperations());
    ASSERT_EQ(outcome.Acted.size(), 3u);
    const QByteArray journalPath = QFile::encodeName(m_dir.filePath("data/Quorvane/journal.jsonl"));
    ASSERT_TRUE(TActionJournal(journalPath).Record(TJournalKind::Trash, Journalled(outcome), nullptr));
    writeFile(PathOf(3), "a new file under the old name");

    // A new journal object reads what the last run wrote.
    TActionJournal journal(journalPath);
    const std::optional<TJournalEntry> entry = journal.LastUndoable();
    ASSERT_TRUE(entry);
    const TUndoOutcome undone = UndoAction(*entry, SystemFileOperations());
    ASSERT_TRUE(journal.MarkUndone(entry->Id, nullptr));
    EXPECT_EQ(undone.Restored.size(), 2u);
    ASSERT_EQ(undone.NotRestored.size(), 1u);
    EXPECT_EQ(undone.NotRestored[0].File.From, PathOf(3));
    EXPECT_EQ(undone.NotRestored[0].Reason, TRestoreFailure::PathTaken);
    EXPECT_EQ(readFile(PathOf(1)), contentOf(1));
    EXPECT_EQ(readFile(PathOf(5)), contentOf(5));
    EXPECT_EQ(readFile(PathOf(3)), "a new file under the old name");
    EXPECT_EQ(readFile(outcome.Acted[1].To), contentOf(3)) << "the refused file stays in the trash";
    EXPECT_FALSE(QFile::exists(m_dir.filePath("data/Trash/info/p1.jpg.trashinfo")));
    EXPECT_FALSE(journal.LastUndoable());
}

TEST_F(MarkedBatch, MovesNeverReplaceAndAreUndoneFromTheTarget)
{
    MakeGroups(2);
    const QByteArray target = QFile::encodeName(m_dir.filePath("target")) + '/';
    QDir().mkpath(QFile::decodeName(target));
    writeFile(target + "p3.jpg", "already there");
    const TBatchOutcome outcome = Run(TBatchAction::Move, SystemFileOperations(), target);
    ASSERT_EQ(outcome.LeftAlone.size(), 1u);
    EXPECT_EQ(outcome.LeftAlone[0].Reason, TLeftAloneReason::NameTaken);
    EXPECT_EQ(readFile(target + "p3.jpg"), "already there");
    EXPECT_EQ(readFile(PathOf(3)), contentOf(3));
    EXPECT_EQ(readFile(target + "p1.jpg"), contentOf(1));

    TActionJournal journal(QFile::encodeName(m_dir.filePath("journal.jsonl")));
    ASSERT_TRUE(journal.Record(TJournalKind::Move, Journalled(outcome), nullptr));
    const TUndoOutcome undone = UndoAction(*journal.LastUndoable(), SystemFileOperations());
    EXPECT_EQ(undone.Restored.size(), 1u);
    EXPECT_EQ(readFile(PathOf(1)), contentOf(1));
    RestorePictures(m_catalogue, { 1 }, outcome.RemovedPairs);
    EXPECT_EQ(m_catalogue.PairsLast, 1);
}

TEST_F(MarkedBatch, JournalLosesNoWholeEntryAndUndoesAMoveOnlyOntoItsOwnFile)
{
    MakeGroups(1);
    const QByteArray target = QFile::encodeName(m_dir.filePath("target")) + '/';
    QDir().mkpath(QFile::decodeName(target));
    const TBatchOutcome outcome = Run(TBatchAction::Move, SystemFileOperations(), target);
    ASSERT_EQ(outcome.Acted.size(), 1u);
    const QByteArray journalPath = QFile::encodeName(m_dir.filePath("journal.jsonl"));
    TActionJournal journal(journalPath);
    ASSERT_TRUE(journal.Record(TJournalKind::Trash, { { "/a", "/b", "/c", 1, {} } }, nullptr));
    // A crash or a full disk cut the last line short.
    QFile cut(QFile::decodeName(journalPath));
    ASSERT_TRUE(cut.open(QIODevice::Append) && cut.write("{\"id\":7,\"kind\":\"tra") > 0);
    cut.close();
    const std::optional<int64_t> id = journal.Record(TJournalKind::Move, Journalled(outcome), nullptr);
    ASSERT_TRUE(id);
    const std::optional<TJournalEntry> entry = journal.LastUndoable();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Id, *id);
    ASSERT_EQ(entry->Files.size(), 1u);
    EXPECT_EQ(entry->Files[0].From, PathOf(1));

    // Another file of the same size in its place is not moved back over the original name.
    writeFile(target + "other.jpg", QByteArray(contentOf(1).size(), 'z'));
    ASSERT_TRUE(rename((target + "other.jpg").constData(), (target + "p1.jpg").constData()) == 0);
    const TUndoOutcome undone = UndoAction(*entry, SystemFileOperations());
    EXPECT_TRUE(undone.Restored.empty());
    EXPECT_EQ(readFile(PathOf(1)), "<missing>");
    EXPECT_EQ(readFile(target + "p1.jpg"), QByteArray(contentOf(1).size(), 'z'));
}

TEST_F(MarkedBatch, ProgramsRecordingAtOnceGetIdsOfTheirOwn)
{
    const QByteArray journalPath = QFile::encodeName(m_dir.filePath("journal.jsonl"));
    const auto record = [&] {
        std::vector<int64_t> ids;
        for (int i = 0; i < 20; ++i)
            ids.push_back(TActionJournal(journalPath)
                              .Record(TJournalKind::Trash, { { "/a", "/b", "/c", 1, {} } }, nullptr)
                              .value_or(0));
        return ids;
    };
    auto other = std::async(std::launch::async, record);
    std::vector<int64_t> ids = record();
    const std::vector<int64_t> otherIds = other.get();
    ids.insert(ids.end(), otherIds.begin(), otherIds.end());
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_EQ(ids.front(), 1);
}

TEST_F(MarkedBatch, ABatchIsRecordedForUndoOnlyWhereUndoCanBringItBack)
{
    const QByteArray journalPath = QFile::encodeName(m_dir.filePath("data/Quorvane/journal.jsonl"));
    TActionJournal journal(journalPath);
    const auto run = [&](TBatchAction action, TActionJournal &into) {
        return RunAndRecordMarkedBatch(
            m_catalogue, m_marks, PlanMarkedBatch(m_catalogue, m_marks), action, {}, SystemFileOperations(),
            [](int32_t, int32_t) { return true; }, into);
    };

    MakeGroups(2);
    const TRecordedBatch trashed = run(TBatchAction::Trash, journal);
    ASSERT_EQ(trashed.Outcome.Acted.size(), 2u);
    ASSERT_TRUE(trashed.Undo.Id);
    EXPECT_TRUE(trashed.Undo.Error.isEmpty());
    const std::optional<TJournalEntry> entry = journal.LastUndoable();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Id, *trashed.Undo.Id);
    EXPECT_EQ(entry->Files.size(), 2u);

    // Nothing marked is left: nothing to record.
    EXPECT_FALSE(run(TBatchAction::Trash, journal).Undo.Id);

    MakeGroups(1);
    const TRecordedBatch deleted = run(TBatchAction::Delete, journal);
    EXPECT_EQ(deleted.Outcome.Acted.size(), 1u);
    EXPECT_FALSE(deleted.Undo.Id);
    EXPECT_EQ(journal.LastUndoable()->Id, entry->Id);

    // A journal that cannot be written is reported, and the files stay where the action put them.
    MakeGroups(1);
    writeFile(QFile::encodeName(m_dir.filePath("blocker")), "a file where a folder should be");
    TActionJournal unwritable(QFile::encodeName(m_dir.filePath("blocker/journal.jsonl")));
    const TRecordedBatch unrecorded = run(TBatchAction::Trash, unwritable);
    EXPECT_EQ(unrecorded.Outcome.Acted.size(), 1u);
    EXPECT_FALSE(unrecorded.Undo.Id);
    EXPECT_FALSE(unrecorded.Undo.Error.isEmpty());
}
