#include "cleanupfixtures.h"

#include "fileops/fileoperations.h"

TCatalogue MakeCleanupCatalogue(const std::vector<TCleanupPicture> &pictures,
    const std::vector<std::pair<int32_t, int32_t>> &pairs, bool sharedFingerprint)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    for (const TCleanupPicture &picture : pictures) {
        const qsizetype slash = picture.Path.lastIndexOf('/');
        AppendPath(catalogue, picture.Path.left(slash + 1));
        TPicInfo info;
        info.FileName = picture.Path.mid(slash + 1);
        info.Width = picture.Width;
        info.Height = picture.Height;
        info.Size = picture.Size;
        info.MTimeNs = picture.MTimeNs;
        TFileStamp stamp;
        if (SystemFileOperations().Stat(picture.Path, stamp) == 0) {
            info.Size = stamp.Size;
            info.MTimeNs = stamp.MTimeNs;
            info.Device = stamp.Device;
            info.Inode = stamp.Inode;
        }
        for (int j = 0; j < kSignatureSize; ++j)
            info.WaveletCoefsPos.Set(
                j, { (1 + picture.Shift + j) / kWorkBitmapSize, (1 + picture.Shift + j) % kWorkBitmapSize });
        info.PreBuffer[0] = sharedFingerprint ? 1 : uint8_t(catalogue.PicturesLast + 2);
        AppendPicture(catalogue, std::move(info));
        catalogue.Pictures[size_t(catalogue.PicturesLast)].CCVStage = TCCVStage::Full;
    }
    TrimAfterCollection(catalogue);
    AllocatePairs(catalogue);
    for (const auto &[first, second] : pairs)
        AppendPair(catalogue, first, second, 50);
    TrimPairs(catalogue);
    return catalogue;
}
