#include "fuzztarget.h"

#include "csvreader.h"

#include "engine/base/catalogue.h"
#include "engine/results/resultwriter.h"

#include <QString>

namespace
{

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
const QByteArray kOtherFolder = "/pictures/";
const QByteArray kOtherName = "b.jpg";

}

// Any path bytes: the CSV export reads back, cell for cell, as the paths that went in.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray path(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype slash = path.lastIndexOf('/');
    // A catalogued path is a folder ending in "/" and a name without one that is never empty.
    if (slash < 0 || slash == path.size() - 1)
        return 0;
    // Built by hand: the catalogue's own allocation of 30000 entries would dwarf the work.
    TCatalogue catalogue;
    catalogue.Paths = { path.left(slash + 1), kOtherFolder };
    catalogue.PathsLast = catalogue.PathsCapacity = 1;
    catalogue.Pictures.resize(2);
    catalogue.Pictures[0].FileName = path.mid(slash + 1);
    catalogue.Pictures[1].FileName = kOtherName;
    catalogue.Pictures[1].PathInd = 1;
    catalogue.PicturesLast = 1;
    catalogue.PicturesCapacity = 2;
    catalogue.Pairs = { { 0, 1, 42.5 } };
    catalogue.PairsLast = 0;
    catalogue.PairsCapacity = 1;

    const QByteArray csv = BuildCsv(catalogue);
    if (!csv.startsWith(kByteOrderMark))
        FuzzFailure("no byte-order mark");
    const auto rows = ReadCsv(csv.mid(qsizetype(sizeof kByteOrderMark) - 1), ';');
    if (!rows)
        FuzzFailure("the export is not well-formed CSV");
    const QList<QByteArray> header { QStringLiteral("组别编号；图片文件名；相似度；").toUtf8() };
    if (rows->size() != 3 || rows->at(0) != header)
        FuzzFailure("wrong number of rows or header");
    if (rows->at(1).size() != 4 || rows->at(1)[0] != "1" || rows->at(1)[1] != path || rows->at(1)[3] != "")
        FuzzFailure("the fuzzed path does not read back as one cell");
    if (rows->at(2).size() != 4 || rows->at(2)[1] != kOtherFolder + kOtherName || rows->at(1)[2] != rows->at(2)[2])
        FuzzFailure("the second row does not read back");
    return 0;
}
