#include "tests/support/faultyfileoperations.h"

#include "fileops/fileactions.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/resource.h>

namespace
{

constexpr int64_t kChangedTimeShiftNs = 1'000'000'000;

}

int TFaultyFileOperations::Calls(TFileOperation operation) const
{
    const auto found = m_calls.find(operation);
    return found == m_calls.end() ? 0 : found->second;
}

int TFaultyFileOperations::Injected(TFileOperation operation, const QByteArray &path)
{
    ++m_calls[operation];
    const auto forPath = m_pathFaults.find(operation);
    if (forPath != m_pathFaults.end() && forPath->second.second.count(path))
        return forPath->second.first;
    const auto found = m_faults.find(operation);
    return found == m_faults.end() ? 0 : found->second;
}

int TFaultyFileOperations::Stat(const QByteArray &path, TFileStamp &stamp)
{
    const int error = Injected(TFileOperation::Stat, path);
    if (error != 0 && error != kFileChanged)
        return error;
    const int result = m_system.Stat(path, stamp);
    if (result == 0 && error == kFileChanged) {
        stamp.Size += 1;
        stamp.MTimeNs += kChangedTimeShiftNs;
    }
    return result;
}

int TFaultyFileOperations::Remove(const QByteArray &path)
{
    const int error = Injected(TFileOperation::Remove, path);
    return error != 0 ? error : m_system.Remove(path);
}

int TFaultyFileOperations::MoveToTrash(const QByteArray &path, const TFileStamp &expected, QByteArray &placeInTrash)
{
    const int error = Injected(TFileOperation::MoveToTrash, path);
    return error != 0 ? error : m_system.MoveToTrash(path, expected, placeInTrash);
}

int TFaultyFileOperations::MoveNoReplace(const QByteArray &source, const QByteArray &target)
{
    const int error = Injected(TFileOperation::MoveNoReplace, source);
    if (error == EXDEV)
        return MoveFileByCopy(source, target, *this);
    return error != 0 ? error : MoveFileNoReplace(source, target, *this);
}

int TFaultyFileOperations::Link(const QByteArray &existing, const QByteArray &newName)
{
    const int error = Injected(TFileOperation::Link);
    return error != 0 ? error : m_system.Link(existing, newName);
}

int TFaultyFileOperations::ReplaceFile(const QString &path, const QByteArray &bytes, QString *reason)
{
    const int error = Injected(TFileOperation::ReplaceFile);
    if (error == 0)
        return m_system.ReplaceFile(path, bytes, reason);
    // The real replacement, stopped half-way through its write by the file-size limit, so that
    // what it leaves behind is what a full disk would leave.
    rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit halfWay = saved;
    halfWay.rlim_cur = rlim_t(bytes.size() / 2);
    struct sigaction ignore {
    };
    struct sigaction previous {
    };
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    setrlimit(RLIMIT_FSIZE, &halfWay);
    const int written = m_system.ReplaceFile(path, bytes, nullptr);
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);
    if (written == 0)
        return 0;
    if (reason)
        *reason = QString::fromLocal8Bit(std::strerror(error));
    return error;
}
