#pragma once

#include "engine/base/catalogue.h"

#include <QByteArray>

#include <vector>

class TSearchObserver;
struct TSettings;

// Whether a search walks entry `index` of the folder list: not when another, different entry is
// a path prefix of it (it lies inside a folder that is walked instead), nor when an earlier entry
// is byte-equal to it. The list is the whole current list, which may have grown during a search.
bool ListedFolderIsWalked(const std::vector<QByteArray> &listed, std::size_t index);

// Walks one listed folder (and its subfolders when the observer says so) into the catalogue.
// One collector serves a whole search, so that no folder is walked twice through links.
class TCollector
{
public:
    TCollector(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer);
    ~TCollector();
    TCollector(const TCollector &) = delete;
    TCollector &operator=(const TCollector &) = delete;

    // Appends "/" when missing, then walks the folder. A folder that is a trash folder or lies
    // inside one, or that this collector has walked before (by device and inode), is skipped.
    void CollectFolder(QByteArray path);

private:
    // Visits one folder: its own pictures by type mask, then its subfolders. `path` ends with "/";
    // it is extended for each subfolder and cut back, so it is unchanged on return.
    void ScanFolder(QByteArray &path);

    struct Private;
    Private *d;
};

// The collection phase of a search: walks every listed folder that ListedFolderIsWalked allows
// and that exists, in list order, until SearchStopped is set. The number of entries is taken once
// at the start; entries appended later only take part in the tests of the others.
void CollectListedFolders(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer);
