// Times the bulk clean-up: marking by each rule over a made-up search of 200,000 pairs, then
// trashing 2,000 marked files and undoing that batch on the file system of FOLDER.
// Usage: cleanup_bench FOLDER [PAIRS] [FILES]

#include "engine/base/catalogue.h"
#include "engine/cleanup/actionjournal.h"
#include "engine/cleanup/markedbatch.h"
#include "engine/cleanup/markingrules.h"
#include "engine/cleanup/picturemarks.h"
#include "fileops/fileoperations.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace
{

constexpr int kGroupSizes[] = { 2, 3, 4, 5, 2, 2 };
constexpr int kMaxShift = 80;
constexpr int kFileBytes = 20000;

// A search's results: groups of 2 to 5 pictures joined in chains, half of them in "/ref/", their
// signatures a few positions apart so that most are similar enough and some are not.
TCatalogue madeUpResults(int pairs)
{
    std::mt19937 random(14);
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    AppendPath(catalogue, "/ref/");
    AppendPath(catalogue, "/photos/");
    std::vector<std::pair<int32_t, int32_t>> joined;
    for (int group = 0; int(joined.size()) < pairs; ++group) {
        const int size = kGroupSizes[group % std::size(kGroupSizes)];
        for (int member = 0; member < size && int(joined.size()) < pairs; ++member) {
            TPicInfo info;
            info.FileName = "p" + QByteArray::number(catalogue.PicturesLast + 1) + ".jpg";
            info.Width = 4000 - int(random() % 3) * 100;
            info.Height = 3000;
            info.Size = 1'000'000 + int64_t(random() % 1000);
            info.MTimeNs = int64_t(random());
            const int shift = int(random() % kMaxShift);
            for (int j = 0; j < kSignatureSize; ++j)
                info.WaveletCoefsPos.Set(j, { (1 + shift + j) / kWorkBitmapSize, (1 + shift + j) % kWorkBitmapSize });
            const int32_t index = catalogue.PicturesLast + 1;
            std::memcpy(info.PreBuffer.data(), &index, sizeof index);
            catalogue.PathsLast = int32_t(random() % 2);
            AppendPicture(catalogue, std::move(info));
            catalogue.Pictures[size_t(index)].CCVStage = TCCVStage::Full;
            if (member > 0)
                joined.emplace_back(index - 1, index);
        }
    }
    catalogue.PathsLast = 1;
    TrimAfterCollection(catalogue);
    AllocatePairs(catalogue);
    for (const auto &[first, second] : joined)
        AppendPair(catalogue, first, second, 50);
    TrimPairs(catalogue);
    return catalogue;
}

void benchRules(int pairs)
{
    const TCatalogue catalogue = madeUpResults(pairs);
    std::printf("marking over %d pairs, %d pictures\n", catalogue.PairsLast + 1, catalogue.PicturesLast + 1);
    const std::pair<const char *, TKeepRule> rules[] = {
        { "most-pixels", TKeepRule::MostPixels },
        { "largest", TKeepRule::Largest },
        { "oldest", TKeepRule::Oldest },
        { "newest", TKeepRule::Newest },
        { "inside:/ref/", TKeepRule::InsideFolder },
    };
    for (const auto &[name, keep] : rules) {
        TMarkingRule rule;
        rule.Keep = keep;
        rule.Folder = "/ref/";
        QElapsedTimer timer;
        timer.start();
        TPictureMarks marks;
        marks.Reset(catalogue);
        const TRuleOutcome outcome = ApplyMarkingRule(catalogue, marks, rule);
        std::printf("  %-13s %7lld ms  (%zu marked in %d groups)\n", name, qint64(timer.elapsed()),
            outcome.Marks.size(), outcome.GroupsMarked);
    }
}

void benchTrashAndUndo(const QString &folder, int files)
{
    const QString pictures = folder + QStringLiteral("/pictures");
    QDir().mkpath(pictures);
    // The home trash on the same file system as the pictures.
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder + QStringLiteral("/data")));
    QDir().mkpath(folder + QStringLiteral("/data/Trash/files"));
    QDir().mkpath(folder + QStringLiteral("/data/Trash/info"));
    TCatalogue catalogue;
    ResetCatalogue(catalogue);
    AppendPath(catalogue, QFile::encodeName(pictures) + '/');
    for (int i = 0; i < files * 2; ++i) {
        TPicInfo info;
        info.FileName = "f" + QByteArray::number(i) + ".jpg";
        const QByteArray path = catalogue.Paths[0] + info.FileName;
        QFile file(QFile::decodeName(path));
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(kFileBytes, char(i % 251))) != kFileBytes)
            qFatal("cannot write %s", path.constData());
        file.close();
        TFileStamp stamp;
        SystemFileOperations().Stat(path, stamp);
        info.Size = stamp.Size;
        info.MTimeNs = stamp.MTimeNs;
        info.Device = stamp.Device;
        info.Inode = stamp.Inode;
        AppendPicture(catalogue, std::move(info));
    }
    TrimAfterCollection(catalogue);
    AllocatePairs(catalogue);
    for (int i = 0; i < files; ++i)
        AppendPair(catalogue, 2 * i, 2 * i + 1, 100);
    TrimPairs(catalogue);
    TPictureMarks marks;
    marks.Reset(catalogue);
    for (int i = 0; i < files; ++i)
        marks.Mark(2 * i + 1, 2 * i);

    QElapsedTimer timer;
    timer.start();
    const TBatchOutcome outcome = RunMarkedBatch(catalogue, marks, PlanMarkedBatch(catalogue, marks),
        TBatchAction::Trash, {}, SystemFileOperations(), [](int32_t, int32_t) { return true; });
    TActionJournal journal(QFile::encodeName(folder) + "/journal.jsonl");
    journal.Record(TJournalKind::Trash, JournalFiles(catalogue, outcome.Acted), nullptr);
    std::printf("trash %zu marked files (%zu left alone), journal included: %lld ms\n", outcome.Acted.size(),
        outcome.LeftAlone.size(), qint64(timer.elapsed()));

    timer.restart();
    const TUndoOutcome undone = UndoAction(*journal.LastUndoable(), SystemFileOperations());
    journal.MarkUndone(1, nullptr);
    std::printf("undo that batch: %zu restored, %zu not: %lld ms\n", undone.Restored.size(), undone.NotRestored.size(),
        qint64(timer.elapsed()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fputs("usage: cleanup_bench FOLDER [PAIRS] [FILES]\n", stderr);
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (QDir(folder).exists() && !QDir(folder).isEmpty()) {
        std::fputs("cleanup_bench: FOLDER must be new or empty\n", stderr);
        return 2;
    }
    benchRules(argc > 2 ? std::atoi(argv[2]) : 200'000);
    benchTrashAndUndo(folder, argc > 3 ? std::atoi(argv[3]) : 2'000);
    QDir(folder).removeRecursively();
    return 0;
}
