#include "engine/compare/candidatefinder.h"

#include <QHash>

#include <algorithm>
#include <functional>
#include <future>

namespace
{

// Below this many queries per thread, spreading a batch costs more than it saves.
constexpr std::size_t kMinQueriesPerThread = 8;

}

TCandidateFinder::TCandidateFinder(int32_t pictureCount, int threads, int queriesPerPicture)
    : m_index(pictureCount, TSignatureIndex::TCounting::Fastest, queriesPerPicture)
    , m_threads(std::max(threads, 1))
{
}

void TCandidateFinder::AddBatch(
    std::span<const TSigned> batch, int sharedThreshold, const TSignatureIndex::TSettles &settles)
{
    // Pictures that failed to sign leave gaps in a batch; matches are kept by picture index.
    m_batchStart = batch.empty() ? 0 : batch.front().Index;
    m_batchMatches.assign(batch.empty() ? 0 : std::size_t(batch.back().Index - m_batchStart + 1), {});
    std::vector<TSignatureIndex::TQuery> queries;
    std::vector<std::size_t> positions;
    for (std::size_t b = 0; b < batch.size(); ++b) {
        const TSigned &picture = batch[b];
        if (!picture.Positive)
            continue;
        m_index.Add(picture.Index, *picture.Positive, *picture.Negative);
        queries.push_back({ picture.Positive, picture.Negative, picture.Index, {} });
        positions.push_back(std::size_t(picture.Index - m_batchStart));
        if (picture.Turned) {
            for (const TOrientedCoefs &turned : *picture.Turned) {
                queries.push_back({ &turned.Positive, &turned.Negative, picture.Index, {} });
                positions.push_back(std::size_t(picture.Index - m_batchStart));
            }
        }
    }

    const std::size_t parts = std::clamp(queries.size() / kMinQueriesPerThread, std::size_t(1), std::size_t(m_threads));
    const std::size_t perPart = (queries.size() + parts - 1) / std::max(parts, std::size_t(1));
    std::vector<std::future<void>> helpers;
    const std::span<TSignatureIndex::TQuery> all(queries);
    for (std::size_t part = 1; part < parts; ++part) {
        const std::size_t first = part * perPart;
        if (first < queries.size()) {
            helpers.push_back(std::async(std::launch::async, [&, first] {
                m_index.FindShared(
                    all.subspan(first, std::min(perPart, queries.size() - first)), sharedThreshold, settles);
            }));
        }
    }
    m_index.FindShared(all.first(std::min(perPart, queries.size())), sharedThreshold, settles);
    for (std::future<void> &helper : helpers)
        helper.get();

    for (std::size_t q = 0; q < queries.size(); ++q) {
        std::vector<int32_t> &matches = m_batchMatches[positions[q]];
        if (matches.empty()) {
            matches = std::move(queries[q].Matches);
            continue;
        }
        // A picture's orientations found their matches apart: one list, newest first, each once.
        const std::size_t found = matches.size();
        matches.insert(matches.end(), queries[q].Matches.begin(), queries[q].Matches.end());
        std::inplace_merge(matches.begin(), matches.begin() + std::ptrdiff_t(found), matches.end(), std::greater<>());
        matches.erase(std::unique(matches.begin(), matches.end()), matches.end());
    }
}

std::vector<int32_t> TCandidateFinder::CandidatesOf(int32_t index, const TPreBuffer &preBuffer) const
{
    std::vector<int32_t> candidates;
    const std::size_t position = std::size_t(index - m_batchStart);
    if (index >= m_batchStart && position < m_batchMatches.size())
        candidates = m_batchMatches[position];
    const auto equal = m_fingerprints.find(fingerprintHash(preBuffer));
    if (equal != m_fingerprints.end()) {
        const std::size_t shared = candidates.size();
        candidates.insert(candidates.end(), equal->second.rbegin(), equal->second.rend());
        std::inplace_merge(candidates.begin(), candidates.begin() + shared, candidates.end(), std::greater<>());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    }
    return candidates;
}

std::size_t TCandidateFinder::fingerprintHash(const TPreBuffer &preBuffer)
{
    return qHashBits(preBuffer.data(), preBuffer.size());
}

void TCandidateFinder::RememberFingerprint(int32_t index, const TPreBuffer &preBuffer)
{
    m_fingerprints[fingerprintHash(preBuffer)].push_back(index);
}

std::size_t TCandidateFinder::MemoryUsage() const
{
    std::size_t bytes = m_index.MemoryUsage();
    for (const auto &[hash, indexes] : m_fingerprints)
        bytes += sizeof hash + sizeof indexes + indexes.capacity() * sizeof(int32_t) + 2 * sizeof(void *);
    return bytes;
}
