#include "engine/cleanup/markedbatch.h"

#include <cerrno>
#include <optional>
#include <set>

TFileStamp RecordedStamp(const TPicInfo &picture)
{
    TFileStamp stamp;
    stamp.Device = dev_t(picture.Device);
    stamp.Inode = ino_t(picture.Inode);
    stamp.Size = picture.Size;
    stamp.MTimeNs = picture.MTimeNs;
    return stamp;
}

std::vector<TBatchItem> PlanMarkedBatch(const TCatalogue &catalogue, const TPictureMarks &marks)
{
    std::vector<TBatchItem> items;
    for (const int32_t picture : marks.Marked())
        if (!catalogue.Pictures[size_t(picture)].Deleted)
            items.push_back({ picture, marks.KeeperOf(picture) });
    return items;
}

int32_t GroupsOf(const TPictureMarks &marks, const std::vector<TBatchItem> &items)
{
    std::set<int32_t> groups;
    for (const TBatchItem &item : items)
        groups.insert(marks.Groups().GroupOf(item.Picture));
    return int32_t(groups.size());
}

int64_t TotalSize(const TCatalogue &catalogue, const std::vector<TBatchItem> &items)
{
    int64_t total = 0;
    for (const TBatchItem &item : items)
        total += catalogue.Pictures[size_t(item.Picture)].Size;
    return total;
}

namespace
{

// Why the keeper cannot vouch for `file`, or nothing when it can.
std::optional<TLeftAloneReason> keeperProblem(
    const TCatalogue &catalogue, int32_t keeper, const TFileStamp &file, TFileOperations &operations)
{
    if (keeper < 0)
        return TLeftAloneReason::NoKeeper;
    TFileStamp current;
    if (operations.Stat(FullPath(catalogue, keeper), current) != 0 || current.IsFolder)
        return TLeftAloneReason::KeeperGone;
    if (!FileIsUnchanged(current, RecordedStamp(catalogue.Pictures[size_t(keeper)])))
        return TLeftAloneReason::KeeperChanged;
    if (current.Device == file.Device && current.Inode == file.Inode)
        return TLeftAloneReason::KeeperSameFile;
    return std::nullopt;
}

} // namespace

int ActOnPicture(const TCatalogue &catalogue, int32_t picture, int32_t keeper, TBatchAction action,
    const QByteArray &targetFolder, TFileOperations &operations, TActedFile &file)
{
    const TPicInfo &info = catalogue.Pictures[size_t(picture)];
    const QByteArray path = FullPath(catalogue, picture);
    file = { picture, keeper, path, {}, info.Size, {} };
    int error = 0;
    switch (action) {
    // Neither takes the file's write permission on Linux, so its mode is left as it is, also when
    // the action fails or the name is a link to a file elsewhere.
    case TBatchAction::Trash:
        error = operations.MoveToTrash(path, RecordedStamp(info), file.To);
        break;
    case TBatchAction::Delete:
        return operations.Remove(path);
    case TBatchAction::Move:
        file.To = targetFolder + info.FileName;
        error = operations.MoveNoReplace(path, file.To);
        break;
    }
    if (error == 0)
        operations.Stat(file.To, file.Placed);
    return error;
}

TBatchOutcome RunMarkedBatch(TCatalogue &catalogue, TPictureMarks &marks, const std::vector<TBatchItem> &items,
    TBatchAction action, const QByteArray &targetFolder, TFileOperations &operations,
    const std::function<bool(int32_t, int32_t)> &goOn)
{
    TBatchOutcome outcome;
    std::vector<bool> acted(catalogue.Pictures.size(), false);
    const int32_t total = int32_t(items.size());
    for (int32_t done = 0; done < total; ++done) {
        if (!goOn(done, total)) {
            outcome.NotReached = total - done;
            break;
        }
        const TBatchItem &item = items[size_t(done)];
        const TPicInfo &picture = catalogue.Pictures[size_t(item.Picture)];
        const QByteArray path = FullPath(catalogue, item.Picture);
        const auto leaveAlone = [&](TLeftAloneReason reason, int error = 0) {
            outcome.LeftAlone.push_back({ item.Picture, reason, error });
        };
        TFileStamp current;
        const int statError = operations.Stat(path, current);
        if (statError == ENOENT || (statError == 0 && current.IsFolder)) {
            outcome.AlreadyGone.push_back(item.Picture);
            continue;
        }
        if (statError != 0) {
            leaveAlone(TLeftAloneReason::ActionFailed, statError);
            continue;
        }
        if (!FileIsUnchanged(current, RecordedStamp(picture))) {
            leaveAlone(TLeftAloneReason::ChangedSinceSearch);
            continue;
        }
        if (const auto problem = keeperProblem(catalogue, item.Keeper, current, operations)) {
            leaveAlone(*problem);
            continue;
        }
        TActedFile file;
        const int error = ActOnPicture(catalogue, item.Picture, item.Keeper, action, targetFolder, operations, file);
        if (error == EEXIST && action == TBatchAction::Move)
            leaveAlone(TLeftAloneReason::NameTaken, error);
        else if (error == ESTALE)
            leaveAlone(TLeftAloneReason::ChangedSinceSearch);
        else if (error != 0)
            leaveAlone(TLeftAloneReason::ActionFailed, error);
        else {
            acted[size_t(item.Picture)] = true;
            outcome.Acted.push_back(std::move(file));
        }
    }
    outcome.RemovedPairs = RemovePictures(catalogue, acted);
    for (const TActedFile &file : outcome.Acted)
        marks.Unmark(file.Picture);
    for (const int32_t gone : outcome.AlreadyGone)
        marks.Unmark(gone);
    marks.Refresh(catalogue);
    return outcome;
}

std::vector<TJournalFile> JournalFiles(const TCatalogue &catalogue, const std::vector<TActedFile> &acted)
{
    std::vector<TJournalFile> files;
    files.reserve(acted.size());
    for (const TActedFile &file : acted)
        files.push_back({ file.From, file.To, FullPath(catalogue, file.Keeper), file.Size, file.Placed });
    return files;
}

TUndoRecord RecordForUndo(
    const TCatalogue &catalogue, TBatchAction action, const std::vector<TActedFile> &acted, TActionJournal &journal)
{
    TUndoRecord record;
    if (action == TBatchAction::Delete || acted.empty())
        return record;
    record.Id = journal.Record(action == TBatchAction::Trash ? TJournalKind::Trash : TJournalKind::Move,
        JournalFiles(catalogue, acted), &record.Error);
    return record;
}

TRecordedBatch RunAndRecordMarkedBatch(TCatalogue &catalogue, TPictureMarks &marks,
    const std::vector<TBatchItem> &items, TBatchAction action, const QByteArray &targetFolder,
    TFileOperations &operations, const std::function<bool(int32_t, int32_t)> &goOn, TActionJournal &journal)
{
    TRecordedBatch batch;
    batch.Outcome = RunMarkedBatch(catalogue, marks, items, action, targetFolder, operations, goOn);
    batch.Undo = RecordForUndo(catalogue, action, batch.Outcome.Acted, journal);
    return batch;
}
