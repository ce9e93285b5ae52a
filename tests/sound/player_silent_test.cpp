// The player where no audio server can be reached: every request ends in
// silence, and nothing blocks the caller or the player's end.

#include "playertesting.h"
#include "soundtesttools.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace drillix;
using namespace drillix::soundtest;
using namespace std::chrono_literals;

namespace {

using Kind = SoundEvent::Kind;

// Runs body in a child process, ended by an alarm if it hangs; its wait
// status.
int inChild(const std::function<int()> &body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10);
        ::_exit(body());
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return status;
}

TEST(PlayerWithoutDevice, EveryRequestEndsInSilence)
{
    TempDir dir;
    writeFile(dir.file("garbage.wma"), std::string(5000, '\x5a'));
    ASSERT_EQ(::mkfifo(dir.file("fifo.wma").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(dir.file("folder.wma").c_str(), 0700), 0);

    EventLog log;
    PulseSoundOutput player(kDecoder, log.listener());
    for (const std::string &path : {dir.file("garbage.wma"), dir.file("fifo.wma"), dir.file("folder.wma"),
                                   dir.file("missing.wma"), std::string()}) {
        player.play(path, 37);
        ASSERT_TRUE(log.waitFor(Kind::Silent, path)) << path;
    }
    for (const auto &event : log.events()) {
        EXPECT_EQ(event.kind, Kind::Silent);
        EXPECT_EQ(event.detail, "no usable audio device");
    }
}

TEST(PlayerWithoutDevice, AFloodOfRequestsEndsWithTheLast)
{
    EventLog log;
    {
        PulseSoundOutput player(kDecoder, log.listener());
        for (int i = 0; i < 2000; ++i)
            player.play("/nonexistent/" + std::to_string(i) + ".wma", i % 150 - 20);
        ASSERT_TRUE(log.waitFor(Kind::Silent, "/nonexistent/1999.wma"));
    }
    const auto events = log.events();
    // Requests not yet taken up are replaced, never queued behind each other.
    EXPECT_LE(events.size(), 2000u);
    EXPECT_EQ(events.back().path, "/nonexistent/1999.wma");
}

TEST(PlayerWithoutDevice, EndsCleanlyAtAnyPoint)
{
    // Never used, used once, and ended while its thread is still starting.
    { PulseSoundOutput unused(kDecoder); }
    for (int i = 0; i < 20; ++i) {
        PulseSoundOutput player(kDecoder);
        player.play("/nonexistent.wma", 37);
    }
    EventLog log;
    PulseSoundOutput player(kDecoder, log.listener());
    player.play("/nonexistent.wma", 37);
    EXPECT_TRUE(log.waitFor(Kind::Silent, "/nonexistent.wma"));
}

// Standard error is a full pipe that nobody reads, as under a terminal
// paused with Ctrl+S, when the player warns that there is no server; or, as
// well, the player's thread is held up for good. With an application the
// warning goes to its thread, which the program's end-to-end tests cover.
TEST(PlayerWithoutDevice, NeitherPlayNorTheEndWaitsOnABlockedWriteOrThread)
{
    for (const bool stuck : {false, true}) {
        SCOPED_TRACE(stuck ? "the player's thread stuck" : "standard error blocked");
        int result[2];
        ASSERT_EQ(::pipe(result), 0);
        const int status = inChild([&] {
            int full[2];
            if (::pipe2(full, O_NONBLOCK) != 0)
                return 2;
            for (const std::string block(4096, 'x'); ::write(full[1], block.data(), block.size()) > 0;) {
            }
            ::fcntl(full[1], F_SETFL, 0);
            ::dup2(full[1], STDERR_FILENO);
            // The player's thread blocks every signal: pause() never returns.
            const SoundListener holdUp = [](const SoundEvent &) { ::pause(); };
            auto player = std::make_unique<PulseSoundOutput>(kDecoder, stuck ? holdUp : SoundListener());
            player->play("/nonexistent/first.wma", 37);
            std::this_thread::sleep_for(300ms); // the failed connection is warned about
            using Clock = std::chrono::steady_clock;
            const auto start = Clock::now();
            player->play("/nonexistent/second.wma", 37);
            const auto played = Clock::now();
            player.reset();
            const double times[2] = {std::chrono::duration<double, std::milli>(played - start).count(),
                                     std::chrono::duration<double, std::milli>(Clock::now() - played).count()};
            return ::write(result[1], times, sizeof times) == sizeof times ? 0 : 3;
        });
        double times[2] = {-1, -1};
        ::close(result[1]);
        EXPECT_EQ(::read(result[0], times, sizeof times), ssize_t(sizeof times));
        ::close(result[0]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
        EXPECT_LT(times[0], 50) << "play() took " << times[0] << " ms";
        EXPECT_LT(times[1], stuck ? 1000 : 100) << "the player's end took " << times[1] << " ms";
    }
}

// Under a tight address space limit libpulse cannot map its memory pool:
// silence, never an abort.
TEST(PlayerWithoutDevice, ATightAddressSpaceLimitMeansSilence)
{
    const int status = inChild([] {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line) && line.rfind("VmSize:", 0) != 0) {
        }
        // Room for the player's thread, not for the pool's 64 MiB.
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = (std::stoul(line.substr(7)) + 32 * 1024) * 1024;
        if (::setrlimit(RLIMIT_AS, &limit) != 0)
            return 2;
        PulseSoundOutput player(kDecoder);
        player.play("/nonexistent.wma", 37);
        std::this_thread::sleep_for(300ms);
        return 0;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
}

} // namespace
