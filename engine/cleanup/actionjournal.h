#pragma once

#include "fileops/fileoperations.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

enum class TJournalKind { Trash, Move };

// One file of a recorded action: where it was, where it went (its place in the trash's "files"
// folder, or in the target folder) and which picture was kept in its place.
struct TJournalFile {
    QByteArray From;
    QByteArray To;
    QByteArray Keeper;
    int64_t Size = 0;
    // The file at `To` right after the action (an inode number alone may be reused by another
    // file); no inode in entries recorded before these were kept.
    TFileStamp Placed;
};

struct TJournalEntry {
    int64_t Id = 0;
    TJournalKind Kind = TJournalKind::Trash;
    std::vector<TJournalFile> Files;
};

// "<data folder>/Quorvane/journal.jsonl".
QByteArray DefaultJournalPath();

// The record of trashed and moved files that undo works from. One JSON object per line, each
// written whole with one call and flushed to the disk as its action ends, so that it survives
// restarts; a line cut off by a crash or a full disk is skipped without harm to its neighbours.
// Programs that record at once take turns through a lock on the file, so ids stay unique. Paths
// are kept as percent-encoded bytes, so any file name round-trips.
class TActionJournal
{
public:
    explicit TActionJournal(QByteArray path = DefaultJournalPath());

    // Appends an action; returns its id, or nothing with the reason in `error`.
    std::optional<int64_t> Record(TJournalKind kind, const std::vector<TJournalFile> &files, QString *error);
    // The newest action not undone yet.
    std::optional<TJournalEntry> LastUndoable() const;
    // Records that the action has been undone, as far as it could be.
    bool MarkUndone(int64_t id, QString *error);

private:
    QByteArray m_path;
};

enum class TRestoreFailure { PathTaken, GoneFromTrash, Failed };

struct TUndoOutcome {
    std::vector<TJournalFile> Restored;
    struct TNotRestored {
        TJournalFile File;
        TRestoreFailure Reason;
        int Error = 0;
    };
    std::vector<TNotRestored> NotRestored;
};

// Moves every file of `entry` back to where it was, never replacing a file that took its place:
// from the trash through the trash's own info file, or from the folder it was moved to. A file
// is moved back only while it is the one the action put there (its size and, where recorded, its
// device, inode and modification time).
TUndoOutcome UndoAction(const TJournalEntry &entry, TFileOperations &operations);
