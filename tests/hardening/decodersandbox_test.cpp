// What a sound decoder taken over by a crafted file could try once it is in
// its sandbox: each attempt must be refused. Every row runs in a child
// process of its own, since the sandbox cannot be left.

#include "qt/platform/sound/decodersandbox.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>

namespace {

constexpr int kRefused = 10;
constexpr int kAllowed = 11;
constexpr int kNoFilter = 12;

struct Attempt {
    const char *what;
    // True when the attempt got what it asked for.
    bool (*succeeds)(const std::string &scratch);
};

const Attempt kAttempts[] = {
    {"read /etc/passwd", [](const std::string &) { return ::open("/etc/passwd", O_RDONLY | O_CLOEXEC) >= 0; }},
    {"create a file",
     [](const std::string &scratch) {
         return ::open((scratch + "/made").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600) >= 0
             || ::access((scratch + "/made").c_str(), F_OK) == 0;
     }},
    {"open a TCP socket", [](const std::string &) { return ::socket(AF_INET, SOCK_STREAM, 0) >= 0; }},
    {"open a Unix socket", [](const std::string &) { return ::socket(AF_UNIX, SOCK_STREAM, 0) >= 0; }},
    {"run /bin/true",
     [](const std::string &) {
         char *const argv[] = {const_cast<char *>("/bin/true"), nullptr};
         ::execv("/bin/true", argv); // on success the child ends with 0, neither answer
         return false;
     }},
    {"start a process",
     [](const std::string &) {
         const pid_t child = ::fork();
         if (child == 0)
             ::_exit(kAllowed);
         return child > 0;
     }},
    {"signal another process", [](const std::string &) { return ::kill(::getppid(), 0) == 0; }},
};

void PrintTo(const Attempt &attempt, std::ostream *out)
{
    *out << attempt.what;
}

class DecoderSandbox : public testing::TestWithParam<Attempt>
{
};

TEST_P(DecoderSandbox, refuses)
{
    char folder[] = "/tmp/drillix-sandbox.XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string scratch = folder;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!drillix::enterDecoderSandbox().filtered)
            ::_exit(kNoFilter);
        ::_exit(GetParam().succeeds(scratch) ? kAllowed : kRefused);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::unlink((scratch + "/made").c_str());
    ::rmdir(folder);
    if (WIFEXITED(status) && WEXITSTATUS(status) == kNoFilter)
        GTEST_SKIP() << "this kernel or container refuses a system call filter";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kRefused)
        << GetParam().what << " was not refused (wait status " << status << ")";
}

INSTANTIATE_TEST_SUITE_P(Attempts, DecoderSandbox, testing::ValuesIn(kAttempts),
                         [](const testing::TestParamInfo<Attempt> &info) {
                             std::string name;
                             for (const char *c = info.param.what; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                             return name;
                         });

// A kernel that refuses the filter: the decoder's line gives the kernel's
// reason, here an error of a filter already in place.
TEST(DecoderSandboxRefused, SaysWhy)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        scmp_filter_ctx first = seccomp_init(SCMP_ACT_ALLOW);
        const bool loaded = first && ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
                            && seccomp_rule_add(first, SCMP_ACT_ERRNO(EMLINK), SCMP_SYS(seccomp), 0) == 0
                            && seccomp_rule_add(first, SCMP_ACT_ERRNO(EMLINK), SCMP_SYS(prctl), 1,
                                                SCMP_A0(SCMP_CMP_EQ, PR_SET_SECCOMP)) == 0
                            && seccomp_load(first) == 0;
        if (!loaded)
            ::_exit(kNoFilter);
        const drillix::SandboxState state = drillix::enterDecoderSandbox();
        ::_exit(!state.filtered && state.problem.find(std::strerror(EMLINK)) != std::string::npos ? kRefused
                                                                                                 : kAllowed);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == kNoFilter)
        GTEST_SKIP() << "this kernel or container refuses a system call filter";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kRefused) << "wait status " << status;
}

} // namespace
