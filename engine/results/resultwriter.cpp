#include "engine/results/resultwriter.h"

#include "engine/compare/orientation.h"
#include "engine/results/shownpairs.h"
#include "engine/results/textformat.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

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

// Linear TSV: the separator and line end never occur inside a field.
QByteArray tsvField(const QByteArray &field)
{
    QByteArray escaped;
    escaped.reserve(field.size());
    for (const char c : field) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

// The path as text, plus its exact bytes in base64 under `bytesKey` when the text cannot carry them.
void addPath(QJsonObject &object, const QString &key, const QString &bytesKey, const QByteArray &path)
{
    object.insert(key, QFile::decodeName(path));
    if (!isUtf8(path))
        object.insert(bytesKey, QString::fromLatin1(path.toBase64()));
}

}

QByteArray BuildCsv(const TCatalogue &catalogue) { return BuildCsv(catalogue, ShownPairs(catalogue)); }

QByteArray BuildCsv(const TCatalogue &catalogue, std::span<const int32_t> shown)
{
    QByteArray csv(kByteOrderMark);
    // Part of the file format that other programs read: never translated.
    csv += QStringLiteral("组别编号；图片文件名；相似度；").toUtf8() + kCsvLineEnd;
    for (std::size_t row = 0; row < shown.size(); ++row) {
        const TPicturePair &pair = catalogue.Pairs[std::size_t(shown[row])];
        const QByteArray group = QByteArray::number(qulonglong(row + 1));
        const QByteArray similarity = FormatSimilarity(pair.Similarity).toUtf8();
        for (int32_t picture : { pair.PicIndex1, pair.PicIndex2 })
            csv += group + ';' + csvField(FullPath(catalogue, picture)) + ';' + similarity + ';' + kCsvLineEnd;
    }
    return csv;
}

QByteArray BuildTsv(const TCatalogue &catalogue) { return BuildTsv(catalogue, ShownPairs(catalogue)); }

QByteArray BuildTsv(const TCatalogue &catalogue, std::span<const int32_t> shown)
{
    QByteArray tsv;
    for (const int32_t i : shown) {
        const TPicturePair &pair = catalogue.Pairs[std::size_t(i)];
        tsv += tsvField(FullPath(catalogue, pair.PicIndex1)) + '\t' + tsvField(FullPath(catalogue, pair.PicIndex2))
            + '\t' + QByteArray::number(pair.Similarity, 'f', kSimilarityDecimals) + '\n';
    }
    return tsv;
}

QByteArray BuildJson(const TCatalogue &catalogue, bool withOrientations)
{
    return BuildJson(catalogue, ShownPairs(catalogue), withOrientations);
}

QByteArray BuildJson(const TCatalogue &catalogue, std::span<const int32_t> shown, bool withOrientations)
{
    QJsonArray pairs;
    for (const int32_t i : shown) {
        const TPicturePair &pair = catalogue.Pairs[std::size_t(i)];
        QJsonObject object;
        addPath(
            object, QStringLiteral("original"), QStringLiteral("original_bytes"), FullPath(catalogue, pair.PicIndex1));
        addPath(object, QStringLiteral("duplicate"), QStringLiteral("duplicate_bytes"),
            FullPath(catalogue, pair.PicIndex2));
        object.insert(QStringLiteral("similarity"), pair.Similarity);
        if (withOrientations)
            object.insert(QStringLiteral("orientation"), QLatin1String(OrientationName(pair.Orientation)));
        pairs.append(object);
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
        tsv += tsvField(FullPath(catalogue, mark.Picture)) + '\t' + tsvField(FullPath(catalogue, mark.Keeper)) + '\t'
            + QByteArray::number(mark.Similarity, 'f', kSimilarityDecimals) + '\n';
    return tsv;
}

QByteArray BuildMarkedJson(const TCatalogue &catalogue, const std::vector<TRuleMark> &marks)
{
    QJsonArray marked;
    for (const TRuleMark &mark : marks) {
        QJsonObject object;
        addPath(object, QStringLiteral("marked"), QStringLiteral("marked_bytes"), FullPath(catalogue, mark.Picture));
        addPath(object, QStringLiteral("keeper"), QStringLiteral("keeper_bytes"), FullPath(catalogue, mark.Keeper));
        object.insert(QStringLiteral("similarity"), mark.Similarity);
        marked.append(object);
    }
    return QJsonDocument(marked).toJson();
}

QByteArray BuildReportCsv(const std::vector<TReportedFile> &files)
{
    QByteArray csv(kByteOrderMark);
    csv += QStringLiteral("操作；图片文件名；去向或原因；").toUtf8() + kCsvLineEnd;
    for (const TReportedFile &file : files)
        csv += csvField(file.Action) + ';' + csvField(file.Path) + ';'
            + csvField(file.To.isEmpty() ? file.Reason.toUtf8() : file.To) + ';' + kCsvLineEnd;
    return csv;
}

QByteArray BuildReportTsv(const std::vector<TReportedFile> &files)
{
    QByteArray tsv;
    for (const TReportedFile &file : files)
        tsv += tsvField(file.Action) + '\t' + tsvField(file.Path) + '\t'
            + tsvField(file.To.isEmpty() ? file.Reason.toUtf8() : file.To) + '\n';
    return tsv;
}

QByteArray BuildReportJson(const std::vector<TReportedFile> &files)
{
    QJsonArray report;
    for (const TReportedFile &file : files) {
        QJsonObject object;
        object.insert(QStringLiteral("action"), QString::fromUtf8(file.Action));
        addPath(object, QStringLiteral("path"), QStringLiteral("path_bytes"), file.Path);
        if (!file.To.isEmpty())
            addPath(object, QStringLiteral("to"), QStringLiteral("to_bytes"), file.To);
        if (!file.Reason.isEmpty())
            object.insert(QStringLiteral("reason"), file.Reason);
        report.append(object);
    }
    return QJsonDocument(report).toJson();
}
