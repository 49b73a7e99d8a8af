#include "engine/results/resultwriter.h"
#include "tests/support/testcatalogue.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace
{

// The named pictures, all in one folder, with `pairs` as the results.
TCatalogue catalogueWithPairs(const std::vector<QByteArray> &names, const std::vector<TTestPair> &pairs)
{
    std::vector<TTestPicture> pictures;
    for (const QByteArray &name : names)
        pictures.push_back({ .Path = "/photos/" + name });
    return MakeTestCatalogue(pictures, pairs);
}

// Splits CSV text into records of fields by the quoting rules the writer uses.
std::vector<std::vector<QByteArray>> parseCsv(const QByteArray &csv)
{
    std::vector<std::vector<QByteArray>> records(1);
    QByteArray field;
    bool quoted = false;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (quoted) {
            if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ';') {
            records.back().push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') {
            records.back().push_back(field);
            field.clear();
            records.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    records.pop_back();
    return records;
}

}

TEST(CsvExport, BomHeaderAndTwoCrLfLinesPerPair)
{
    const TCatalogue catalogue = catalogueWithPairs({ "a.jpg", "b.jpg", "c.jpg" }, { { 0, 1, 97.2 }, { 1, 2, 99.5 } });
    const QByteArray csv = BuildCsv(catalogue);
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const QByteArray header = QStringLiteral("组别编号；图片文件名；相似度；").toUtf8();
    EXPECT_EQ(csv.mid(3, header.size() + 2), header + "\r\n");
    EXPECT_EQ(csv.mid(3 + header.size() + 2),
        "1;/photos/a.jpg;97;\r\n1;/photos/b.jpg;97;\r\n2;/photos/b.jpg;100;\r\n2;/photos/c.jpg;100;\r\n");
    EXPECT_EQ(csv.count("\r\n"), 5);
    EXPECT_EQ(csv.count('\n'), 5);
}

TEST(CsvExport, PathsWithSeparatorsAreQuotedAndReadBack)
{
    const QByteArray semicolon = "x;y \"quoted\".jpg";
    const QByteArray newline = "line\nbreak.jpg";
    const TCatalogue catalogue = catalogueWithPairs({ semicolon, newline, "plain.jpg" }, { { 0, 1, 50 } });
    const QByteArray csv = BuildCsv(catalogue);
    EXPECT_TRUE(csv.contains("1;\"/photos/x;y \"\"quoted\"\".jpg\";50;\r\n"));
    const auto records = parseCsv(csv.mid(3));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1], (std::vector<QByteArray> { "1", "/photos/" + semicolon, "50", "" }));
    EXPECT_EQ(records[2], (std::vector<QByteArray> { "1", "/photos/" + newline, "50", "" }));
}

TEST(CsvExport, EmptyListIsTheHeaderOnly)
{
    const TCatalogue catalogue = catalogueWithPairs({ "a.jpg" }, {});
    EXPECT_EQ(BuildCsv(catalogue), "\xEF\xBB\xBF" + QStringLiteral("组别编号；图片文件名；相似度；").toUtf8() + "\r\n");
    EXPECT_EQ(BuildTsv(catalogue), "");
    EXPECT_EQ(QJsonDocument::fromJson(BuildJson(catalogue)).array().size(), 0);
}

TEST(OtherFormats, TsvAndJsonCarryEveryPair)
{
    const TCatalogue catalogue = catalogueWithPairs({ "a.jpg", "\xC3\xA9t\xC3\xA9.png" }, { { 0, 1, 12.8 } });
    EXPECT_EQ(BuildTsv(catalogue), "/photos/a.jpg\t/photos/\xC3\xA9t\xC3\xA9.png\t12.800000\n");
    const QJsonArray pairs = QJsonDocument::fromJson(BuildJson(catalogue)).array();
    ASSERT_EQ(pairs.size(), 1);
    EXPECT_EQ(pairs[0]["original"].toString(), "/photos/a.jpg");
    EXPECT_EQ(pairs[0]["duplicate"].toString(), QString::fromUtf8("/photos/été.png"));
    EXPECT_DOUBLE_EQ(pairs[0]["similarity"].toDouble(), 12.8);
}

TEST(OtherFormats, TsvEscapesWhatWouldSplitAFieldOrALine)
{
    const TCatalogue catalogue = catalogueWithPairs(
        { "tab\there.jpg", "new\nline\r.jpg", "back\\slash\\t.jpg" }, { { 0, 1, 100 }, { 1, 2, 100 } });
    const QByteArray tsv = BuildTsv(catalogue);
    EXPECT_EQ(tsv,
        "/photos/tab\\there.jpg\t/photos/new\\nline\\r.jpg\t100.000000\n"
        "/photos/new\\nline\\r.jpg\t/photos/back\\\\slash\\\\t.jpg\t100.000000\n");
}

TEST(OtherFormats, JsonKeepsTheBytesOfNamesThatAreNotUtf8)
{
    const TCatalogue catalogue
        = catalogueWithPairs({ "p\xff.jpg", "p\xfe.jpg", "ok.jpg" }, { { 0, 1, 100 }, { 1, 2, 90 } });
    const QJsonArray pairs = QJsonDocument::fromJson(BuildJson(catalogue)).array();
    ASSERT_EQ(pairs.size(), 2);
    EXPECT_EQ(QByteArray::fromBase64(pairs[0]["original_bytes"].toString().toLatin1()), "/photos/p\xff.jpg");
    EXPECT_EQ(QByteArray::fromBase64(pairs[0]["duplicate_bytes"].toString().toLatin1()), "/photos/p\xfe.jpg");
    EXPECT_EQ(pairs[0]["original"].toString(), QFile::decodeName("/photos/p\xff.jpg"));
    EXPECT_EQ(QByteArray::fromBase64(pairs[1]["original_bytes"].toString().toLatin1()), "/photos/p\xfe.jpg");
    EXPECT_FALSE(pairs[1].toObject().contains("duplicate_bytes"));
    EXPECT_EQ(pairs[1]["duplicate"].toString(), "/photos/ok.jpg");
}
