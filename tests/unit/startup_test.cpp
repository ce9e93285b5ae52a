#include "quiz/applicationtitle.h"
#include "quiz/layout.h"

#include "fakes.h"

#include <gtest/gtest.h>

using namespace drillix;
using test::Quiz;

TEST(ApplicationTitle, CutsBackWordByWordToFortyCharacters)
{
    EXPECT_EQ(applicationTitle("Veltmora Drillix"), "Veltmora");
    EXPECT_EQ(applicationTitle("A short name with spaces"), "A short name with");
    // 46 characters: two words go before it is short enough.
    EXPECT_EQ(applicationTitle("Forty characters exactly here to the end xx yy"), "Forty characters exactly here to the end");
    // Exactly 40 after the first cut ends the loop.
    const std::string forty(40, 'a');
    EXPECT_EQ(applicationTitle(forty + " tail"), forty);
    // Characters, not bytes, are counted.
    EXPECT_EQ(applicationTitle("Ürümqi Ürümqi Ürümqi Ürümqi Ürümqi Ürüm X"), "Ürümqi Ürümqi Ürümqi Ürümqi Ürümqi Ürüm");
}

TEST(ApplicationTitle, ANameWithoutSpaceFails)
{
    EXPECT_THROW(applicationTitle("Drillix"), Failure);
    // A long word left after a cut fails the same way.
    EXPECT_THROW(applicationTitle(std::string(45, 'x') + " y"), Failure);
}

TEST(Startup, SetsCaptionIconAndTitleAndShowsNoBox)
{
    Quiz quiz;
    quiz.load();
    EXPECT_EQ(quiz.form().caption(), "Veltmora Drillix");
    EXPECT_EQ(quiz.form().icon().source, kApplicationIcon);
    EXPECT_EQ(quiz.app.title(), "Veltmora");
    EXPECT_TRUE(quiz.boxes.shown.empty());
    EXPECT_TRUE(quiz.shell.commands.empty());
}

TEST(Startup, DisplayNameWithoutSpaceIsReportedAtStep108AndCaptionStays)
{
    Quiz quiz(true, "Drillix");
    quiz.app.setTitle("before");
    quiz.load();
    EXPECT_EQ(quiz.reportedSteps(), std::vector<int>{108});
    EXPECT_EQ(quiz.form().caption(), "Drillix");
    EXPECT_EQ(quiz.form().icon().source, kApplicationIcon);
    EXPECT_EQ(quiz.app.title(), "before");
    EXPECT_EQ(quiz.w().controls().nameLabels[0].caption(), "Bangladesh") << "the set-up still runs";
}

TEST(WebSiteDraw, SevenOpensTheSiteAndAnythingElseNothing)
{
    struct Case {
        float r;
        bool opens;
    };
    for (Case c : {Case{0.065f, true}, Case{0.0699f, true}, Case{0.07f, false}, Case{0.0f, false},
                   Case{0.999999f, false}, Case{0.05999f, false}}) {
        Quiz quiz;
        quiz.random.value = c.r;
        quiz.load();
        ASSERT_EQ(quiz.random.seeds, std::vector<float>{quiz.clock.seconds}) << "seeded from the clock";
        if (c.opens) {
            ASSERT_EQ(quiz.shell.commands.size(), 1u) << c.r;
            EXPECT_EQ(quiz.shell.commands[0], "explorer \"https://www.veltmora.example/drillix/\"");
            EXPECT_EQ(quiz.shell.styles[0], 2);
        } else {
            EXPECT_TRUE(quiz.shell.commands.empty()) << c.r;
        }
    }
}

TEST(WebSiteDraw, AFailingShellIsReportedAt110AndStartUpGoesOn)
{
    Quiz quiz;
    quiz.random.value = 0.065f;
    quiz.shell.fail = true;
    quiz.load();
    EXPECT_EQ(quiz.reportedSteps(), std::vector<int>{110});
    EXPECT_EQ(quiz.w().controls().nameLabels[22].caption(), "Vietnam");
    EXPECT_EQ(quiz.w().controls().dropTargets.count(), 66);
}

TEST(HandCursor, AbsentPresentAndDamaged)
{
    const std::string cursor = std::string(test::kInstallFolder) + "/HAND-M.CUR";
    {
        Quiz quiz;
        quiz.load();
        EXPECT_TRUE(quiz.pictures.loaded.empty());
        EXPECT_TRUE(quiz.form().mouseIcon().isNull());
        EXPECT_TRUE(quiz.boxes.shown.empty());
    }
    {
        Quiz quiz;
        quiz.files.files[cursor] = "cursor bytes";
        quiz.load();
        EXPECT_EQ(quiz.form().mouseIcon().source, cursor);
        EXPECT_TRUE(quiz.boxes.shown.empty());
    }
    {
        Quiz quiz;
        quiz.files.folders.insert(cursor); // a folder of that name exists too
        quiz.pictures.fail = true;
        quiz.load();
        EXPECT_EQ(quiz.reportedSteps(), std::vector<int>{106});
        EXPECT_TRUE(quiz.form().mouseIcon().isNull());
        EXPECT_EQ(quiz.form().caption(), "Veltmora Drillix");
    }
}
