#include "tests/support/testcatalogue.h"

#include "fileops/fileoperations.h"

TCatalogue MakeTestCatalogue(
    const std::vector<TTestPicture> &pictures, const std::vector<TTestPair> &pairs, bool sharedFingerprint)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    for (const TTestPicture &picture : pictures) {
        const qsizetype slash = picture.Path.lastIndexOf('/');
        AppendPath(catalogue, picture.Path.left(slash + 1));
        TPicInfo info;
        info.FileName = picture.Path.mid(slash + 1);
        info.Width = picture.Width;
        info.Height = picture.Height;
        TFileStamp stamp;
        if (SystemFileOperations().Stat(picture.Path, stamp) != 0) {
            stamp = TFileStamp();
            stamp.Size = 1000;
        }
        info.Size = picture.Size == TTestPicture::kFromFile ? stamp.Size : picture.Size;
        info.MTimeNs = picture.MTimeNs == TTestPicture::kFromFile ? stamp.MTimeNs : picture.MTimeNs;
        info.Device = stamp.Device;
        info.Inode = stamp.Inode;
        for (int j = 0; j < kSignatureSize; ++j)
            info.WaveletCoefsPos.Set(
                j, { (1 + picture.Shift + j) / kWorkBitmapSize, (1 + picture.Shift + j) % kWorkBitmapSize });
        info.PreBuffer[0] = sharedFingerprint ? 1 : uint8_t(catalogue.PicturesLast + 2);
        AppendPicture(catalogue, std::move(info));
        catalogue.Pictures[size_t(catalogue.PicturesLast)].CCVStage = TCCVStage::Full;
    }
    TrimAfterCollection(catalogue);
    AllocatePairs(catalogue);
    for (const TTestPair &pair : pairs)
        AppendPair(catalogue, pair.First, pair.Second, pair.Similarity);
    TrimPairs(catalogue);
    return catalogue;
}
