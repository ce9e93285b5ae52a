#pragma once

// The process's resident memory, from /proc/self/status (Linux).

#include <fstream>
#include <string>

namespace drillix::test {

// VmRSS or VmHWM (peak) in kB; -1 when it cannot be read.
inline long statusKb(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == std::string(field) + ":") {
            long kb = -1;
            status >> kb;
            return kb;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

inline long residentKb() { return statusKb("VmRSS"); }
inline long peakResidentKb() { return statusKb("VmHWM"); }

// Starts the peak over from the present figure; false where the kernel does
// not allow it.
inline bool resetPeakResident()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return bool(clear);
}

} // namespace drillix::test
