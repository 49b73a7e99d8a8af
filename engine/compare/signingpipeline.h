#pragma once

#include "engine/base/decodinglimits.h"
#include "engine/compare/signaturesource.h"
#include "engine/sign/signature.h"
#include "settings/settings.h"

#include <QByteArray>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

// Loads and signs the pictures of a search on worker threads, a bounded window ahead of the
// picture the search takes next. The workers read only the paths and settings given here, never
// the catalogue, so a window that empties the catalogue mid-search cannot race with them.
// A picture whose decoding runs longer than the time limit is skipped; its worker is left to
// finish in the background and a fresh worker takes its place. A picture whose signer throws
// TPictureError or std::bad_alloc (a decoder short of memory) is skipped too; any other exception
// is carried to the thread that takes the picture.
// How long stopping a pipeline waits for the decodes under way to end.
constexpr std::chrono::milliseconds kStopGrace { 150 };

class TSigningPipeline : public TSignatureSource
{
public:
    // `threads` workers (at least one) sign paths[0], paths[1], ... with `signer`, at most `window`
    // pictures ahead of the last one taken.
    TSigningPipeline(std::vector<QByteArray> paths, const TSettings &settings, int threads, int window,
        std::chrono::milliseconds maxDecodeTime, TPictureSigner signer);
    // Stops the workers, within kStopGrace: a decode that has not ended by then is left to end in
    // the background, its worker detached and its result dropped.
    ~TSigningPipeline() override;
    TSigningPipeline(const TSigningPipeline &) = delete;
    TSigningPipeline &operator=(const TSigningPipeline &) = delete;

    // Waits for picture `index` and hands over its signature: nothing when it was skipped or
    // when its decoding has run longer than the time limit since a worker started it; rethrows
    // what its signer threw when the picture could not simply be skipped.
    // Pictures are taken in increasing order.
    std::optional<TPictureSignature> Take(int32_t index) override;

    // Whether picture `index` is signed already, so that Take would not wait.
    bool IsReady(int32_t index) override;

private:
    struct TShared;

    void startWorker();

    // Held by every worker too, so that a detached worker outlives the pipeline safely.
    std::shared_ptr<TShared> m_shared;
    std::vector<std::thread> m_workers;
};

// Waits, at most `limit`, until the workers that stopped pipelines left behind have ended, and
// tells whether they all have. Called before the program exits, so that no worker is still inside
// a decoder while the program's libraries are torn down.
bool WaitForLeftBehindWorkers(std::chrono::milliseconds limit);
