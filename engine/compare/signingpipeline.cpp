#include "engine/compare/signingpipeline.h"

#include "engine/base/pictureerror.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>

namespace
{

using TClock = std::chrono::steady_clock;

struct TSlot {
    int32_t Index = -1;
    bool Done = false;
    // On the heap, so that the window's empty slots take no room: the pages of 272 inline
    // signatures cost a short search more than its work.
    std::unique_ptr<TPictureSignature> Signature;
    std::exception_ptr Error;
};

struct TWorkerState {
    bool Busy = false;
    TClock::time_point BusySince;
    int32_t Picture = -1;
    // Left behind on a picture that ran too long; its result is dropped.
    bool Abandoned = false;
    // Left running by the pipeline's destructor; counted among the left-behind workers.
    bool Detached = false;
    bool Exited = false;
};

// The workers that stopped pipelines left running. Never destroyed, as such a worker may end
// while the program's static objects are being destroyed.
struct TLeftBehind {
    std::mutex Mutex;
    std::condition_variable Ended;
    int Running = 0;
};

TLeftBehind &leftBehind()
{
    static TLeftBehind *const instance = new TLeftBehind;
    return *instance;
}

}

struct TSigningPipeline::TShared {
    TShared(std::vector<QByteArray> paths, const TSettings &settings, int32_t window,
        std::chrono::milliseconds maxDecodeTime, TPictureSigner signer)
        : Paths(std::move(paths))
        , Settings(settings)
        , Window(window)
        , MaxDecodeTime(maxDecodeTime)
        , Signer(std::move(signer))
        , Slots(window)
    {
    }

    static void work(const std::shared_ptr<TShared> &shared, std::size_t id);
    bool canClaim() const { return NextToClaim < int32_t(Paths.size()) && NextToClaim < NextToTake + Window; }

    const std::vector<QByteArray> Paths;
    const TSettings Settings;
    const int32_t Window;
    const std::chrono::milliseconds MaxDecodeTime;
    const TPictureSigner Signer;
    std::mutex Mutex;
    // Workers wait for a picture to claim; the taker and the destructor wait for progress. Each
    // side is woken only when it waits for what changed: with pictures taken from the store in
    // microseconds, waking every thread on every change cost more than the work.
    std::condition_variable WorkToClaim;
    std::condition_variable Progress;
    int IdleWorkers = 0;
    // The picture the taker waits for, or -1.
    int32_t Awaited = -1;
    std::vector<TSlot> Slots;
    std::vector<TWorkerState> Workers;
    int32_t NextToClaim = 0;
    int32_t NextToTake = 0;
    bool Stopping = false;
};

void TSigningPipeline::TShared::work(const std::shared_ptr<TShared> &shared, std::size_t id)
{
    TShared &s = *shared;
    std::unique_lock lock(s.Mutex);
    for (;;) {
        ++s.IdleWorkers;
        s.WorkToClaim.wait(lock, [&] { return s.Stopping || s.canClaim(); });
        --s.IdleWorkers;
        if (s.Stopping)
            break;
        const int32_t index = s.NextToClaim++;
        s.Slots[index % s.Window] = TSlot { index, false, nullptr, nullptr };
        s.Workers[id].Busy = true;
        s.Workers[id].BusySince = TClock::now();
        s.Workers[id].Picture = index;
        if (s.Awaited == index)
            s.Progress.notify_all();
        lock.unlock();
        std::optional<TPictureSignature> signature;
        std::exception_ptr error;
        try {
            signature = s.Signer(s.Paths[index], s.Settings);
        } catch (const TPictureError &) {
        } catch (const std::bad_alloc &) {
            // A picture within the limits on a machine short of memory: skipped like an unreadable one.
        } catch (...) {
            // An exception must not end the worker thread, which would end the program.
            error = std::current_exception();
        }
        lock.lock();
        s.Workers[id].Busy = false;
        // The slot may hold a later picture by now.
        if (s.Workers[id].Abandoned)
            break;
        TSlot &slot = s.Slots[index % s.Window];
        if (signature)
            slot.Signature = std::make_unique<TPictureSignature>(std::move(*signature));
        slot.Error = std::move(error);
        slot.Done = true;
        if (s.Awaited == index)
            s.Progress.notify_all();
    }
    s.Workers[id].Exited = true;
    s.Progress.notify_all();
    if (s.Workers[id].Detached) {
        TLeftBehind &others = leftBehind();
        std::lock_guard countLock(others.Mutex);
        --others.Running;
        others.Ended.notify_all();
    }
}

TSigningPipeline::TSigningPipeline(std::vector<QByteArray> paths, const TSettings &settings, int threads, int window,
    std::chrono::milliseconds maxDecodeTime, TPictureSigner signer)
    : m_shared(
        std::make_shared<TShared>(std::move(paths), settings, std::max(window, 1), maxDecodeTime, std::move(signer)))
{
    std::lock_guard lock(m_shared->Mutex);
    for (int t = 0; t < std::max(threads, 1); ++t)
        startWorker();
}

void TSigningPipeline::startWorker()
{
    const std::size_t id = m_shared->Workers.size();
    m_shared->Workers.emplace_back();
    m_workers.emplace_back(&TShared::work, m_shared, id);
}

TSigningPipeline::~TSigningPipeline()
{
    TShared &s = *m_shared;
    std::unique_lock lock(s.Mutex);
    s.Stopping = true;
    s.WorkToClaim.notify_all();
    // Idle workers end at once; a decode under way gets a short grace, so that stopping a search
    // never waits on a slow or stuck decoder.
    s.Progress.wait_until(lock, TClock::now() + kStopGrace, [&] {
        return std::all_of(s.Workers.begin(), s.Workers.end(),
            [](const TWorkerState &worker) { return worker.Exited || worker.Abandoned; });
    });
    std::vector<bool> exited;
    for (TWorkerState &worker : s.Workers) {
        exited.push_back(worker.Exited);
        if (!worker.Exited) {
            worker.Abandoned = true;
            worker.Detached = true;
            TLeftBehind &others = leftBehind();
            std::lock_guard countLock(others.Mutex);
            ++others.Running;
        }
    }
    lock.unlock();
    for (std::size_t id = 0; id < m_workers.size(); ++id) {
        if (exited[id])
            m_workers[id].join();
        else
            m_workers[id].detach();
    }
}

std::optional<TPictureSignature> TSigningPipeline::Take(int32_t index)
{
    TShared &s = *m_shared;
    std::unique_lock lock(s.Mutex);
    TSlot &slot = s.Slots[index % s.Window];
    const auto decodingWorker = [&]() -> std::optional<std::size_t> {
        for (std::size_t id = 0; id < s.Workers.size(); ++id) {
            if (s.Workers[id].Busy && !s.Workers[id].Abandoned && s.Workers[id].Picture == index)
                return id;
        }
        return std::nullopt;
    };
    std::optional<TPictureSignature> signature;
    std::exception_ptr error;
    for (;;) {
        if (slot.Index == index && slot.Done) {
            if (slot.Signature)
                signature = std::move(*slot.Signature);
            error = std::move(slot.Error);
            break;
        }
        const std::optional<std::size_t> worker = decodingWorker();
        if (!worker) {
            s.Awaited = index;
            s.Progress.wait(lock);
            continue;
        }
        const TClock::time_point deadline = s.Workers[*worker].BusySince + s.MaxDecodeTime;
        if (TClock::now() >= deadline) {
            s.Workers[*worker].Abandoned = true;
            startWorker();
            break;
        }
        s.Awaited = index;
        s.Progress.wait_until(lock, deadline);
    }
    slot = TSlot {};
    s.NextToTake = index + 1;
    s.Awaited = -1;
    if (s.IdleWorkers > 0)
        s.WorkToClaim.notify_one();
    lock.unlock();
    if (error)
        std::rethrow_exception(error);
    return signature;
}

bool TSigningPipeline::IsReady(int32_t index)
{
    std::lock_guard lock(m_shared->Mutex);
    const TSlot &slot = m_shared->Slots[index % m_shared->Window];
    return slot.Index == index && slot.Done;
}

bool WaitForLeftBehindWorkers(std::chrono::milliseconds limit)
{
    TLeftBehind &others = leftBehind();
    std::unique_lock lock(others.Mutex);
    return others.Ended.wait_for(lock, limit, [&] { return others.Running == 0; });
}
