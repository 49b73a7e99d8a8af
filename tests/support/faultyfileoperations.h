#pragma once

#include "fileops/fileoperations.h"

#include <map>
#include <set>
#include <utility>

enum class TFileOperation { Stat, Remove, MoveToTrash, MoveNoReplace, Link, ReplaceFile };

// Injected on Stat: the file answers with another size and modification time, as if it had been
// edited after the search.
constexpr int kFileChanged = -1;

// The real operations, except that a chosen operation fails with a chosen errno value until
// healed. A failing call touches nothing, with two exceptions that mirror what the kernel does:
// a move refused with EXDEV goes on by copying, as a rename across file systems does, and a
// failing replacement is the real one cut off half-way through its write.
class TFaultyFileOperations : public TFileOperations
{
public:
    void Fail(TFileOperation operation, int error) { m_faults[operation] = error; }
    // Fails `operation` with `error` only for the files at `paths`.
    void FailFor(TFileOperation operation, int error, std::set<QByteArray> paths)
    {
        m_pathFaults[operation] = { error, std::move(paths) };
    }
    void Heal()
    {
        m_faults.clear();
        m_pathFaults.clear();
    }
    // How many times `operation` was called.
    int Calls(TFileOperation operation) const;

    int Stat(const QByteArray &path, TFileStamp &stamp) override;
    int Remove(const QByteArray &path) override;
    int MoveToTrash(const QByteArray &path, const TFileStamp &expected, QByteArray &placeInTrash) override;
    int MoveNoReplace(const QByteArray &source, const QByteArray &target) override;
    int Link(const QByteArray &existing, const QByteArray &newName) override;
    int ReplaceFile(const QString &path, const QByteArray &bytes, QString *reason) override;

private:
    // The injected error of `operation` on `path`, counting the call; 0 when it is to succeed.
    int Injected(TFileOperation operation, const QByteArray &path = {});

    TSystemFileOperations m_system;
    std::map<TFileOperation, int> m_faults;
    std::map<TFileOperation, std::pair<int, std::set<QByteArray>>> m_pathFaults;
    std::map<TFileOperation, int> m_calls;
};
