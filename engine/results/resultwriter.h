#pragma once

#include "engine/base/catalogue.h"
#include "engine/cleanup/markingrules.h"

#include <span>
#include <vector>

#include <QByteArray>
#include <QString>

// The duplicate list as a spreadsheet file: UTF-8 with byte-order mark, CR LF line ends, the
// header "组别编号；图片文件名；相似度；", then two lines "G;path;S;" per pair in list order, G
// counting the pairs written from 1. A path holding ';', '"', CR or LF is written as one quoted
// field with its quotes doubled, so that it reads back as one cell; every other field is written
// as it stands. Every writer of pairs writes all pairs, or those of `shown` (indexes into Pairs,
// see ShownPairs) in that order: the export writes what a list shows.
QByteArray BuildCsv(const TCatalogue &catalogue);
QByteArray BuildCsv(const TCatalogue &catalogue, std::span<const int32_t> shown);

// One LF-terminated line per pair: first path, TAB, second path, TAB, similarity with 6 decimals.
// Within a path, backslash, TAB, LF and CR are written as \\, \t, \n and \r, so that every line
// has three fields.
QByteArray BuildTsv(const TCatalogue &catalogue);
QByteArray BuildTsv(const TCatalogue &catalogue, std::span<const int32_t> shown);

// A JSON array of {"original", "duplicate", "similarity"} objects, one per pair, paths decoded
// from their file-system bytes. A path that is not valid UTF-8 loses bytes in that decoding, so
// its object also holds the exact bytes in base64 as "original_bytes" or "duplicate_bytes".
// `withOrientations` (a search for turned copies) adds how the duplicate lies as "orientation".
QByteArray BuildJson(const TCatalogue &catalogue, bool withOrientations = false);
QByteArray BuildJson(const TCatalogue &catalogue, std::span<const int32_t> shown, bool withOrientations = false);

// The files a marking rule marked, each with its keeper and their similarity, in the three
// formats above with their quoting and escapes: CSV with the header "标记的图片；保留的图片；相似度；"
// and one line per file; TSV lines "marked TAB keeper TAB similarity"; a JSON array of
// {"marked", "keeper", "similarity"}, with "marked_bytes" or "keeper_bytes" as above.
QByteArray BuildMarkedCsv(const TCatalogue &catalogue, const std::vector<TRuleMark> &marks);
QByteArray BuildMarkedTsv(const TCatalogue &catalogue, const std::vector<TRuleMark> &marks);
QByteArray BuildMarkedJson(const TCatalogue &catalogue, const std::vector<TRuleMark> &marks);

// What a clean-up did with one file.
struct TReportedFile {
    // "trashed", "moved", "already gone" or "left alone".
    QByteArray Action;
    QByteArray Path;
    // Where a trashed or moved file went; empty otherwise.
    QByteArray To;
    // Why a file was left alone, in words; empty otherwise.
    QString Reason;
};

// The report of a clean-up, one entry per file, in the three formats above with their quoting and
// escapes: CSV with the header "操作；图片文件名；去向或原因；" and lines "action;path;to or reason;";
// TSV lines "action TAB path TAB to or reason" (empty for a file already gone); a JSON array of
// {"action", "path"} objects with "to" or "reason" where there is one, and "path_bytes" or
// "to_bytes" for a path that is not valid UTF-8.
QByteArray BuildReportCsv(const std::vector<TReportedFile> &files);
QByteArray BuildReportTsv(const std::vector<TReportedFile> &files);
QByteArray BuildReportJson(const std::vector<TReportedFile> &files);
