#include "engine/cleanup/actionjournal.h"

#include "fileops/freedesktoptrash.h"
#include "fileops/temporaryfile.h"
#include "fileops/userfolders.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <unistd.h>

namespace
{

QString encodePath(const QByteArray &path) { return QString::fromLatin1(path.toPercentEncoding("/")); }

QByteArray decodePath(const QJsonValue &value) { return QByteArray::fromPercentEncoding(value.toString().toLatin1()); }

// Device, inode and time numbers go as text: JSON numbers are doubles, which do not hold every
// 64-bit value.
TFileStamp placedStamp(const QJsonObject &recorded, int64_t size)
{
    TFileStamp stamp;
    stamp.Device = dev_t(recorded.value("device").toString().toULongLong());
    stamp.Inode = ino_t(recorded.value("inode").toString().toULongLong());
    stamp.Size = size;
    stamp.MTimeNs = recorded.value("mtime").toString().toLongLong();
    return stamp;
}

const char *kindName(TJournalKind kind) { return kind == TJournalKind::Trash ? "trash" : "move"; }

void setError(QString *error, int code)
{
    if (error)
        *error = SystemErrorText(code);
}

// The journal file, held under a lock (shared for reading, exclusive for writing) while this lives.
class TLockedJournal
{
public:
    TLockedJournal(const QByteArray &path, bool forWriting)
    {
        const QByteArray folder = FolderOf(path);
        if (forWriting && folder.size() > 1)
            if ((m_error = MakeFolders(folder, 0700)) != 0)
                return;
        m_fd
            = open(path.constData(), forWriting ? O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC : O_RDONLY | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            m_error = errno;
            return;
        }
        while (flock(m_fd, forWriting ? LOCK_EX : LOCK_SH) != 0)
            if (errno != EINTR) {
                m_error = errno;
                return;
            }
    }
    ~TLockedJournal()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    TLockedJournal(const TLockedJournal &) = delete;
    TLockedJournal &operator=(const TLockedJournal &) = delete;

    int Error() const { return m_error; }

    std::optional<QByteArray> ReadAll() const
    {
        QByteArray content;
        char buffer[1 << 16];
        for (off_t offset = 0;;) {
            const ssize_t got = pread(m_fd, buffer, sizeof buffer, offset);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return std::nullopt;
            if (got == 0)
                return content;
            content.append(buffer, got);
            offset += got;
        }
    }

    // Appends `line` on a line of its own: after a line that a crash cut off, a new line starts
    // first, so that only the cut-off line is lost.
    int Append(const QByteArray &content, const QByteArray &line) const
    {
        const QByteArray whole = (content.isEmpty() || content.endsWith('\n') ? QByteArray() : "\n") + line + '\n';
        if (const int error = WriteAll(m_fd, whole.constData(), whole.size()))
            return error;
        return fsync(m_fd) == 0 ? 0 : errno;
    }

private:
    int m_fd = -1;
    int m_error = 0;
};

std::vector<QJsonObject> objectsOf(const QByteArray &content)
{
    std::vector<QJsonObject> objects;
    for (const QByteArray &line : content.split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            objects.push_back(document.object());
    }
    return objects;
}

bool appendLocked(
    const QByteArray &path, QString *error, const std::function<QByteArray(const QByteArray &)> &lineAfter)
{
    TLockedJournal journal(path, true);
    const std::optional<QByteArray> content = journal.Error() ? std::nullopt : journal.ReadAll();
    if (!content) {
        setError(error, journal.Error() ? journal.Error() : errno);
        return false;
    }
    if (const int code = journal.Append(*content, lineAfter(*content))) {
        setError(error, code);
        return false;
    }
    return true;
}

} // namespace

QByteArray DefaultJournalPath() { return UserDataFolder() + "Quorvane/journal.jsonl"; }

TActionJournal::TActionJournal(QByteArray path)
    : m_path(std::move(path))
{
}

std::optional<int64_t> TActionJournal::Record(TJournalKind kind, const std::vector<TJournalFile> &files, QString *error)
{
    QJsonArray recorded;
    for (const TJournalFile &file : files)
        recorded.append(QJsonObject { { "from", encodePath(file.From) }, { "to", encodePath(file.To) },
            { "keeper", encodePath(file.Keeper) }, { "size", qint64(file.Size) },
            { "device", QString::number(file.Placed.Device) }, { "inode", QString::number(file.Placed.Inode) },
            { "mtime", QString::number(file.Placed.MTimeNs) } });
    int64_t id = 1;
    const bool written = appendLocked(m_path, error, [&](const QByteArray &content) {
        for (const QJsonObject &object : objectsOf(content))
            id = std::max(id, int64_t(object.value("id").toInteger()) + 1);
        const QJsonObject entry { { "id", qint64(id) }, { "kind", kindName(kind) }, { "files", recorded } };
        return QJsonDocument(entry).toJson(QJsonDocument::Compact);
    });
    return written ? std::optional(id) : std::nullopt;
}

bool TActionJournal::MarkUndone(int64_t id, QString *error)
{
    return appendLocked(m_path, error, [id](const QByteArray &) {
        return QJsonDocument(QJsonObject { { "undone", qint64(id) } }).toJson(QJsonDocument::Compact);
    });
}

std::optional<TJournalEntry> TActionJournal::LastUndoable() const
{
    TLockedJournal journal(m_path, false);
    const std::optional<QByteArray> content = journal.Error() ? std::nullopt : journal.ReadAll();
    if (!content)
        return std::nullopt;
    std::vector<QJsonObject> entries;
    std::vector<int64_t> undone;
    for (const QJsonObject &object : objectsOf(*content)) {
        if (object.contains("undone"))
            undone.push_back(object.value("undone").toInteger());
        else if (object.contains("id"))
            entries.push_back(object);
    }
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const int64_t id = it->value("id").toInteger();
        if (std::find(undone.begin(), undone.end(), id) != undone.end())
            continue;
        TJournalEntry entry;
        entry.Id = id;
        entry.Kind = it->value("kind").toString() == QLatin1String("move") ? TJournalKind::Move : TJournalKind::Trash;
        for (const QJsonValue &value : it->value("files").toArray()) {
            const QJsonObject recorded = value.toObject();
            const int64_t size = recorded.value("size").toInteger();
            entry.Files.push_back({ decodePath(recorded.value("from")), decodePath(recorded.value("to")),
                decodePath(recorded.value("keeper")), size, placedStamp(recorded, size) });
        }
        return entry;
    }
    return std::nullopt;
}

TUndoOutcome UndoAction(const TJournalEntry &entry, TFileOperations &operations)
{
    TUndoOutcome outcome;
    for (const TJournalFile &file : entry.Files) {
        const auto notRestored = [&](TRestoreFailure reason, int error = 0) {
            outcome.NotRestored.push_back({ file, reason, error });
        };
        TFileStamp stamp;
        const bool there = operations.Stat(file.To, stamp) == 0 && !stamp.IsFolder && stamp.Size == file.Size;
        if (!there || (file.Placed.Inode != 0 && !FileIsUnchanged(stamp, file.Placed))) {
            notRestored(TRestoreFailure::GoneFromTrash);
            continue;
        }
        const bool fromTrash = entry.Kind == TJournalKind::Trash;
        if (fromTrash && TrashedFrom(file.To) != file.From) {
            notRestored(TRestoreFailure::GoneFromTrash);
            continue;
        }
        TFileStamp taken;
        if (operations.Stat(file.From, taken) == 0) {
            notRestored(TRestoreFailure::PathTaken);
            continue;
        }
        const int error = operations.MoveNoReplace(file.To, file.From);
        if (error == EEXIST)
            notRestored(TRestoreFailure::PathTaken);
        else if (error != 0)
            notRestored(TRestoreFailure::Failed, error);
        else {
            if (fromTrash)
                ForgetTrashInfo(file.To);
            outcome.Restored.push_back(file);
        }
    }
    return outcome;
}
