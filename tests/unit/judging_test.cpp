#include "quiz/droprule.h"
#include "quiz/maptables.h"

#include "fakes.h"

#include <gtest/gtest.h>

using namespace drillix;
using test::Quiz;

namespace {

// A point of region `r` that no higher-index target covers: where its own
// drop target wins.
bool winningPoint(QuizWindow &w, int r, int &x, int &y)
{
    const TwipRect rect = w.controls().dropTargets[r].geometry();
    for (int py = rect.top + 7; py < rect.bottom(); py += 15) {
        for (int px = std::max<int>(rect.left, 0) + 7; px < rect.right(); px += 15) {
            if (w.form().hitTest(px, py) == &w.controls().dropTargets[r]) {
                x = px;
                y = py;
                return true;
            }
        }
    }
    return false;
}

int answerIndex(const std::string &country)
{
    for (const AnswerLabelRow &row : kAnswerLabelTable)
        if (country == row.country)
            return row.index;
    return -1;
}

} // namespace

TEST(DropRule, RightDropsAndTheirAnswerCaptions)
{
    struct Row {
        const char *region;
        const char *nameTag;
        bool right;
        const char *caption;
    };
    const Row rows[] = {
        {"China", "China", true, "China"},
        {"China", "China ", true, "China "},  // spaces do not count for judging and stay on the map
        {"China", "  China", true, "  China"},
        {"North Korea", "Korea", true, "Korea"}, // part of the region's name
        {"South Korea", " Korea ", true, " Korea "},
        {"Burma (Myanmar)", "Burma", true, "Burma"},
        {"Korea", "North Korea", false, "North Korea"},
        {"China", "china", false, "china"},   // case matters
        {"China", "\tChina", false, "\tChina"}, // a tab is not a space
        {"China", "China,Beijing", false, "China"}, // the whole line must match
        {"Burma (Myanmar)", "Burma (Myanmar),Asia", false, "Burma (Myanmar)"},
        {"China", ",China", false, ""},
        {"China", "", false, ""},             // an empty name would lie within every region
        {"China", "   ", false, "   "},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(isRightDrop(r.region, r.nameTag), r.right) << '"' << r.region << "\" / \"" << r.nameTag << '"';
        EXPECT_EQ(answerCaption(r.nameTag), r.caption) << '"' << r.nameTag << '"';
    }
}

TEST(Judging, WrongDropPlaysWrongAndChangesNothingElse)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    quiz.dragLabelToTarget(5 /* China */, 25 /* Japan */);
    EXPECT_TRUE(w.controls().nameLabels[5].visible());
    EXPECT_FALSE(w.controls().answerLabels[5].visible());
    EXPECT_EQ(w.placedCount(), 0);
    EXPECT_EQ(quiz.sound.played, std::vector<std::string>{quiz.soundFile("wrong.wma")});
}

TEST(Judging, EveryNameIsRightOnEveryOneOfItsRegions)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    for (const RegionRow &region : kRegionTable) {
        int x = 0, y = 0;
        ASSERT_TRUE(winningPoint(w, region.index, x, y)) << "region " << region.index << " is wholly covered";
        const int label = answerIndex(region.tag);
        // The trailing space shows that the map gets the name's own text.
        const std::string nameTag = std::string(region.tag) + ' ';
        w.controls().nameLabels[label].setTag(nameTag);
        w.restart();
        quiz.sound.played.clear();
        quiz.dragLabelTo(label, x, y);
        EXPECT_FALSE(w.controls().nameLabels[label].visible()) << region.index;
        EXPECT_TRUE(w.controls().answerLabels[label].visible()) << region.index;
        EXPECT_EQ(w.controls().answerLabels[label].caption(), nameTag);
        EXPECT_TRUE(w.controls().answerLabels[label].font().bold);
        EXPECT_EQ(w.placedCount(), 1);
        EXPECT_EQ(quiz.sound.played, std::vector<std::string>{quiz.soundFile("correct.wma")});
    }
    EXPECT_EQ(quiz.sound.volumes.back(), 37);
}

TEST(Judging, OverlapsGoToTheHigherIndex)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    // Singapore's own band lies between Malaysia (33, above) and Indonesia (23, below).
    EXPECT_EQ(quiz.form().hitTest(5900, 9200), &w.controls().dropTargets[45]);
    EXPECT_EQ(quiz.form().hitTest(5900, 9100), &w.controls().dropTargets[45]) << "45 lies over 33";
    EXPECT_EQ(quiz.form().hitTest(5900, 9300), &w.controls().dropTargets[45]) << "45 lies over 23";
    EXPECT_EQ(quiz.form().hitTest(5900, 9350), &w.controls().dropTargets[23]);
    // China (8) under Kazakhstan (26).
    EXPECT_EQ(quiz.form().hitTest(3000, 3800), &w.controls().dropTargets[26]);
    quiz.dragLabelTo(9 /* Kazakhstan */, 3000, 3800);
    EXPECT_TRUE(w.controls().answerLabels[9].visible());
    // Only drops on targets are judged: the open sea, the panel, a button
    // and the world outside the window do nothing at all.
    quiz.sound.played.clear();
    quiz.dragLabelTo(0, 9000, 500);   // Russia's band: judged, and wrong
    quiz.dragLabelTo(0, 10300, 6000); // open sea
    quiz.dragLabelTo(0, 12000, 8000); // the panel
    quiz.dragLabelTo(0, 11000, 9100); // the Restart button
    quiz.dragLabelTo(0, 20000, 100);  // outside the window
    EXPECT_EQ(quiz.sound.played, std::vector<std::string>{quiz.soundFile("wrong.wma")});
    EXPECT_TRUE(w.controls().nameLabels[0].visible());
}

TEST(Judging, DropOnANameLabelShowsTheSourceAndJudgesNothing)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    const TwipRect other = w.controls().nameLabels[15].geometry();
    quiz.dragLabelTo(2, other.left + 30, other.top + 150);
    EXPECT_TRUE(w.controls().nameLabels[2].visible());
    EXPECT_TRUE(quiz.sound.played.empty());
    EXPECT_EQ(w.controls().nameLabels[2].dragIcon(), w.controls().pinPicture.picture()) << "the drag showed the pin";
}

TEST(Judging, TheTwentyThirdDropCompletesTheMapAndStartsAgain)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    std::vector<bool> answersWhenBoxShown;
    quiz.boxes.onShow = [&](const test::ShownBox &) {
        for (int i = 0; i < 23; ++i)
            answersWhenBoxShown.push_back(w.controls().answerLabels[i].visible());
    };
    const int firstRegion[23] = {4, 0, 6, 35, 9, 8, 15, 21, 25, 26, 29, 33, 34, 41, 43, 44, 59, 45, 46, 47, 48, 49, 54};
    for (int game = 0; game < 2; ++game) {
        for (int i = 0; i < 23; ++i) {
            int x = 0, y = 0;
            ASSERT_TRUE(winningPoint(w, firstRegion[i], x, y));
            quiz.sound.played.clear();
            quiz.dragLabelTo(i, x, y);
            if (i == 21) {
                EXPECT_EQ(w.placedCount(), 22);
                EXPECT_EQ(quiz.sound.played, std::vector<std::string>{quiz.soundFile("correct.wma")});
                EXPECT_TRUE(quiz.boxes.shown.empty());
            }
        }
        EXPECT_EQ(quiz.sound.played, (std::vector<std::string>{quiz.soundFile("correct.wma"), quiz.soundFile("complete.wma")}));
        ASSERT_EQ(quiz.boxes.shown.size(), 1u);
        EXPECT_EQ(quiz.boxes.shown[0].text, "CONGRATULATIONS!THE MAP IS COMPLETE!");
        EXPECT_EQ(quiz.boxes.shown[0].title, "Veltmora");
        EXPECT_EQ(quiz.boxes.shown[0].style, 0);
        EXPECT_EQ(answersWhenBoxShown, std::vector<bool>(23, true)) << "the full map shows behind the box";
        EXPECT_EQ(w.placedCount(), 0);
        for (int i = 0; i < 23; ++i) {
            EXPECT_TRUE(w.controls().nameLabels[i].visible());
            EXPECT_FALSE(w.controls().answerLabels[i].visible());
        }
        quiz.boxes.shown.clear();
        answersWhenBoxShown.clear();
    }
}
