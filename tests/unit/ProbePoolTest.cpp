#include "engine/ProbePool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Probes answer with the path as the duration. A path starting with "hold"
// blocks until released or told to stop.
struct Shared {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Released = false;
    std::vector<std::string> Started;
    std::map<std::uint64_t, std::string> Results;
    std::set<std::thread::id> Threads;

    // Waits (at most a generous while) until done() holds.
    template <class F> bool WaitFor(F done) {
        std::unique_lock<std::mutex> lock(Lock);
        return Changed.wait_for(lock, 20s, done);
    }
};

struct HoldingProber : MediaProber {
    Shared& S;
    std::function<bool()> Stop;
    HoldingProber(Shared& s, std::function<bool()> stop) : S(s), Stop(std::move(stop)) {}
    ProbeResult ProbeMedia(const std::string& path) override {
        {
            std::lock_guard<std::mutex> lock(S.Lock);
            S.Started.push_back(path);
            S.Threads.insert(std::this_thread::get_id());
        }
        S.Changed.notify_all();
        while (path.starts_with("hold") && !Stop()) {
            std::unique_lock<std::mutex> lock(S.Lock);
            if (S.Changed.wait_for(lock, 5ms, [&] { return S.Released; })) break;
        }
        ProbeResult r;
        r.Duration = path;
        return r;
    }
};

std::unique_ptr<ProbePool> NewPool(Shared& s, unsigned workers) {
    return std::make_unique<ProbePool>(
        [&s](std::function<bool()> stop) { return std::make_unique<HoldingProber>(s, stop); },
        [&s](std::uint64_t ticket, const std::string& path, const ProbeResult& r) {
            EXPECT_EQ(r.Duration, path);
            std::lock_guard<std::mutex> lock(s.Lock);
            s.Results[ticket] = path;
            s.Changed.notify_all();
        },
        workers);
}

TEST(ProbePool, EveryProbeIsAnsweredOnceUnderItsTicketByNoMoreThanTheWorkers) {
    Shared s;
    auto pool = NewPool(s, 3);
    std::map<std::uint64_t, std::string> asked;
    for (int i = 0; i < 40; ++i) {
        std::string path = "clip" + std::to_string(i) + ".avi";
        asked[pool->Submit(path)] = path;
    }
    ASSERT_TRUE(s.WaitFor([&] { return s.Results.size() == asked.size(); }));
    EXPECT_EQ(s.Results, asked);
    EXPECT_LE(s.Threads.size(), 3u);
    EXPECT_GE(ProbePool::DefaultWorkers(), 1u);
}

TEST(ProbePool, CancelledProbesAreDroppedOrStoppedAndNeverAnswered) {
    Shared s;
    auto pool = NewPool(s, 1);
    std::uint64_t running = pool->Submit("hold-a");
    std::uint64_t queued = pool->Submit("b");
    pool->Submit("c");
    ASSERT_TRUE(s.WaitFor([&] { return s.Started.size() == 1; }));
    EXPECT_EQ(pool->Outstanding(), 3u);
    pool->Cancel(queued);  // never started
    pool->Cancel(running); // its prober is told to stop
    ASSERT_TRUE(s.WaitFor([&] { return s.Results.size() == 1; }));
    EXPECT_EQ(s.Results.begin()->second, "c");
    EXPECT_EQ(s.Started, (std::vector<std::string>{"hold-a", "c"}));

    // Clearing everything: the running one stops, the queued ones never run.
    pool->Submit("hold-d");
    ASSERT_TRUE(s.WaitFor([&] { return s.Started.size() == 3; }));
    pool->Submit("e");
    pool->CancelAll();
    for (int i = 0; i < 2000 && pool->Outstanding() > 0; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(pool->Outstanding(), 0u);
    EXPECT_EQ(s.Results.size(), 1u);
    EXPECT_EQ(s.Started.size(), 3u);
}

TEST(ProbePool, DestroyingThePoolStopsTheRunningProbesAndDropsTheRest) {
    Shared s;
    auto pool = NewPool(s, 2);
    for (int i = 0; i < 10; ++i)
        pool->Submit("hold" + std::to_string(i));
    ASSERT_TRUE(s.WaitFor([&] { return s.Started.size() == 2; }));
    pool.reset(); // returns only once both workers have ended
    EXPECT_EQ(s.Started.size(), 2u);
    EXPECT_TRUE(s.Results.empty());
}

} // namespace
