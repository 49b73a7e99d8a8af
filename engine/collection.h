#pragma once

#include "catalogue.h"

#include <QByteArray>

#include <vector>

class TSearchObserver;
struct TSettings;

// The trash folder name used below every mount point: ".Trash-UID/".
QByteArray ChooseRecycleFolderName();

// Whether a search walks entry `index` of the folder list: not when another, different entry is
// a path prefix of it (it lies inside a folder that is walked instead), nor when an earlier entry
// is byte-equal to it. The list is the whole current list, which may have grown during a search.
bool ListedFolderIsWalked(const std::vector<QByteArray> &listed, std::size_t index);

// Walks one listed folder (and its subfolders when the observer says so) into the catalogue.
// One collector serves a whole search, so that no folder is walked twice through links.
class TCollector {
public:
    TCollector(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer);
    ~TCollector();

    void CollectFolder(QByteArray path);

private:
    struct Private;
    Private *d;
};
