#include "engine/compare/signingpipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;

namespace
{

constexpr auto kShortLimit = 200ms;

// A decode that hangs on the path "stuck" until released, telling when it has started; any other
// path signs at once with its length as height, so that results can be told apart.
struct THangingSigner {
    std::shared_ptr<std::promise<void>> start = std::make_shared<std::promise<void>>();
    std::future<void> started = start->get_future();
    std::shared_ptr<std::promise<void>> release = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    std::shared_ptr<std::atomic<int>> finished = std::make_shared<std::atomic<int>>(0);

    TPictureSigner signer() const
    {
        return [start = start, released = released, finished = finished](const QByteArray &path, const TSettings &) {
            if (path == "stuck") {
                start->set_value();
                released.wait();
            }
            ++*finished;
            TPictureSignature signature;
            signature.Height = int32_t(path.size());
            return std::optional(signature);
        };
    }
};

}

TEST(SigningPipeline, PictureThatDecodesTooLongIsSkippedAndTheRestFollow)
{
    THangingSigner hanging;
    const auto start = std::chrono::steady_clock::now();
    {
        TSigningPipeline pipeline(
            { "a", "stuck", "ccc", "dddd", "eeeee" }, TSettings {}, 1, 2, kShortLimit, hanging.signer());
        ASSERT_EQ(pipeline.Take(0)->Height, 1);
        EXPECT_FALSE(pipeline.Take(1));
        EXPECT_GE(std::chrono::steady_clock::now() - start, kShortLimit);
        // The only worker is still stuck: a fresh one must carry on.
        EXPECT_EQ(pipeline.Take(2)->Height, 3);
        EXPECT_EQ(pipeline.Take(3)->Height, 4);
        EXPECT_EQ(pipeline.Take(4)->Height, 5);
    }
    // The pipeline is gone while the stuck decode still runs; its late result goes nowhere.
    EXPECT_EQ(*hanging.finished, 4);
    hanging.release->set_value();
    EXPECT_TRUE(WaitForLeftBehindWorkers(5s));
    EXPECT_EQ(*hanging.finished, 5);
}

TEST(SigningPipeline, PictureShortOfMemoryIsSkippedAndAnyOtherErrorReachesTheTaker)
{
    const auto throwing = [](const QByteArray &path, const TSettings &) {
        if (path == "no memory")
            throw std::bad_alloc();
        if (path == "broken")
            throw std::runtime_error("decoder broke");
        TPictureSignature signature;
        signature.Height = int32_t(path.size());
        return std::optional(signature);
    };
    TSigningPipeline pipeline({ "a", "no memory", "ccc", "broken", "eeeee" }, TSettings {}, 2, 4, 1s, throwing);
    EXPECT_EQ(pipeline.Take(0)->Height, 1);
    EXPECT_FALSE(pipeline.Take(1));
    EXPECT_EQ(pipeline.Take(2)->Height, 3);
    try {
        pipeline.Take(3);
        ADD_FAILURE() << "the signer's error was swallowed";
    } catch (const std::runtime_error &error) {
        EXPECT_STREQ(error.what(), "decoder broke");
    }
    EXPECT_EQ(pipeline.Take(4)->Height, 5);
}

TEST(SigningPipeline, StoppingLeavesALongDecodeBehindAfterAShortGrace)
{
    THangingSigner hanging;
    const auto start = std::chrono::steady_clock::now();
    {
        // The decode is well within its time limit: stopping must still not wait for it.
        TSigningPipeline pipeline({ "stuck", "b" }, TSettings {}, 1, 4, kMaxDecodeTime, hanging.signer());
        hanging.started.wait();
    }
    const auto stopped = std::chrono::steady_clock::now() - start;
    EXPECT_GE(stopped, kStopGrace);
    EXPECT_LT(stopped, kMaxDecodeTime / 2);
    EXPECT_FALSE(WaitForLeftBehindWorkers(0ms));
    // The worker ends on its own once its decode does, and the program can then exit cleanly.
    hanging.release->set_value();
    EXPECT_TRUE(WaitForLeftBehindWorkers(5s));
    EXPECT_EQ(*hanging.finished, 1);
}

TEST(SigningPipeline, StoppingAwaitsADecodeThatEndsWithinTheGrace)
{
    const auto finished = std::make_shared<std::atomic<int>>(0);
    const auto start = std::make_shared<std::promise<void>>();
    std::future<void> started = start->get_future();
    // The decode takes a third of the grace from its start on.
    const auto quick = [finished, start](const QByteArray &, const TSettings &) {
        start->set_value();
        std::this_thread::sleep_for(kStopGrace / 3);
        ++*finished;
        return std::optional(TPictureSignature {});
    };
    {
        TSigningPipeline pipeline({ "a" }, TSettings {}, 1, 4, kMaxDecodeTime, quick);
        started.wait();
    }
    EXPECT_EQ(*finished, 1);
}

TEST(SigningPipeline, SlowButTimelyDecodesAreAwaited)
{
    const auto slow = [](const QByteArray &path, const TSettings &) {
        std::this_thread::sleep_for(50ms);
        TPictureSignature signature;
        signature.Height = int32_t(path.size());
        return std::optional(signature);
    };
    TSigningPipeline pipeline({ "a", "bb", "ccc", "dddd" }, TSettings {}, 2, 2, 1s, slow);
    for (int32_t k = 0; k < 4; ++k) {
        const auto signature = pipeline.Take(k);
        ASSERT_TRUE(signature) << k;
        EXPECT_EQ(signature->Height, k + 1);
    }
}
