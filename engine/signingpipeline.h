#pragma once

#include "processing.h"
#include "settings.h"
#include "signpicture.h"

#include <QByteArray>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Loads and signs the pictures of a search on worker threads, a bounded window ahead of the
// picture the search takes next. The workers read only the paths and settings given here, never
// the catalogue, so a window that empties the catalogue mid-search cannot race with them.
class TSigningPipeline : public TSignatureSource
{
public:
    // `threads` workers (at least one) sign paths[0], paths[1], ... at most `window` pictures
    // ahead of the last one taken.
    TSigningPipeline(std::vector<QByteArray> paths, const TSettings &settings, int threads, int window);
    // Stops the workers; a picture being decoded is finished first.
    ~TSigningPipeline() override;
    TSigningPipeline(const TSigningPipeline &) = delete;
    TSigningPipeline &operator=(const TSigningPipeline &) = delete;

    // Waits for picture `index` and hands over its signature (nothing when it was skipped).
    // Pictures are taken in increasing order.
    std::optional<TPictureSignature> Take(int32_t index) override;

    // Whether picture `index` is signed already, so that Take would not wait.
    bool IsReady(int32_t index) override;

private:
    struct TSlot {
        int32_t Index = -1;
        bool Done = false;
        std::optional<TPictureSignature> Signature;
    };

    void work();

    const std::vector<QByteArray> m_paths;
    const TSettings m_settings;
    const int32_t m_window;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<TSlot> m_slots;
    int32_t m_nextToClaim = 0;
    int32_t m_nextToTake = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};
