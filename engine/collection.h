#pragma once

#include "catalogue.h"

#include <QByteArray>

#include <vector>

class TSearchObserver;
struct TSettings;

// The trash folder name used below every mount point: ".Trash-UID/".
QByteArray ChooseRecycleFolderName();

// Which listed folders a search walks, in list order: an entry is left out when another,
// different entry is a path prefix of it, or when an earlier entry is byte-equal to it.
// `visitCount` entries of `listed` are visited; the tests look at the whole list.
std::vector<QByteArray> FoldersToWalk(const std::vector<QByteArray> &listed, std::size_t visitCount);

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
