#include "engine/ProbePool.h"

#include "engine/EncoderProber.h"
#include "engine/Runner.h"

#include <algorithm>
#include <exception>

unsigned ProbePool::DefaultWorkers() {
    return std::max(1u, std::thread::hardware_concurrency());
}

namespace {
// An encoder prober with the runner it uses.
class OwnEncoderProber : public MediaProber {
public:
    OwnEncoderProber(const std::string& encoderPath, std::function<bool()> stop)
        : FRunner(encoderPath), FProber(FRunner) {
        FProber.SetStopCheck(std::move(stop));
    }
    ProbeResult ProbeMedia(const std::string& path) override { return FProber.ProbeMedia(path); }

private:
    EncoderRunner FRunner;
    EncoderProber FProber;
};
} // namespace

ProbePool::ProberFactory ProbePool::EncoderProbers(const std::string& encoderPath) {
    return [encoderPath](std::function<bool()> stop) -> std::unique_ptr<MediaProber> {
        return std::make_unique<OwnEncoderProber>(encoderPath, std::move(stop));
    };
}

ProbePool::ProbePool(ProberFactory makeProber, ResultHandler done, unsigned workers)
    : FMakeProber(std::move(makeProber)), FDone(std::move(done)),
      FWorkerCount(workers ? workers : DefaultWorkers()) {}

ProbePool::~ProbePool() {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FShutdown = true;
        FQueue.clear();
        for (auto& w : FWorkers)
            w->Stop = true;
    }
    FWake.notify_all();
    for (auto& w : FWorkers)
        if (w->Thread.joinable()) w->Thread.join();
}

void ProbePool::Submit(std::uint64_t id, const std::string& path) {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FQueue.push_back({id, path});
        // Workers start with the first probes and then stay for the pool's
        // life: the encoders they start end with their thread.
        if (FWorkers.size() < FWorkerCount) {
            size_t idle = 0;
            for (const auto& w : FWorkers)
                idle += w->Current == 0 ? 1 : 0;
            if (idle < FQueue.size()) {
                FWorkers.push_back(std::make_unique<Worker>());
                Worker& w = *FWorkers.back();
                w.Thread = std::thread([this, &w] { Work(w); });
            }
        }
    }
    FWake.notify_one();
}

void ProbePool::Cancel(std::uint64_t id) {
    std::lock_guard<std::mutex> lock(FLock);
    auto queued =
        std::find_if(FQueue.begin(), FQueue.end(), [id](const Job& j) { return j.Id == id; });
    if (queued != FQueue.end()) {
        FQueue.erase(queued);
        return;
    }
    for (auto& w : FWorkers)
        if (w->Current == id) w->Stop = true;
}

void ProbePool::CancelAll() {
    std::lock_guard<std::mutex> lock(FLock);
    FQueue.clear();
    for (auto& w : FWorkers)
        if (w->Current != 0) w->Stop = true;
}

std::size_t ProbePool::Outstanding() const {
    std::lock_guard<std::mutex> lock(FLock);
    size_t running = 0;
    for (const auto& w : FWorkers)
        running += w->Current != 0 ? 1 : 0;
    return FQueue.size() + running;
}

void ProbePool::Work(Worker& self) {
    std::unique_ptr<MediaProber> prober = FMakeProber([this, &self] {
        std::lock_guard<std::mutex> lock(FLock);
        return self.Stop;
    });
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        FWake.wait(lock, [this] { return FShutdown || !FQueue.empty(); });
        if (FShutdown) return;
        Job job = std::move(FQueue.front());
        FQueue.pop_front();
        self.Current = job.Id;
        self.Stop = false;
        lock.unlock();

        ProbeResult result;
        try {
            result = prober->ProbeMedia(job.Path);
        } catch (const std::exception& e) {
            result = ProbeResult{};
            result.Problem = e.what();
        } catch (...) {
            result = ProbeResult{};
            result.Problem = "the probe failed";
        }

        lock.lock();
        const bool deliver = !self.Stop && !FShutdown;
        // The result leaves before the worker counts as idle, so that an
        // owner that sees nothing outstanding has every result in hand.
        if (deliver) {
            lock.unlock();
            FDone(job.Id, job.Path, result);
            lock.lock();
        }
        self.Current = 0;
        self.Stop = false;
    }
}
