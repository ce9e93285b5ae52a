#include "quiz/maptables.h"

#include "fakes.h"

#include <gtest/gtest.h>

using namespace drillix;
using namespace std::string_literals;
using test::Quiz;

namespace {

Quiz &loadWith(Quiz &quiz, const std::string &bytes)
{
    quiz.files.files[quiz.itemsPath()] = bytes;
    quiz.load();
    return quiz;
}

} // namespace

TEST(NamesFile, LinesGiveCaptionsTagsAndReports)
{
    struct Row {
        const char *what;
        std::string bytes;
        std::vector<int> steps;
        std::vector<std::pair<std::string, std::string>> captionsAndTags; // from label 0 on
        const char *firstReport = "";
    };
    std::vector<std::string> extra = test::countryNames();
    extra.push_back("Atlantis,Sea");
    extra.push_back("Lemuria");
    std::vector<std::pair<std::string, std::string>> shipped;
    for (const std::string &name : test::countryNames())
        shipped.emplace_back(name, name);
    const Row rows[] = {
        {"one name a line, in order", test::namesFile(test::countryNames()), {}, shipped},
        {"fields",
         "China,Beijing\r\nJapan,\r\n,Nepal\r\n  Laos  \r\nA,B,C",
         {},
         {{"China", "China,Beijing"}, {"Japan", "Japan,"}, {"", ",Nepal"}, {"  Laos  ", "  Laos  "}, {"A", "A,B,C"},
          {"Label3", ""}}},
        {"a blank line keeps its label and shifts the later names",
         "Bangladesh\r\n\r\nBhutan\r\n",
         {142, 148},
         {{"Bangladesh", "Bangladesh"}, {"Label3", ""}, {"Bhutan", "Bhutan"}},
         "\r\nin Trendolix2021/08/31.Form1.Form_Load at line 142\r\r"},
        {"only blank lines", "\r\n\r\n\r\n", {142, 148, 142, 148, 142, 148}, {{"Label3", ""}}},
        {"lines past the 23rd", test::namesFile(extra), {142, 146, 142, 148}, shipped,
         "Control array element '23' doesn't exist"},
        {"any bytes are text", "\xDCr\xFCmqi\r\nCh\0na\r\n"s, {},
         {{"\xC3\x9Cr\xC3\xBCmqi", "\xC3\x9Cr\xC3\xBCmqi"}, {std::string("Ch\0na", 5), std::string("Ch\0na", 5)}}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        Quiz quiz;
        loadWith(quiz, r.bytes);
        EXPECT_EQ(quiz.reportedSteps(), r.steps);
        EXPECT_EQ(quiz.boxes.shown.size(), r.steps.size());
        if (!r.steps.empty()) {
            EXPECT_NE(quiz.boxes.shown[0].text.find(r.firstReport), std::string::npos) << quiz.boxes.shown[0].text;
        }
        for (std::size_t i = 0; i < r.captionsAndTags.size(); ++i) {
            const Control &label = quiz.w().controls().nameLabels[static_cast<int>(i)];
            EXPECT_EQ(label.caption(), r.captionsAndTags[i].first) << i;
            EXPECT_EQ(label.tag(), r.captionsAndTags[i].second) << i;
            EXPECT_TRUE(label.visible()) << i;
        }
    }
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
