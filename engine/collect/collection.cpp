#include "engine/collect/collection.h"

#include "engine/base/searchobserver.h"
#include "engine/collect/folderlisting.h"
#include "engine/collect/namemasks.h"
#include "engine/collect/trashfolders.h"
#include "fileops/fileoperations.h"
#include "fileops/userfolders.h"
#include "settings/picturetypes.h"
#include "settings/settings.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <set>
#include <utility>

namespace
{

// Attribute bits of a collected file; the directory bit (0x10) never applies to one.
enum : int32_t {
    kAttrReadOnly = 0x01,
    kAttrHidden = 0x02,
};

enum { kCaptionEvery = 10, kDosEpochYear = 1980, kDosLastYear = 2107 };

constexpr int64_t kNanosecondsPerSecond = 1'000'000'000;

const QString kCollectionCaption = QStringLiteral("Total pictures scanned: 0 / ");

// Local time packed as an MS-DOS date (high 16 bits) and time (low 16 bits, two-second steps).
// Times the format cannot hold give 0.
int32_t dosDateTime(time_t modified)
{
    struct tm local {
    };
    if (!localtime_r(&modified, &local))
        return 0;
    const int year = local.tm_year + 1900;
    if (year < kDosEpochYear || year > kDosLastYear)
        return 0;
    const uint32_t date = uint32_t((year - kDosEpochYear) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
    const uint32_t time = uint32_t(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
    return int32_t(date << 16 | time);
}

bool isInside(const QByteArray &item, const QByteArray &folder)
{
    if (!item.startsWith(folder))
        return false;
    return folder.endsWith('/') || item.size() == folder.size() || item.at(folder.size()) == '/';
}

QString unreachableReason(int error)
{
    switch (error) {
    case ENOENT:
        return QStringLiteral("it does not exist");
    case ENAMETOOLONG:
        return QStringLiteral("its path is longer than the system allows");
    case ENOTDIR:
        return QStringLiteral("it is not a folder");
    default:
        return SystemErrorText(error);
    }
}

QString listedFolderProblem(const QByteArray &path)
{
    struct stat status {
    };
    return unreachableReason(stat(path.constData(), &status) != 0 ? errno : ENOTDIR);
}

}

bool ListedFolderIsWalked(const std::vector<QByteArray> &listed, std::size_t index)
{
    if (index >= listed.size())
        return false;
    const QByteArray &item = listed[index];
    for (std::size_t other = 0; other < listed.size(); ++other) {
        const QByteArray &candidate = listed[other];
        if (candidate != item && isInside(item, candidate))
            return false;
        if (other < index && candidate == item)
            return false;
    }
    return true;
}

struct TCollector::Private {
    TCatalogue &catalogue;
    TSearchObserver &observer;
    TNameMasks masks;
    QByteArray recycleFolderName;
    QByteArray homeTrash;
    std::optional<TFolderIdentity> homeTrashIdentity;
    // The mount point of the folder being visited, and the device it lies on.
    QByteArray mountPoint;
    dev_t mountDevice = 0;
    // Every folder walked so far, by device and inode, so that links never lead into a loop or
    // catalogue a folder twice.
    std::set<std::pair<dev_t, ino_t>> walked;
    // The last modification second turned into local time, as files written together share it and
    // the time zone lookup is a good part of what recording a picture costs.
    std::optional<std::pair<time_t, int32_t>> lastDosDateTime;

    int32_t dosDateTimeOf(time_t modified);

    void record(const TFolderListing &listing, const QByteArray &name, const struct stat &status);
};

int32_t TCollector::Private::dosDateTimeOf(time_t modified)
{
    if (!lastDosDateTime || lastDosDateTime->first != modified)
        lastDosDateTime = { modified, dosDateTime(modified) };
    return lastDosDateTime->second;
}

void TCollector::Private::record(const TFolderListing &listing, const QByteArray &name, const struct stat &status)
{
    TPicInfo &picture = AppendPicture(catalogue);
    picture.Time = dosDateTimeOf(status.st_mtim.tv_sec);
    picture.Size = status.st_size;
    picture.Device = status.st_dev;
    picture.Inode = status.st_ino;
    picture.MTimeNs = int64_t(status.st_mtim.tv_sec) * kNanosecondsPerSecond + status.st_mtim.tv_nsec;
    picture.Attr = (listing.writable(status) ? 0 : kAttrReadOnly) | (name.startsWith('.') ? kAttrHidden : 0);
    picture.FileName = name;
    if (catalogue.PicturesLast % kCaptionEvery == 0)
        observer.FilesCountChanged(kCollectionCaption + QString::number(catalogue.PicturesLast + 1));
}

namespace
{

// In table order, so that a folder's pictures are grouped by type before name.
std::vector<QByteArray> searchedMasks(const TSettings &settings)
{
    std::vector<QByteArray> masks;
    for (const TPictureType &type : PictureTypes()) {
        if (settings.*type.Searched) {
            const std::vector<QByteArray> typeMasks = MasksOf(type);
            masks.insert(masks.end(), typeMasks.begin(), typeMasks.end());
        }
    }
    return masks;
}

}

TCollector::TCollector(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer)
    : d(new Private { catalogue, observer, TNameMasks(searchedMasks(settings)), {}, {}, {}, {}, {}, {}, {} })
{
    d->recycleFolderName
        = catalogue.RecycleFolderName.isEmpty() ? ChooseRecycleFolderName() : catalogue.RecycleFolderName;
    d->homeTrash = HomeTrashFolder();
    d->homeTrashIdentity = IdentifyFolder(d->homeTrash);
}

TCollector::~TCollector() { delete d; }

void TCollector::CollectFolder(QByteArray path)
{
    if (!path.endsWith('/'))
        path += '/';
    d->mountPoint = MountPointOf(path);
    const auto mountIdentity = IdentifyFolder(d->mountPoint);
    d->mountDevice = mountIdentity ? mountIdentity->Device : 0;
    ScanFolder(path);
}

void TCollector::ScanFolder(QByteArray &path)
{
    if (FolderIsInTrash(path, d->mountPoint, d->recycleFolderName, d->homeTrash))
        return;
    d->observer.Pump();
    TCatalogue &catalogue = d->catalogue;
    if (catalogue.SearchStopped)
        return;

    TFolderListing listing(path);
    if (!listing.isOpen()) {
        if (listing.openError() == ENAMETOOLONG)
            d->observer.FolderSkipped(path, unreachableReason(ENAMETOOLONG));
        return;
    }
    const TFolderIdentity &identity = listing.identity();
    if (identity == d->homeTrashIdentity || !d->walked.emplace(identity.Device, identity.Inode).second)
        return;

    const QByteArray outerMountPoint = d->mountPoint;
    const dev_t outerMountDevice = d->mountDevice;
    if (identity.MountRoot.value_or(identity.Device != d->mountDevice)) {
        d->mountPoint = path;
        d->mountDevice = identity.Device;
    }

    // Each file goes under the first mask it matches: the folder's pictures come grouped by mask,
    // by name within a mask, and none twice, with each name matched once and not once per mask.
    std::vector<std::pair<std::size_t, const QByteArray *>> matched;
    for (const TFolderListing::Entry &entry : listing.entries()) {
        if (entry.Type != TFolderListing::Kind::File)
            continue;
        if (const auto mask = d->masks.FirstMatch(entry.Name))
            matched.emplace_back(*mask, &entry.Name);
    }
    std::stable_sort(matched.begin(), matched.end(), [](const auto &a, const auto &b) { return a.first < b.first; });

    bool registered = false;
    for (const auto &[mask, name] : matched) {
        d->observer.Pump();
        if (catalogue.SearchStopped)
            break;
        const auto status = listing.status(*name);
        if (!status || !S_ISREG(status->st_mode) || status->st_size == 0)
            continue;
        if (!registered) {
            registered = true;
            AppendPath(catalogue, path);
        }
        d->record(listing, *name, *status);
    }
    listing.close();

    if (!catalogue.SearchStopped && d->observer.ScanSubfolders()) {
        const qsizetype length = path.size();
        for (const TFolderListing::Entry &entry : listing.entries()) {
            if (entry.Type != TFolderListing::Kind::Folder)
                continue;
            path += entry.Name;
            path += '/';
            ScanFolder(path);
            path.truncate(length);
        }
    }
    d->mountPoint = outerMountPoint;
    d->mountDevice = outerMountDevice;
}

void CollectListedFolders(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer)
{
    TCollector collector(catalogue, settings, observer);
    const std::size_t count = observer.ListedFolders().size();
    for (std::size_t index = 0; index < count; ++index) {
        const std::vector<QByteArray> listed = observer.ListedFolders();
        if (index >= listed.size() || !ListedFolderIsWalked(listed, index))
            continue;
        if (IdentifyFolder(listed[index]))
            collector.CollectFolder(listed[index]);
        else
            observer.FolderSkipped(listed[index], listedFolderProblem(listed[index]));
        if (catalogue.SearchStopped)
            break;
    }
}
