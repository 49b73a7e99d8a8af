#include "processing.h"

#include "pictureprocessing.h"
#include "searchobserver.h"
#include "settings.h"
#include "signpicture.h"

#include <algorithm>

namespace
{

constexpr long double kMaxAspectQuotient = 1.5L;
constexpr long double kPairThreshold = 50;
constexpr double kMinSimilarity = 1;
constexpr double kMaxSimilarity = 100;
constexpr double kIdenticalScore = 100;

double aspectRatio(const TPicInfo &picture)
{
    const int32_t larger = std::max(picture.Height, picture.Width);
    const int32_t smaller = std::min(picture.Height, picture.Width);
    return double(static_cast<long double>(larger) / smaller);
}

QString filesCountCaption(int32_t done, int32_t total)
{
    return QStringLiteral("扫描图片总数： ") + QString::number(done) + QStringLiteral(" / ") + QString::number(total);
}

}

bool AspectRatiosComparable(const TPicInfo &a, const TPicInfo &b)
{
    const long double ratioA = aspectRatio(a);
    const long double ratioB = aspectRatio(b);
    return std::max(ratioA, ratioB) / std::min(ratioA, ratioB) <= kMaxAspectQuotient;
}

double WaveletScore(const TPicInfo &earlier, const WaveletMatrix &currentMatrix)
{
    int matches = 0;
    for (int j = 0; j < kSignatureSize; ++j) {
        const TWaveletPoint positive = earlier.WaveletCoefsPos[j];
        if (earlier.WaveletCoefsPos.PackedAt(j) != 0 && currentMatrix[positive.X][positive.Y] > 0)
            ++matches;
        const TWaveletPoint negative = earlier.WaveletCoefsNeg[j];
        if (earlier.WaveletCoefsNeg.PackedAt(j) != 0 && currentMatrix[negative.X][negative.Y] < 0)
            ++matches;
    }
    return double(static_cast<long double>(matches) * 100 / static_cast<long double>(kSignatureSize));
}

void ProcessPictures(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer)
{
    const int32_t count = catalogue.PicturesCapacity;
    WaveletMatrix currentMatrix {};
    const auto pumpAndGoOn = [&] {
        observer.Pump();
        return !catalogue.SearchStopped;
    };
    for (int32_t k = 0; k < count; ++k) {
        observer.Pump();
        if (catalogue.SearchStopped)
            return;
        catalogue.PicturesLast = k;
        const QByteArray path = FullPath(catalogue, k);
        const std::optional<TPictureSignature> signature = SignPicture(path, settings);
        if (!signature)
            continue;
        TPicInfo &current = catalogue.Pictures[k];
        current.Height = signature->Height;
        current.Width = signature->Width;
        current.PreBuffer = signature->PreBuffer;
        current.WaveletCoefsPos = signature->WaveletCoefsPos;
        current.WaveletCoefsNeg = signature->WaveletCoefsNeg;
        if (!settings.SearchOnlyIdentical)
            RebuildWaveletMatrix(current.WaveletCoefsPos, current.WaveletCoefsNeg, currentMatrix);
        current.CCVStage = TCCVStage::Full;

        for (int32_t i = k - 1; i >= 0; --i) {
            const TPicInfo &candidate = catalogue.Pictures[i];
            if (candidate.CCVStage != TCCVStage::Full || !AspectRatiosComparable(candidate, current))
                continue;
            double score = 0;
            if (candidate.PreBuffer == current.PreBuffer) {
                const bool identical = FilesIdentical(path, FullPath(catalogue, i), pumpAndGoOn);
                // The pumps may have let the front end stop the search and empty the catalogue.
                if (catalogue.SearchStopped)
                    return;
                if (identical)
                    score = kIdenticalScore;
            } else if (!settings.SearchOnlyIdentical) {
                score = WaveletScore(candidate, currentMatrix);
            }
            if (score >= kPairThreshold) {
                const double similarity = double((static_cast<long double>(score) - kPairThreshold) * 2);
                AppendPair(catalogue, i, k, std::clamp(similarity, kMinSimilarity, kMaxSimilarity));
                observer.DuplicatesFoundChanged(
                    QStringLiteral("发现相似图片：") + QString::number(catalogue.PairsLast + 1));
                break;
            }
        }
        observer.FilesCountChanged(filesCountCaption(k + 1, count));
    }
    observer.FilesCountChanged(filesCountCaption(catalogue.PicturesLast + 1, count));
}
