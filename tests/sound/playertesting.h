#pragma once

// Collects what a player reports, for tests to wait on and inspect.

#include "qt/sound/ffmpegsoundoutput.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace drillix::soundtest {

class EventLog
{
public:
    using Kind = SoundEvent::Kind;

    FfmpegSoundOutput::Listener listener()
    {
        return [this](const SoundEvent &event) {
            std::lock_guard lock(mutex_);
            events_.push_back(event);
            changed_.notify_all();
        };
    }

    // Waits until there have been times such events; the limit only keeps
    // a broken player from hanging the test run.
    bool waitFor(Kind kind, const std::string &path, int times = 1)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return countLocked(kind, path) >= times; });
    }

    int count(Kind kind, const std::string &path)
    {
        std::lock_guard lock(mutex_);
        return countLocked(kind, path);
    }

    std::vector<SoundEvent> events()
    {
        std::lock_guard lock(mutex_);
        return events_;
    }

    // Position of the first such event, or -1.
    int indexOf(Kind kind, const std::string &path)
    {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < events_.size(); ++i)
            if (events_[i].kind == kind && events_[i].path == path)
                return int(i);
        return -1;
    }

private:
    int countLocked(Kind kind, const std::string &path) const
    {
        int n = 0;
        for (const auto &event : events_)
            n += event.kind == kind && event.path == path;
        return n;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<SoundEvent> events_;
};

} // namespace drillix::soundtest
