#include "resultwriter.h"

#include "textformat.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kCsvLineEnd[] = "\r\n";
constexpr int kSimilarityDecimals = 6;

QByteArray csvField(const QByteArray &field)
{
    if (!field.contains(';') && !field.contains('"') && !field.contains('\r') && !field.contains('\n'))
        return field;
    QByteArray quoted = field;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

}

QByteArray BuildCsv(const TCatalogue &catalogue)
{
    QByteArray csv(kByteOrderMark);
    csv += QStringLiteral("组别编号；图片文件名；相似度；").toUtf8() + kCsvLineEnd;
    for (int32_t i = 0; i <= catalogue.PairsLast; ++i) {
        const TPicturePair &pair = catalogue.Pairs[i];
        const QByteArray group = QByteArray::number(i + 1);
        const QByteArray similarity = FormatSimilarity(pair.Similarity).toUtf8();
        for (int32_t picture : { pair.PicIndex1, pair.PicIndex2 })
            csv += group + ';' + csvField(FullPath(catalogue, picture)) + ';' + similarity + ';' + kCsvLineEnd;
    }
    return csv;
}

QByteArray BuildTsv(const TCatalogue &catalogue)
{
    QByteArray tsv;
    for (int32_t i = 0; i <= catalogue.PairsLast; ++i) {
        const TPicturePair &pair = catalogue.Pairs[i];
        tsv += FullPath(catalogue, pair.PicIndex1) + '\t' + FullPath(catalogue, pair.PicIndex2) + '\t'
            + QByteArray::number(pair.Similarity, 'f', kSimilarityDecimals) + '\n';
    }
    return tsv;
}

QByteArray BuildJson(const TCatalogue &catalogue)
{
    QJsonArray pairs;
    for (int32_t i = 0; i <= catalogue.PairsLast; ++i) {
        const TPicturePair &pair = catalogue.Pairs[i];
        pairs.append(QJsonObject { { "original", QFile::decodeName(FullPath(catalogue, pair.PicIndex1)) },
            { "duplicate", QFile::decodeName(FullPath(catalogue, pair.PicIndex2)) },
            { "similarity", pair.Similarity } });
    }
    return QJsonDocument(pairs).toJson();
}

QByteArray BuildMarkedCsv(const TCatalogue &catalogue, const std::vector<TRuleMark> &marks)
{
    QByteArray csv(kByteOrderMark);
    csv += QStringLiteral("标记的图片；保留的图片；相似度；").toUtf8() + kCsvLineEnd;
    for (const TRuleMark &mark : marks)
        csv += csvField(FullPath(catalogue, mark.Picture)) + ';' + csvField(FullPath(catalogue, mark.Keeper)) + ';'
            + FormatSimilarity(mark.Similarity).toUtf8() + ';' + kCsvLineEnd;
    return csv;
}

QByteArray BuildMarkedTsv(const TCatalogue &catalogue, const std::vector<TRuleMark> &marks)
{
    QByteArray tsv;
    for (const TRuleMark &mark : marks)
        tsv += FullPath(catalogue, mark.Picture) + '\t' + FullPath(catalogue, mark.Keeper) + '\t'
            + QByteArray::number(mark.Similarity, 'f', kSimilarityDecimals) + '\n';
    return tsv;
}

QByteArray BuildMarkedJson(const TCatalogue &catalogue, const std::vector<TRuleMark> &marks)
{
    QJsonArray marked;
    for (const TRuleMark &mark : marks)
        marked.append(QJsonObject { { "marked", QFile::decodeName(FullPath(catalogue, mark.Picture)) },
            { "keeper", QFile::decodeName(FullPath(catalogue, mark.Keeper)) }, { "similarity", mark.Similarity } });
    return QJsonDocument(marked).toJson();
}
