// Test main for the player tests.

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef DRILLIX_NO_AUDIO_SERVER
    // Point the audio library at a server that cannot exist, whatever runs
    // on this machine.
    ::setenv("PULSE_SERVER", "unix:/nonexistent/drillix/pulse", 1);
#endif
    return RUN_ALL_TESTS();
}
