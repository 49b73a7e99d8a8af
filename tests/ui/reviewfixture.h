#pragma once

#include "engine/base/catalogue.h"
#include "fileops/fileoperations.h"

#include <QByteArray>

#include <utility>
#include <vector>

struct TestPicture {
    QByteArray FullPath;
    int32_t Width = 100;
    int32_t Height = 100;
    // The file's own size when left at kOwnSize (1000 for a file that does not exist).
    int64_t Size = kOwnSize;
    static constexpr int64_t kOwnSize = -1;
};

struct TestPair {
    int32_t First;
    int32_t Second;
    double Similarity;
};

// A catalogue as a finished search leaves it: each picture in its own folder entry with the
// identity and time its file has now, the pairs trimmed to their count.
inline TCatalogue MakeCatalogue(const std::vector<TestPicture> &pictures, const std::vector<TestPair> &pairs)
{
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    for (const TestPicture &picture : pictures) {
        const qsizetype slash = picture.FullPath.lastIndexOf('/');
        AppendPath(catalogue, picture.FullPath.left(slash + 1));
        TPicInfo info;
        info.FileName = picture.FullPath.mid(slash + 1);
        info.Width = picture.Width;
        info.Height = picture.Height;
        TFileStamp stamp;
        stamp.Size = 1000;
        SystemFileOperations().Stat(picture.FullPath, stamp);
        info.Size = picture.Size == TestPicture::kOwnSize ? stamp.Size : picture.Size;
        info.Device = stamp.Device;
        info.Inode = stamp.Inode;
        info.MTimeNs = stamp.MTimeNs;
        AppendPicture(catalogue, std::move(info));
    }
    TrimAfterCollection(catalogue);
    AllocatePairs(catalogue);
    for (const TestPair &pair : pairs)
        AppendPair(catalogue, pair.First, pair.Second, pair.Similarity);
    TrimPairs(catalogue);
    return catalogue;
}
