#include "engine/ProbePool.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A pool whose probes answer with the path as the duration; a path starting
// with "hold" runs until its prober is told to stop.
struct Probes {
    std::mutex Lock;
    std::condition_variable Changed;
    std::vector<std::string> Started;
    std::map<std::uint64_t, std::string> Results;
    std::set<std::thread::id> Threads;
    std::unique_ptr<ProbePool> Pool;

    struct Prober : MediaProber {
        Probes& P;
        std::function<bool()> Stop;
        Prober(Probes& p, std::function<bool()> stop) : P(p), Stop(std::move(stop)) {}
        ProbeResult ProbeMedia(const std::string& path) override {
            P.Note(
                [&] { P.Started.push_back(path), P.Threads.insert(std::this_thread::get_id()); });
            while (path.starts_with("hold") && !Stop())
                std::this_thread::sleep_for(2ms);
            return ProbeResult{path, "", "", "", ""};
        }
    };

    explicit Probes(unsigned workers) {
        Pool = std::make_unique<ProbePool>(
            [this](std::function<bool()> stop) { return std::make_unique<Prober>(*this, stop); },
            [this](std::uint64_t id, const std::string& path, const ProbeResult& r) {
                EXPECT_EQ(r.Duration, path);
                Note([&] { Results[id] = path; });
            },
            workers);
    }
    template <class F> void Note(F change) {
        std::lock_guard<std::mutex> lock(Lock);
        change();
        Changed.notify_all();
    }
    template <class F> bool WaitFor(F done) {
        std::unique_lock<std::mutex> lock(Lock);
        return Changed.wait_for(lock, 20s, done);
    }
};

TEST(ProbePool, EveryProbeIsAnsweredOnceUnderItsIdByNoMoreThanTheWorkers) {
    Probes p(3);
    std::map<std::uint64_t, std::string> asked;
    for (int i = 1; i <= 40; ++i) {
        asked[static_cast<std::uint64_t>(i * 3)] = "clip" + std::to_string(i);
        p.Pool->Submit(static_cast<std::uint64_t>(i * 3), "clip" + std::to_string(i));
    }
    ASSERT_TRUE(p.WaitFor([&] { return p.Results.size() == asked.size(); }));
    EXPECT_EQ(p.Results, asked);
    EXPECT_LE(p.Threads.size(), 3u);
}

TEST(ProbePool, CancelledProbesAreDroppedOrStoppedAndNeverAnswered) {
    Probes p(1);
    const std::uint64_t running = 1, queued = 2;
    p.Pool->Submit(running, "hold-a");
    p.Pool->Submit(queued, "b");
    p.Pool->Submit(3, "c");
    ASSERT_TRUE(p.WaitFor([&] { return p.Started.size() == 1; }));
    EXPECT_EQ(p.Pool->Outstanding(), 3u);
    p.Pool->Cancel(queued);
    p.Pool->Cancel(running);
    ASSERT_TRUE(p.WaitFor([&] { return p.Results.size() == 1; }));
    EXPECT_EQ(p.Results.begin()->second, "c");

    p.Pool->Submit(4, "hold-d");
    ASSERT_TRUE(p.WaitFor([&] { return p.Started.size() == 3; }));
    p.Pool->Submit(5, "e");
    p.Pool->CancelAll();
    while (p.Pool->Outstanding() > 0)
        std::this_thread::sleep_for(2ms);
    EXPECT_EQ(p.Started, (std::vector<std::string>{"hold-a", "c", "hold-d"}));
    EXPECT_EQ(p.Results.size(), 1u);

    // Destroyed with probes running and waiting: it stops the running ones,
    // drops the rest and returns once its workers have ended.
    for (int i = 0; i < 5; ++i)
        p.Pool->Submit(static_cast<std::uint64_t>(10 + i), "hold" + std::to_string(i));
    ASSERT_TRUE(p.WaitFor([&] { return p.Started.size() == 4; }));
    p.Pool.reset();
    EXPECT_EQ(p.Started.size(), 4u);
    EXPECT_EQ(p.Results.size(), 1u);
}

} // namespace
