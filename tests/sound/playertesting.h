#pragma once

// Collects what a player reports, for tests to wait on and inspect.

#include "qt/platform/sound/pulsesoundoutput.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace drillix::soundtest {

// The decoder program as built.
inline const std::string kDecoder = DRILLIX_SOUND_DECODER;

class EventLog
{
public:
    using Kind = SoundEvent::Kind;
    // An event with the moment the player told it.
    struct Entry : SoundEvent {
        std::chrono::steady_clock::time_point when;
    };

    SoundListener listener()
    {
        return [this](const SoundEvent &event) {
            const auto now = std::chrono::steady_clock::now();
            std::lock_guard lock(m_mutex);
            m_events.push_back({event, now});
            m_changed.notify_all();
        };
    }

    // Waits until there have been times such events; the limit only keeps
    // a broken player from hanging the test run.
    bool waitFor(Kind kind, const std::string &path, int times = 1)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(30), [&] { return countLocked(kind, path) >= times; });
    }

    int count(Kind kind, const std::string &path)
    {
        std::lock_guard lock(m_mutex);
        return countLocked(kind, path);
    }

    std::vector<Entry> events()
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

    // Position of the first such event, or -1.
    int indexOf(Kind kind, const std::string &path)
    {
        std::lock_guard lock(m_mutex);
        for (std::size_t i = 0; i < m_events.size(); ++i)
            if (m_events[i].kind == kind && m_events[i].path == path)
                return int(i);
        return -1;
    }

private:
    int countLocked(Kind kind, const std::string &path) const
    {
        int n = 0;
        for (const auto &event : m_events)
            n += event.kind == kind && event.path == path;
        return n;
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Entry> m_events;
};

} // namespace drillix::soundtest
