#pragma once

// The sound decoder's sandbox. Sound files are replaced by files people
// download, and FFmpeg's parsers are where media programs get attacked, so
// the decoder opens the files it was asked for and then, before it parses a
// byte of them, drops every right it does not need: it can still read and
// seek its open files, write to its open pipe, manage its memory and end,
// but not open a file, a socket or a process. Standard C++ and libseccomp.

#include <string>

// Set in a build with AddressSanitizer, by GCC's macro or clang's feature
// test: such a build needs a few more rights and a larger address space.
#if defined(__SANITIZE_ADDRESS__)
#define DRILLIX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DRILLIX_ADDRESS_SANITIZER 1
#endif
#endif

namespace drillix {

struct SandboxState {
    // The system call filter is in place (the wall that matters).
    bool filtered = false;
    // Landlock forbids all file access too (a second wall; many kernels
    // lack it).
    bool landlocked = false;
    // Why the filter is missing, when it is.
    std::string problem;
};

// Irreversible for the calling thread and every thread or process it starts
// later (the decoder has one thread); call it once every file to decode is
// open. Without a filter the thread goes on unconfined, which problem says.
SandboxState enterDecoderSandbox();

} // namespace drillix
