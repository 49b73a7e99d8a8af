#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// What a running search asks of its front end. The search calls Pump() at the points where the
// rest of the program may run (a window processes its events there); right after every Pump()
// it tests TCatalogue::SearchStopped, which the front end may have set.
class TSearchObserver
{
public:
    virtual ~TSearchObserver() = default;

    virtual void Pump() { }
    // New caption of the files-count progress line ("Total pictures scanned: ..." or "扫描图片总数： ...").
    virtual void FilesCountChanged(const QString &caption) { Q_UNUSED(caption); }
    // New caption of the pairs-found progress line ("发现相似图片：" + count). Captions that are
    // Chinese in the source come translated when the front end has installed a translation.
    virtual void DuplicatesFoundChanged(const QString &caption) { Q_UNUSED(caption); }
    // Pictures whose signatures were taken from the signature store and pictures decoded, so far.
    virtual void SignaturesCountChanged(int32_t fromStore, int32_t decoded)
    {
        Q_UNUSED(fromStore);
        Q_UNUSED(decoded);
    }
    // Whether subfolders are walked; read afresh at every folder visit, since the user may
    // toggle the option while a search runs.
    virtual bool ScanSubfolders() const { return true; }
    // The folder list as it stands now (each entry a full path ending with "/"); folders may be
    // appended to it while a search runs.
    virtual std::vector<QByteArray> ListedFolders() const { return {}; }
    // A folder the search leaves out although it was meant to walk it: a listed folder that
    // cannot be reached, or a folder whose path is longer than the system allows.
    virtual void FolderSkipped(const QByteArray &path, const QString &reason)
    {
        Q_UNUSED(path);
        Q_UNUSED(reason);
    }
};
