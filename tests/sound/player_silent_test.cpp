// The player where no audio server can be reached: every request ends in
// silence, and nothing blocks the caller or the player's end.

#include "playertesting.h"
#include "soundtesttools.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace drillix;
using namespace drillix::soundtest;

namespace {

using Kind = SoundEvent::Kind;

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

} // namespace
