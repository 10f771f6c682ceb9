#pragma once
// Probes added files on worker threads, several at once, so that adding a
// thousand files neither blocks the window nor waits for one encoder after
// the other. Each worker has a prober of its own (an encoder run is one at a
// time); results go back through a callback on the worker's thread, and the
// owner hands them to its own thread.
#include "tasks/Probe.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ProbePool {
public:
    // Makes the prober of one worker, on that worker's thread (a child
    // process lives only as long as the thread that started it). stop tells
    // whether the prober should give up the probe it runs.
    using ProberFactory = std::function<std::unique_ptr<MediaProber>(std::function<bool()> stop)>;
    // A finished probe: the id it was submitted with, the path and what was
    // found. Called on a worker thread; never for a probe cancelled before
    // it ended.
    using ResultHandler =
        std::function<void(std::uint64_t id, const std::string& path, const ProbeResult&)>;

    // workers: how many probes run at once; 0 means one per core.
    ProbePool(ProberFactory makeProber, ResultHandler done, unsigned workers = 0);
    // Drops the probes not started, ends the running ones and waits for the
    // workers.
    ~ProbePool();
    ProbePool(const ProbePool&) = delete;
    ProbePool& operator=(const ProbePool&) = delete;

    // Queues a probe of path under id (not 0, and not the id of another
    // probe queued or running): its result comes back with it.
    void Submit(std::uint64_t id, const std::string& path);
    // A probe not started yet is dropped; a running one is told to stop (its
    // encoder is asked to end) and its result is not delivered. A result
    // whose delivery has begun still arrives, and one handed on to another
    // thread may arrive after this returns: the owner drops what it no
    // longer wants.
    void Cancel(std::uint64_t id);
    void CancelAll();
    // Probes queued or running.
    std::size_t Outstanding() const;
    unsigned Workers() const { return FWorkerCount; }

    // One per core, at least one.
    static unsigned DefaultWorkers();

    // Workers that probe with the encoder at encoderPath (with its time
    // limit), each over an encoder runner of its own.
    static ProberFactory EncoderProbers(const std::string& encoderPath);

private:
    struct Job {
        std::uint64_t Id;
        std::string Path;
    };
    struct Worker {
        std::thread Thread;
        std::uint64_t Current = 0; // the id being probed, 0 when idle
        bool Stop = false;         // the running probe is to be given up
    };
    void Work(Worker& self);

    ProberFactory FMakeProber;
    ResultHandler FDone;
    unsigned FWorkerCount;
    mutable std::mutex FLock;
    std::condition_variable FWake;
    std::deque<Job> FQueue;
    std::vector<std::unique_ptr<Worker>> FWorkers;
    bool FShutdown = false;
};
