#include "signingpipeline.h"

#include <algorithm>

TSigningPipeline::TSigningPipeline(std::vector<QByteArray> paths, const TSettings &settings, int threads, int window)
    : m_paths(std::move(paths))
    , m_settings(settings)
    , m_window(std::max(window, 1))
    , m_slots(m_window)
{
    for (int t = 0; t < std::max(threads, 1); ++t)
        m_workers.emplace_back(&TSigningPipeline::work, this);
}

TSigningPipeline::~TSigningPipeline()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

void TSigningPipeline::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] {
            return m_stopping || (m_nextToClaim < int32_t(m_paths.size()) && m_nextToClaim < m_nextToTake + m_window);
        });
        if (m_stopping)
            return;
        const int32_t index = m_nextToClaim++;
        TSlot &slot = m_slots[index % m_window];
        slot = TSlot { index, false, std::nullopt };
        lock.unlock();
        std::optional<TPictureSignature> signature = SignPicture(m_paths[index], m_settings);
        lock.lock();
        slot.Signature = std::move(signature);
        slot.Done = true;
        m_changed.notify_all();
    }
}

std::optional<TPictureSignature> TSigningPipeline::Take(int32_t index)
{
    std::unique_lock lock(m_mutex);
    TSlot &slot = m_slots[index % m_window];
    m_changed.wait(lock, [&] { return slot.Index == index && slot.Done; });
    std::optional<TPictureSignature> signature = std::move(slot.Signature);
    slot = TSlot {};
    m_nextToTake = index + 1;
    m_changed.notify_all();
    return signature;
}

bool TSigningPipeline::IsReady(int32_t index)
{
    std::lock_guard lock(m_mutex);
    const TSlot &slot = m_slots[index % m_window];
    return slot.Index == index && slot.Done;
}
