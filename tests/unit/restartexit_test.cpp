#include "fakes.h"

#include <gtest/gtest.h>

using namespace drillix;
using test::Quiz;

TEST(Restart, MidGameBringsEveryNameBackAndCountsFromZero)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    quiz.dragLabelToTarget(8, 25);  // Japan
    quiz.dragLabelToTarget(12, 34); // Mongolia
    ASSERT_EQ(w.placedCount(), 2);
    quiz.sound.played.clear();

    quiz.form().click(w.controls().restartButton);
    EXPECT_EQ(w.placedCount(), 0);
    for (int i = 0; i < 23; ++i) {
        EXPECT_TRUE(w.controls().nameLabels[i].visible());
        EXPECT_FALSE(w.controls().answerLabels[i].visible());
    }
    EXPECT_EQ(w.controls().answerLabels[8].caption(), "Japan") << "a hidden answer keeps its caption";
    EXPECT_TRUE(w.controls().answerLabels[8].font().bold);
    EXPECT_TRUE(quiz.sound.played.empty()) << "a playing sound is left alone";
    EXPECT_TRUE(quiz.boxes.shown.empty());
}

TEST(Restart, FailuresAreReportedAndTheLoopGoesOn)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    test::FailingChange hideFails;
    hideFails.controlName = "maplabel(4)";
    hideFails.description = "Permission denied";
    test::FailingChange showFails;
    showFails.controlName = "labels(4)";
    quiz.form().addObserver(&hideFails);
    quiz.form().addObserver(&showFails);
    w.controls().nameLabels[5].setVisible(false);

    w.restart();
    EXPECT_EQ(quiz.reportedSteps(), (std::vector<int>{104, 106}));
    EXPECT_EQ(quiz.boxes.shown[0].text,
              "Permission denied\r\nin Trendolix2021/08/31.Form1.PushButton1_Click at line 104\r\r"
              "Please email screenshot of this message to support@veltmora.example");
    EXPECT_TRUE(w.controls().nameLabels[5].visible()) << "the next member after the failures was still shown";
}

TEST(Exit, UnloadsTheWindowAndAFailureIsReportedAt100)
{
    Quiz quiz;
    quiz.load();
    quiz.form().click(quiz.w().controls().exitButton);
    EXPECT_FALSE(quiz.form().loaded());
    EXPECT_TRUE(quiz.boxes.shown.empty());

    struct FailingUnload : FormObserver {
        void unloaded() override { throw Failure("Unload failed"); }
    } failing;
    Quiz second;
    second.load();
    second.form().addObserver(&failing);
    second.w().exit();
    EXPECT_EQ(second.reportedSteps(), std::vector<int>{100});
    EXPECT_NE(second.boxes.shown[0].text.find("Form1.PushButton2_Click at line 100"), std::string::npos);
}
