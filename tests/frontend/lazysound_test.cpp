#include "qt/platform/sound/lazysoundoutput.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

using namespace drillix;

namespace {
// The decoder program is built beside the program, one folder above the
// module.
const std::string kDecoder =
    (QFileInfo(QStringLiteral(DRILLIX_SOUND_MODULE)).absolutePath() + QStringLiteral("/../drillix-sound-decoder")).toStdString();
}

TEST(LazySound, TheRealModuleLoadsInTheBackgroundAndTakesTheWaitingRequest)
{
    LazySoundOutput sound(QStringLiteral(DRILLIX_SOUND_MODULE), kDecoder);
    EXPECT_FALSE(sound.ready());
    // Asked before it is there: the request waits, the caller does not.
    sound.play("/nonexistent/correct.wma", 37);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sound.ready() || sound.failed(); }, 10000));
    EXPECT_TRUE(sound.ready());
    EXPECT_NO_THROW(sound.play("/nonexistent/wrong.wma", 37));
}

TEST(LazySound, AMissingModuleMeansSilence)
{
    LazySoundOutput sound(QStringLiteral("/nonexistent/libdrillix-sound.so"), kDecoder);
    sound.preload({"/x/correct.wma"});
    sound.preload();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sound.failed(); }, 10000));
    EXPECT_FALSE(sound.ready());
    EXPECT_NO_THROW(sound.play("/x/correct.wma", 37));
}
