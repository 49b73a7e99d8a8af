#pragma once

#include "engine/base/catalogue.h"
#include "engine/cleanup/picturemarks.h"

#include <QByteArray>

#include <optional>
#include <vector>

// Which picture of a group a marking rule keeps; ties go to the picture found first.
enum class TKeepRule { MostPixels, Largest, Oldest, Newest, InsideFolder };

struct TMarkingRule {
    TKeepRule Keep = TKeepRule::MostPixels;
    // The reference folder of InsideFolder, a full path ending with "/".
    QByteArray Folder;
    // A picture is marked only when it is byte-identical to the keeper or at least this similar.
    double MinSimilarity = 50;
    // The search compared file contents only.
    bool OnlyIdentical = false;
    // The search also paired turned and mirrored copies.
    bool TurnedCopies = false;
};

constexpr double kDefaultMinSimilarity = 50;
// The weakest similarity the search itself pairs at.
constexpr double kLowestMinSimilarity = 1;

// One picture a rule marked, with the picture it is kept in place of.
struct TRuleMark {
    int32_t Picture = 0;
    int32_t Keeper = 0;
    double Similarity = 0;
};

struct TRuleOutcome {
    std::vector<TRuleMark> Marks;
    // Groups in which the rule marked at least one picture.
    int32_t GroupsMarked = 0;
    // Groups left alone: no picture inside the reference folder; no picture similar enough to the
    // keeper that was not marked already, or the keeper itself marked.
    int32_t GroupsWithoutReference = 0;
    int32_t GroupsTooUnlike = 0;
    // Pictures left unmarked because they are not similar enough to their keeper.
    int32_t PicturesTooUnlike = 0;
};

// The similarity at which the search pairs two catalogued pictures, by its own rule and in the
// orientations it looked at (all eight with `turnedCopies`, where it kept the later picture's
// transposed lists): 100 when the files are byte-identical, otherwise the wavelet score turned
// into percent; nothing when the search would not pair them at all (one file reached twice,
// aspect ratios too far apart, a score below the pairing threshold, two pictures of reference
// folders, two contents it knows were dismissed together).
std::optional<double> SearchSimilarity(
    const TCatalogue &catalogue, int32_t a, int32_t b, bool onlyIdentical, bool turnedCopies);

// Applies `rule` to every group: picks its keeper and adds marks to the others that pass the
// similarity guard. Marks already set stay; a group is never left without an unmarked picture.
// A group with pictures of reference folders keeps them all (beside those inside the folder of
// InsideFolder), and they are never marked.
TRuleOutcome ApplyMarkingRule(const TCatalogue &catalogue, TPictureMarks &marks, const TMarkingRule &rule);

// "most-pixels", "largest", "oldest", "newest" or "inside:FOLDER" (the folder as given).
std::optional<TMarkingRule> ParseKeepRule(const QByteArray &text);
