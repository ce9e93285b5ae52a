#include "quiz/fileexists.h"

#include "fakes.h"

#include <gtest/gtest.h>

using namespace drillix;
using test::Quiz;

namespace {
const std::string kSkin = std::string(test::kInstallFolder) + "/x/o.cjs";
const std::string kCursor = std::string(test::kInstallFolder) + "/HAND-M.CUR";
} // namespace

TEST(fileExists, TrueForFilesAndFoldersFalseOtherwise)
{
    test::FakeFiles files;
    files.files["/a/file"] = "";
    files.folders.insert("/a");
    EXPECT_TRUE(fileExists(files, "/a/file"));
    EXPECT_TRUE(fileExists(files, "/a"));
    EXPECT_FALSE(fileExists(files, "/a/none"));
    EXPECT_FALSE(fileExists(files, ""));
}

TEST(Skin, AbsentSkinTouchesNothing)
{
    Quiz quiz;
    quiz.files.folders.insert(kSkin); // a folder named o.cjs is no skin
    quiz.load();
    EXPECT_TRUE(quiz.skin.applied.empty());
    EXPECT_EQ(quiz.form().backColour(), kWhite);
    EXPECT_EQ(quiz.w().controls().instructionsHeading.backColour(), kSystemButtonFace) << "designed value, untouched";
    EXPECT_TRUE(quiz.boxes.shown.empty());
}

TEST(Skin, HiddenSkinFileCountsAsAbsent)
{
    Quiz quiz;
    quiz.files.files[kSkin] = "skin";
    quiz.files.hidden.insert(kSkin);
    quiz.load();
    EXPECT_TRUE(quiz.skin.applied.empty());
}

TEST(Skin, PresentSkinIsAppliedOnce)
{
    Quiz quiz;
    quiz.files.files[kSkin] = "skin";
    quiz.w().controls().nameLabels[0].setBackColour(kWhite);
    quiz.load();
    EXPECT_EQ(quiz.skin.applied, std::vector<std::string>{kSkin});
    EXPECT_EQ(quiz.form().backColour(), kSystemButtonFace);
    EXPECT_EQ(quiz.w().controls().nameLabels[0].backColour(), kSystemButtonFace);
    EXPECT_TRUE(quiz.boxes.shown.empty());
}

TEST(Skin, DamagedSkinIsReportedAt100AndTheCursorStepStillRuns)
{
    Quiz quiz;
    quiz.files.files[kSkin] = "garbage";
    quiz.files.files[kCursor] = "cursor";
    quiz.skin.failLoad = true;
    quiz.load();
    EXPECT_EQ(quiz.reportedSteps(), std::vector<int>{100});
    EXPECT_EQ(quiz.form().mouseIcon().source, kCursor);
    EXPECT_EQ(quiz.w().controls().nameLabels[0].caption(), "Bangladesh");
}

TEST(Pointer, ButtonsSetTheHandThePanelAndWindowTheDefault)
{
    Quiz quiz;
    quiz.load();
    Form &form = quiz.form();
    QuizWindow &w = quiz.w();
    form.mouseMoveOver(w.controls().restartButton, 5, 5);
    EXPECT_EQ(form.mousePointer(), 99);
    form.moveMouse(9000, 5000); // straight onto the map: the hand stays
    EXPECT_EQ(form.mousePointer(), 99);
    form.moveMouse(12000, 100); // the panel, clear of the labels
    EXPECT_EQ(form.mousePointer(), 0);
    form.mouseMoveOver(w.controls().exitButton, 5, 5);
    EXPECT_EQ(form.mousePointer(), 99);
    form.moveMouse(12000, 1300); // over a name label: kept
    EXPECT_EQ(form.mousePointer(), 99);
    w.pointerOverBackground();
    EXPECT_EQ(form.mousePointer(), 0);
}
