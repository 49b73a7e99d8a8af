#include "engine/actionjournal.h"

#include "fileops/userfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>

namespace
{

QString encodePath(const QByteArray &path) { return QString::fromLatin1(path.toPercentEncoding("/")); }

QByteArray decodePath(const QJsonValue &value) { return QByteArray::fromPercentEncoding(value.toString().toLatin1()); }

const char *kindName(TJournalKind kind) { return kind == TJournalKind::Trash ? "trash" : "move"; }

// The trash's own record of a trashed file: "<trash>/info/NAME.trashinfo" beside "<trash>/files/NAME".
QByteArray infoFileOf(const QByteArray &placeInTrash)
{
    const qsizetype slash = placeInTrash.lastIndexOf('/');
    const QByteArray filesFolder = placeInTrash.left(slash);
    const QByteArray trash = filesFolder.left(filesFolder.lastIndexOf('/') + 1);
    return trash + "info/" + placeInTrash.mid(slash + 1) + ".trashinfo";
}

// The original path the info file names; relative paths are relative to the trash's top folder.
std::optional<QByteArray> trashedFrom(const QByteArray &infoFile)
{
    QFile file(QFile::decodeName(infoFile));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.startsWith("Path="))
            continue;
        const QByteArray path = QByteArray::fromPercentEncoding(line.mid(5).trimmed());
        if (path.startsWith('/'))
            return path;
        const QByteArray trash = infoFile.left(infoFile.lastIndexOf('/', infoFile.lastIndexOf('/') - 1) + 1);
        return trash.left(trash.lastIndexOf('/', trash.size() - 2) + 1) + path;
    }
    return std::nullopt;
}

} // namespace

QString DefaultJournalPath() { return QFile::decodeName(UserDataFolder()) + QStringLiteral("Quorvane/journal.jsonl"); }

TActionJournal::TActionJournal(QString path)
    : m_path(std::move(path))
{
}

bool TActionJournal::Append(const QByteArray &line, QString *error)
{
    QDir().mkpath(QFileInfo(m_path).path());
    QFile file(m_path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Append)
        && file.write(line + '\n') == line.size() + 1 && file.flush();
    if (!written && error)
        *error = file.errorString();
    return written;
}

std::optional<int64_t> TActionJournal::Record(TJournalKind kind, const std::vector<TJournalFile> &files, QString *error)
{
    int64_t id = 1;
    QFile existing(m_path);
    if (existing.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : existing.readAll().split('\n'))
            id = std::max(id, int64_t(QJsonDocument::fromJson(line).object().value("id").toInteger()) + 1);
    }
    QJsonArray recorded;
    for (const TJournalFile &file : files)
        recorded.append(QJsonObject { { "from", encodePath(file.From) }, { "to", encodePath(file.To) },
            { "keeper", encodePath(file.Keeper) }, { "size", qint64(file.Size) } });
    const QJsonObject entry { { "id", qint64(id) }, { "kind", kindName(kind) }, { "files", recorded } };
    if (!Append(QJsonDocument(entry).toJson(QJsonDocument::Compact), error))
        return std::nullopt;
    return id;
}

bool TActionJournal::MarkUndone(int64_t id, QString *error)
{
    return Append(QJsonDocument(QJsonObject { { "undone", qint64(id) } }).toJson(QJsonDocument::Compact), error);
}

std::optional<TJournalEntry> TActionJournal::LastUndoable() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::vector<QJsonObject> entries;
    std::vector<int64_t> undone;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
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
            entry.Files.push_back({ decodePath(recorded.value("from")), decodePath(recorded.value("to")),
                decodePath(recorded.value("keeper")), recorded.value("size").toInteger() });
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
        if (operations.Stat(file.To, stamp) != 0 || stamp.IsFolder || stamp.Size != file.Size) {
            notRestored(TRestoreFailure::GoneFromTrash);
            continue;
        }
        const QByteArray infoFile = entry.Kind == TJournalKind::Trash ? infoFileOf(file.To) : QByteArray();
        if (entry.Kind == TJournalKind::Trash && trashedFrom(infoFile) != file.From) {
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
            if (!infoFile.isEmpty())
                QFile::remove(QFile::decodeName(infoFile));
            outcome.Restored.push_back(file);
        }
    }
    return outcome;
}
