#include "qt/platform/sound/lazysoundoutput.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace drillix;

TEST(LazySound, LoadsOnFirstUseAndAMissingModuleMeansSilence)
{
    // The decoder program is built beside the program, one folder above the
    // module.
    const std::string decoder =
        (QFileInfo(QStringLiteral(DRILLIX_SOUND_MODULE)).absolutePath() + QStringLiteral("/../drillix-sound-decoder"))
            .toStdString();
    const struct {
        std::string module;
        bool loads;
    } rows[] = {{DRILLIX_SOUND_MODULE, true}, {"/nonexistent/libdrillix-sound.so", false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.module);
        LazySoundOutput sound(row.module, decoder);
        EXPECT_FALSE(sound.ready());
        sound.play("/nonexistent/correct.wma", 37);
        EXPECT_EQ(sound.ready(), row.loads);
        EXPECT_NO_THROW(sound.play("/nonexistent/wrong.wma", 37));
    }
}
