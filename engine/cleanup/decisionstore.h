#pragma once

#include "engine/cleanup/dismissedpairs.h"
#include "engine/store/contenthash.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

// The person's "not duplicates" decisions, kept in one SQLite file of the user's data (never
// emptied with the signature cache), keyed by the two files' whole-content SHA-256: a decision
// survives renames, moves and copies, and lapses when either content changes. The file is opened
// for each call and closed again; several programs may share it. Reading never creates or changes
// the file, so a search works with one that cannot be written. A file that is not a decisions file
// of this program, or is damaged, is reported and never written, moved or replaced: the decisions
// in it are the person's.
class TDecisionStore
{
public:
    // `file`: raw file-name bytes.
    explicit TDecisionStore(QByteArray file = DefaultFile());

    // $XDG_DATA_HOME/Quorvane/decisions.sqlite, or below ~/.local/share when that is not set.
    static QByteArray DefaultFile();
    const QByteArray &File() const { return m_file; }

    // Every decision; none when the file does not exist. Nothing, with the reason in `error`, when
    // the file cannot be read.
    std::optional<TDismissedPairs> Load(QString *error) const;
    // The decisions as a search honours them: null when there are none, and null with the reason in
    // `error` when the file cannot be read, so that the search runs as it would without them.
    std::shared_ptr<const TDismissedPairs> ForSearch(QString *error) const;
    // How many decisions there are; nothing with `error` as for Load.
    std::optional<int64_t> Count(QString *error) const;
    // Records that the contents `a` and `b` are not duplicates (creating the file and its folder
    // when missing). Returns false with the reason in `error`.
    bool Record(const TContentHash &a, const TContentHash &b, QString *error);
    // Takes one decision back (undo); a decision that is not there is no error.
    bool Forget(const TContentHash &a, const TContentHash &b, QString *error);
    // Takes every decision back. Returns how many there were, or nothing with `error`.
    std::optional<int64_t> ForgetAll(QString *error);

private:
    const QByteArray m_file;
};

// The whole-content SHA-256 of the file at `path` (raw bytes); nothing, with the reason in `error`,
// when it cannot be read as a regular file.
std::optional<TContentHash> HashOfFile(const QByteArray &path, QString *error);
