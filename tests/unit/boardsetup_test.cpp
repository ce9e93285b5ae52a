#include "quiz/maptables.h"

#include "fakes.h"

#include <gtest/gtest.h>

using namespace drillix;
using test::Quiz;

namespace {

Quiz &loadWith(Quiz &quiz, const std::string &bytes)
{
    quiz.files.files[quiz.itemsPath()] = bytes;
    quiz.load();
    return quiz;
}

} // namespace

TEST(NamesFile, EachLineFeedsOneLabelInOrder)
{
    Quiz quiz;
    quiz.load();
    for (int i = 0; i < 23; ++i) {
        EXPECT_EQ(quiz.w().controls().nameLabels[i].caption(), test::countryNames()[i]);
        EXPECT_EQ(quiz.w().controls().nameLabels[i].tag(), test::countryNames()[i]);
        EXPECT_TRUE(quiz.w().controls().nameLabels[i].visible());
    }
    EXPECT_TRUE(quiz.boxes.shown.empty());
}

TEST(NamesFile, FieldsCaptionsAndTags)
{
    Quiz quiz;
    loadWith(quiz, "China,Beijing\r\nJapan,\r\n,Nepal\r\n  Laos  \r\nA,B,C");
    QuizWindow &w = quiz.w();
    EXPECT_EQ(w.controls().nameLabels[0].caption(), "China");
    EXPECT_EQ(w.controls().nameLabels[0].tag(), "China,Beijing");
    EXPECT_EQ(w.controls().nameLabels[1].caption(), "Japan");
    EXPECT_EQ(w.controls().nameLabels[1].tag(), "Japan,");
    EXPECT_EQ(w.controls().nameLabels[2].caption(), "");
    EXPECT_EQ(w.controls().nameLabels[2].tag(), ",Nepal");
    EXPECT_EQ(w.controls().nameLabels[3].caption(), "  Laos  ");
    EXPECT_EQ(w.controls().nameLabels[3].tag(), "  Laos  ");
    EXPECT_EQ(w.controls().nameLabels[4].tag(), "A,B,C");
    EXPECT_EQ(w.controls().nameLabels[5].caption(), "Label3") << "labels without a line keep their design";
    EXPECT_EQ(w.controls().nameLabels[5].tag(), "");
    EXPECT_TRUE(w.controls().nameLabels[5].visible());
    EXPECT_TRUE(quiz.boxes.shown.empty());
}

TEST(NamesFile, BlankLineIsReportedTwiceAndShiftsLaterNames)
{
    Quiz quiz;
    loadWith(quiz, "Bangladesh\r\n\r\nBhutan\r\n");
    EXPECT_EQ(quiz.reportedSteps(), (std::vector<int>{142, 148}));
    EXPECT_EQ(quiz.w().controls().nameLabels[0].caption(), "Bangladesh");
    EXPECT_EQ(quiz.w().controls().nameLabels[1].caption(), "Label3");
    EXPECT_EQ(quiz.w().controls().nameLabels[2].caption(), "Bhutan");
    EXPECT_NE(quiz.boxes.shown[0].text.find("in Trendolix2021/08/31.Form1.Form_Load at line 142"), std::string::npos);
}

TEST(NamesFile, LinesPastTheTwentyThirdAreReportedAndChangeNothing)
{
    auto names = test::countryNames();
    names.push_back("Atlantis,Sea");
    names.push_back("Lemuria");
    Quiz quiz;
    loadWith(quiz, test::namesFile(names));
    EXPECT_EQ(quiz.reportedSteps(), (std::vector<int>{142, 146, 142, 148}));
    EXPECT_NE(quiz.boxes.shown[0].text.find("Control array element '23' doesn't exist"), std::string::npos);
    EXPECT_EQ(quiz.w().controls().nameLabels[22].caption(), "Vietnam");
}

TEST(NamesFile, TrailingEmptyLineIsOneMoreLine)
{
    Quiz quiz;
    loadWith(quiz, test::namesFile(test::countryNames()) + "\r\n");
    EXPECT_EQ(quiz.reportedSteps(), (std::vector<int>{142, 148}));
}

TEST(NamesFile, LineFeedsAloneMakeOneLine)
{
    Quiz quiz;
    loadWith(quiz, "China\nJapan\n");
    EXPECT_EQ(quiz.w().controls().nameLabels[0].caption(), "China\nJapan\n");
    EXPECT_EQ(quiz.w().controls().nameLabels[1].caption(), "Label3");
}

TEST(NamesFile, MissingOrEmptyFileLeavesTheDesignAndStillSetsUp)
{
    Quiz missing(false);
    missing.load();
    EXPECT_EQ(missing.reportedSteps(), std::vector<int>{130});
    Quiz empty;
    loadWith(empty, "");
    EXPECT_TRUE(empty.boxes.shown.empty());
    for (Quiz *quiz : {&missing, &empty}) {
        EXPECT_EQ(quiz->w().controls().nameLabels[0].caption(), "Label3");
        EXPECT_EQ(quiz->w().controls().dropTargets.count(), 66);
        EXPECT_EQ(quiz->w().placedCount(), 0);
        EXPECT_TRUE(quiz->w().controls().nameLabels[22].visible());
    }
}

TEST(DropTargets, OneOverEachHiddenRegionWithItsGeometryAndTag)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    ASSERT_EQ(w.controls().dropTargets.count(), kRegionCount);
    for (int i = 0; i < kRegionCount; ++i) {
        EXPECT_FALSE(w.controls().regions[i].visible());
        EXPECT_TRUE(w.controls().dropTargets[i].visible());
        EXPECT_EQ(w.controls().dropTargets[i].geometry(), w.controls().regions[i].geometry()) << i;
        EXPECT_EQ(w.controls().dropTargets[i].tag(), kRegionTable[static_cast<std::size_t>(i)].tag);
        EXPECT_EQ(w.controls().dropTargets[i].dragMode(), DragMode::Manual);
    }
    // Laid in index order: the last light-weight controls are the targets,
    // 65 frontmost.
    const auto order = quiz.form().stackingOrder();
    std::vector<Control *> lightweight;
    for (Control *c : order)
        if (!c->isWindowed())
            lightweight.push_back(c);
    ASSERT_GE(lightweight.size(), 66u);
    for (int i = 0; i < 66; ++i)
        EXPECT_EQ(lightweight[lightweight.size() - 66 + static_cast<std::size_t>(i)], &w.controls().dropTargets[i]);
}

TEST(DropTargets, AFailureIsReportedAndTheSameTargetGoesOn)
{
    Quiz quiz;
    test::FailingChange failing;
    failing.controlName = "piccoor(5)";
    failing.property = Property::Tag;
    quiz.form().addObserver(&failing);
    quiz.load();
    EXPECT_EQ(quiz.reportedSteps(), std::vector<int>{168});
    EXPECT_TRUE(quiz.w().controls().dropTargets[5].visible()) << "steps after the failure still ran";
    EXPECT_EQ(quiz.w().controls().dropTargets[5].dragMode(), DragMode::Manual);
}
