#pragma once

#include "engine/base/catalogue.h"
#include "engine/cleanup/actionjournal.h"
#include "engine/cleanup/picturemarks.h"
#include "fileops/fileoperations.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

enum class TBatchAction { Trash, Delete, Move };

// Why a marked file was left where it is.
enum class TLeftAloneReason {
    ChangedSinceSearch,
    NoKeeper,
    KeeperGone,
    KeeperChanged,
    KeeperSameFile,
    NameTaken,
    ActionFailed,
};

struct TBatchItem {
    int32_t Picture = 0;
    int32_t Keeper = 0;
};

struct TActedFile {
    int32_t Picture = 0;
    int32_t Keeper = 0;
    QByteArray From;
    // Where the file went: its place in the trash or in the target folder; empty when deleted.
    QByteArray To;
    int64_t Size = 0;
    // The file at `To` right after the action, so that undo can tell it from one put there later.
    TFileStamp Placed;
};

struct TLeftAloneFile {
    int32_t Picture = 0;
    TLeftAloneReason Reason = TLeftAloneReason::ActionFailed;
    // The errno value of a failed action.
    int Error = 0;
};

struct TBatchOutcome {
    std::vector<TActedFile> Acted;
    std::vector<int32_t> AlreadyGone;
    std::vector<TLeftAloneFile> LeftAlone;
    // Files not reached because the batch was cancelled.
    int32_t NotReached = 0;
    // The pairs the acted-on pictures took out of the results.
    TPicturePairs RemovedPairs;
};

// The file as the search recorded it.
TFileStamp RecordedStamp(const TPicInfo &picture);

// The marked pictures, each with its keeper.
std::vector<TBatchItem> PlanMarkedBatch(const TCatalogue &catalogue, const TPictureMarks &marks);

// The number of groups the items belong to and their total size in bytes.
int32_t GroupsOf(const TPictureMarks &marks, const std::vector<TBatchItem> &items);
int64_t TotalSize(const TCatalogue &catalogue, const std::vector<TBatchItem> &items);

// Trashes, deletes or moves (into `targetFolder`, which ends with "/") the file of `picture`, kept
// in place of `keeper`. The trash moves the file only while it is still the one the search
// recorded (ESTALE otherwise); a move never replaces a file. On success `file` says where it went.
int ActOnPicture(const TCatalogue &catalogue, int32_t picture, int32_t keeper, TBatchAction action,
    const QByteArray &targetFolder, TFileOperations &operations, TActedFile &file);

// Acts on each item in turn after checking, right before it, that the file is unchanged since the
// search and that its keeper still exists unchanged as a different file. A file the trash refuses
// stays where it is; a move never replaces a file. `goOn(done, total)` runs before every file and
// stops the batch when it returns false. Afterwards the acted-on pictures leave the results with
// their pairs and their marks; files already gone lose their marks; the rest stay marked.
TBatchOutcome RunMarkedBatch(TCatalogue &catalogue, TPictureMarks &marks, const std::vector<TBatchItem> &items,
    TBatchAction action, const QByteArray &targetFolder, TFileOperations &operations,
    const std::function<bool(int32_t, int32_t)> &goOn);

// The acted-on files as the journal records them, each with its keeper's path.
std::vector<TJournalFile> JournalFiles(const TCatalogue &catalogue, const std::vector<TActedFile> &acted);

// The journal's record of an action, for undo.
struct TUndoRecord {
    // Empty when nothing was recorded.
    std::optional<int64_t> Id;
    // Why recording failed; empty when it did not.
    QString Error;
};

// Records trashed or moved files in `journal` so that they can be undone. A delete cannot be
// undone and nothing acted on needs no record: neither records anything.
TUndoRecord RecordForUndo(
    const TCatalogue &catalogue, TBatchAction action, const std::vector<TActedFile> &acted, TActionJournal &journal);

struct TRecordedBatch {
    TBatchOutcome Outcome;
    TUndoRecord Undo;
};

// RunMarkedBatch, then RecordForUndo of what it acted on.
TRecordedBatch RunAndRecordMarkedBatch(TCatalogue &catalogue, TPictureMarks &marks,
    const std::vector<TBatchItem> &items, TBatchAction action, const QByteArray &targetFolder,
    TFileOperations &operations, const std::function<bool(int32_t, int32_t)> &goOn, TActionJournal &journal);
