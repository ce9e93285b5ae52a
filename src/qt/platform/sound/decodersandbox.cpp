#include "qt/platform/sound/decodersandbox.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace drillix {

namespace {

// What decoding and writing samples to the open pipe need, measured with
// strace on every sound the quiz ships and every file of the fuzz corpus.
// Anything else fails with EPERM: a file, socket or process cannot be made.
constexpr const char *kAllowed[] = {
    "read", "lseek", // the sound files, opened before
    "write", // samples to the pipe, one line to standard error
    "close", // the files, once decoded
    "brk", "munmap", "mremap", "madvise", // memory; mmap and mprotect below, never executable
    "futex", // locks inside the C library and FFmpeg, even with one thread
    "clock_gettime", "clock_getres", "gettimeofday", // time, where the vDSO cannot answer
    "rt_sigprocmask", "getpid", "gettid", // abort(), with tgkill below, when FFmpeg finds itself broken
    "rt_sigreturn", "exit", "exit_group",
#ifdef DRILLIX_ADDRESS_SANITIZER
    // AddressSanitizer's leak check at exit starts a tracer that shares the
    // process's memory (clone with CLONE_VM, below), lets it trace (prctl),
    // stops and reads every thread (ptrace, wait4, getppid, sched_yield),
    // lists them and the mappings from /proc (open and openat for reading,
    // below, getdents, getdents64, readlink), and handles its own faults
    // (rt_sigaction, sigaltstack): allowed in that build only, measured with
    // the filter in logging mode.
    "prctl", "ptrace", "wait4", "getppid", "sched_yield", "getdents", "getdents64", "readlink", "rt_sigaction",
    "sigaltstack",
#endif
};

// Forbids all file access; a sanitizer build keeps reading /proc, where the
// leak check's tracer lists threads and mappings.
bool landlockFiles()
{
    const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1)
        return false; // ENOSYS or EOPNOTSUPP: the kernel offers no Landlock
    // Every file access right the kernel knows: 13 in the first version,
    // one more in each of versions 2, 3 and 5. Only a rule can grant one.
    const int rights = abi >= 5 ? 16 : abi >= 3 ? 15 : abi >= 2 ? 14 : 13;
    // Fields that newer kernels' headers add (network, scopes) stay zero;
    // they are not named, so that the code builds with every header.
    landlock_ruleset_attr attributes{};
    attributes.handled_access_fs = (std::uint64_t{1} << rights) - 1;
    const long ruleset = ::syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0);
    if (ruleset < 0)
        return false;
    bool ok = true;
#ifdef DRILLIX_ADDRESS_SANITIZER
    const landlock_path_beneath_attr proc{.allowed_access = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR,
                                          .parent_fd = ::open("/proc", O_PATH | O_CLOEXEC)};
    ok = proc.parent_fd >= 0 && ::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &proc, 0) == 0;
    if (proc.parent_fd >= 0)
        ::close(proc.parent_fd);
#endif
    ok = ok && ::syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    ::close(int(ruleset));
    return ok;
}

std::string installFilter()
{
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ERRNO(EPERM));
    if (!filter)
        return "cannot set up a system call filter";
    bool ok = true;
    // A call this architecture lacks needs no rule.
    const auto allow = [&](int call, std::initializer_list<scmp_arg_cmp> conditions = {}) {
        if (call != __NR_SCMP_ERROR)
            ok &= seccomp_rule_add_array(filter, SCMP_ACT_ALLOW, call, conditions.size(), conditions.begin()) == 0;
    };
    for (const char *name : kAllowed)
        allow(seccomp_syscall_resolve_name(name));
#ifdef DRILLIX_ADDRESS_SANITIZER
    // A tracer sharing memory, never a separate process; files opened for
    // reading only.
    allow(SCMP_SYS(clone), {SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_VM, CLONE_VM)});
    const scmp_datum_t writing = O_ACCMODE | O_CREAT | O_TRUNC | O_APPEND;
    allow(SCMP_SYS(open), {SCMP_A1(SCMP_CMP_MASKED_EQ, writing, O_RDONLY)});
    allow(SCMP_SYS(openat), {SCMP_A2(SCMP_CMP_MASKED_EQ, writing, O_RDONLY)});
#endif
    // No new executable memory: code smuggled in by a crafted file cannot
    // be made to run that way.
    for (const int call : {SCMP_SYS(mmap), SCMP_SYS(mprotect)})
        allow(call, {SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)});
    // Signals to itself only, never to another process.
    allow(SCMP_SYS(tgkill), {SCMP_A0(SCMP_CMP_EQ, scmp_datum_t(::getpid()), 0)});
    const int loaded = ok ? seccomp_load(filter) : 0;
    // libseccomp gives ECANCELED, or with its raw codes an error of its
    // own probes, for any refusal: the kernel's reason is in errno.
    const std::string refusal = std::strerror(errno);
    seccomp_release(filter);
    return !ok ? "cannot describe the system call filter"
         : loaded == 0 ? "" : "the kernel refuses a system call filter: " + refusal;
}

} // namespace

SandboxState enterDecoderSandbox()
{
    // Also what lets an unprivileged process install the filter and the
    // Landlock ruleset: neither can be lifted by a set-user-ID program.
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return {.problem = std::string("cannot forbid new privileges: ") + std::strerror(errno)};
    // Landlock before the filter, which forbids the Landlock calls themselves.
    const bool landlocked = landlockFiles();
    const std::string problem = installFilter();
    return {problem.empty(), landlocked, problem};
}

} // namespace drillix
