#include "core/quiz.h"
#include "core/droprule.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace drillix;
using namespace std::string_literals;
using test::Game;

namespace {

const std::string kSkin = std::string(test::kInstallFolder) + "/x/o.cjs";
const std::string kCursor = std::string(test::kInstallFolder) + "/HAND-M.CUR";

std::vector<std::string> sounds(Game &g, std::initializer_list<const char *> names)
{
    std::vector<std::string> paths;
    for (const char *name : names)
        paths.push_back(g.soundFile(name));
    return paths;
}

} // namespace

TEST(ApplicationTitle, CutsBackWordByWordToFortyCharacters)
{
    EXPECT_EQ(applicationTitle("Veltmora Drillix"), "Veltmora");
    EXPECT_EQ(applicationTitle("Forty characters exactly here to the end xx yy"), "Forty characters exactly here to the end");
    const std::string forty(40, 'a');
    EXPECT_EQ(applicationTitle(forty + " tail"), forty);
    EXPECT_EQ(applicationTitle("Ürümqi Ürümqi Ürümqi Ürümqi Ürümqi Ürüm X"), "Ürümqi Ürümqi Ürümqi Ürümqi Ürümqi Ürüm")
        << "characters, not bytes, are counted";
    EXPECT_THROW(applicationTitle("Drillix"), Failure);
    EXPECT_THROW(applicationTitle(std::string(45, 'x') + " y"), Failure);
}

TEST(StartUp, EachStepThatFailsIsReportedAndTheNextRuns)
{
    struct Row {
        const char *what;
        std::function<void(Game &)> arrange;
        std::vector<int> steps;
        const char *firstReport = nullptr; // its whole text
    };
    const Row rows[] = {
        {"shipped files", [](Game &) {}, {}},
        {"a damaged skin", [](Game &g) { g.files.files[kSkin] = "x"; g.skin.fail = true; }, {100}},
        {"a damaged hand cursor", [](Game &g) { g.files.folders.insert(kCursor); g.pictures.fail = true; }, {106}},
        {"a failing URL opener", [](Game &g) { g.random.value = 7; g.browser.fail = true; }, {110}},
        {"no names file", [](Game &g) { g.files.files.clear(); }, {130},
         "File not found\r\nin Trendolix2021/08/31.Form1.Form_Load at line 130\r\r"
         "Please email screenshot of this message to support@veltmora.example"},
        {"a hand cursor too big for memory",
         [](Game &g) {
             g.files.files[kCursor] = "x";
             g.pictures.outOfMemory = true;
         },
         {106}, "Out of memory\r\n"},
        {"all at once",
         [](Game &g) {
             g.files.files = {{kSkin, "x"}, {kCursor, "x"}};
             g.skin.fail = g.pictures.fail = g.browser.fail = true;
             g.random.value = 7;
         },
         {100, 106, 110, 130}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        Game g;
        r.arrange(g);
        g.start();
        EXPECT_EQ(g.reportedSteps(), r.steps);
        for (const test::ShownBox &box : g.boxes.shown) {
            EXPECT_EQ(box.title, "Application Error");
            EXPECT_EQ(box.style, contract::MessageBoxStyle::Exclamation);
        }
        if (r.firstReport) {
            EXPECT_EQ(g.boxes.shown[0].text.substr(0, std::strlen(r.firstReport)), r.firstReport);
        }
        EXPECT_EQ(g.q().caption(), "Veltmora Drillix");
        EXPECT_EQ(g.q().title(), "Veltmora");
        EXPECT_EQ(g.q().placedCount(), 0);
        EXPECT_TRUE(g.q().names()[22].shown) << "the first game begins";
    }
}

TEST(StartUp, DisplayNameWithoutSpaceKeepsTheTitleAndTheCaption)
{
    Game g(true, "Drillix");
    g.start();
    EXPECT_EQ(g.reportedSteps(), std::vector<int>{108});
    EXPECT_EQ(g.q().caption(), "Drillix");
    EXPECT_EQ(g.q().title(), "");
    EXPECT_EQ(g.q().names()[0].caption, "Bangladesh");
}

TEST(StartUp, SkinAndHandCursorOnlyWhenTheirFilesAreThere)
{
    struct Row {
        const char *what;
        std::function<void(Game &)> arrange;
        bool skinned, cursor;
    };
    const Row rows[] = {
        {"neither", [](Game &) {}, false, false},
        {"both", [](Game &g) { g.files.files[kSkin] = g.files.files[kCursor] = "x"; }, true, true},
        {"a folder named like the skin", [](Game &g) { g.files.folders.insert(kSkin); }, false, false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        Game g;
        r.arrange(g);
        g.start();
        EXPECT_EQ(g.skin.applied, r.skinned ? std::vector<std::string>{kSkin} : std::vector<std::string>{});
        EXPECT_EQ(g.q().handCursor().source, r.cursor ? kCursor : "");
        EXPECT_TRUE(g.boxes.shown.empty());
    }
}

TEST(WebSiteDraw, OneStartInAHundredOpensTheSite)
{
    int opened = 0;
    for (int value = 1; value <= 100; ++value) {
        Game g;
        g.random.value = value;
        g.start();
        EXPECT_EQ(g.random.ranges, std::vector<int>{100}) << "one draw from a hundred outcomes";
        if (!g.browser.opened.empty()) {
            EXPECT_EQ(g.browser.opened, std::vector<std::string>{"https://www.veltmora.example/drillix/"});
            ++opened;
        }
    }
    EXPECT_EQ(opened, 1);
}

TEST(NamesFile, LinesGiveCaptionsTagsAndReports)
{
    struct Row {
        const char *what;
        std::string bytes;
        std::vector<int> steps;
        std::vector<std::pair<std::string, std::string>> captionsAndTags; // from name 0 on
        const char *inReports = "";
        std::size_t failAt = std::string::npos;
    };
    std::vector<std::string> extra = test::countryNames();
    extra.push_back("Atlantis,Sea");
    extra.push_back("Lemuria");
    std::vector<std::pair<std::string, std::string>> shipped;
    for (const std::string &name : test::countryNames())
        shipped.emplace_back(name, name);
    // Ten surplus lines are reported as ever; beyond them the reports are
    // only counted, in one more report.
    const auto surplus = [](int lines) {
        std::vector<std::string> names = test::countryNames();
        for (int i = 23; i < lines; ++i)
            names.push_back("Extra" + std::to_string(i));
        return test::namesFile(names);
    };
    std::vector<int> tenSurplus;
    for (int i = 0; i < 10; ++i)
        tenSurplus.insert(tenSurplus.end(), {142, 148});
    std::vector<int> tenSurplusAndCount = tenSurplus;
    tenSurplusAndCount.push_back(142);
    const Row rows[] = {
        {"one name a line, in order", test::namesFile(test::countryNames()), {}, shipped},
        {"fields",
         "China,Beijing\r\nJapan,\r\n,Nepal\r\n  Laos  \r\nA,B,C\r\n,",
         {},
         {{"China", "China,Beijing"}, {"Japan", "Japan,"}, {"", ",Nepal"}, {"  Laos  ", "  Laos  "}, {"A", "A,B,C"},
          {"", ","}, {"Label3", ""}}},
        {"a blank line keeps its slot and shifts the later names",
         "Bangladesh\r\n\r\nBhutan\r\n",
         {142, 148},
         {{"Bangladesh", "Bangladesh"}, {"Label3", ""}, {"Bhutan", "Bhutan"}},
         "\r\nin Trendolix2021/08/31.Form1.Form_Load at line 142\r\r"},
        {"lines past the 23rd", test::namesFile(extra), {142, 146, 142, 148}, shipped,
         "Control array element '23' doesn't exist"},
        {"ten surplus lines", surplus(33), tenSurplus, shipped},
        {"eleven surplus lines", surplus(34), tenSurplusAndCount, shipped,
         "2 further reports were left out. The quiz takes one name from each of the first 23 lines"},
        {"ten thousand lines", surplus(10000), tenSurplusAndCount, shipped, "19934 further reports were left out"},
        {"an empty file", "", {}, {{"Label3", ""}}},
        {"any bytes are text", "\xDCr\xFCmqi\r\nCh\0na\r\n"s, {},
         {{"\xC3\x9Cr\xC3\xBCmqi", "\xC3\x9Cr\xC3\xBCmqi"}, {std::string("Ch\0na", 5), std::string("Ch\0na", 5)}}},
        {"a disk failing part-way: reported once, and the reading ends", "China\r\nJapan\r\n", {136, 142, 148},
         {{"China", "China"}, {"Label3", ""}, {"Label3", ""}}, "Device I/O error", 10},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        Game g;
        g.files.files[g.itemsPath()] = r.bytes;
        g.files.failAt[g.itemsPath()] = r.failAt;
        g.start();
        EXPECT_EQ(g.reportedSteps(), r.steps);
        std::string reports;
        for (const test::ShownBox &b : g.boxes.shown)
            reports += b.text;
        EXPECT_NE(reports.find(r.inReports), std::string::npos) << reports;
        for (std::size_t i = 0; i < r.captionsAndTags.size(); ++i) {
            EXPECT_EQ(g.q().names()[i].caption, r.captionsAndTags[i].first) << i;
            EXPECT_EQ(g.q().names()[i].tag, r.captionsAndTags[i].second) << i;
            EXPECT_TRUE(g.q().names()[i].shown) << i;
        }
    }
}

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
        {"Burma (Myanmar)", "Burma", true, "Burma"},
        {"Korea", "North Korea", false, "North Korea"},
        {"China", "china", false, "china"},   // case matters
        {"China", "\tChina", false, "\tChina"}, // a tab is not a space
        {"South Korea", "South  Korea", false, "South  Korea"}, // spaces within a name count
        {"China", "China,Beijing", false, "China"}, // the whole line must match
        {"China", ",China", false, ""},
        {"China", "", false, ""},             // an empty name would lie within every region
        {"China", "   ", false, "   "},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(isRightDrop(r.region, r.nameTag), r.right) << '"' << r.region << "\" / \"" << r.nameTag << '"';
        EXPECT_EQ(answerCaption(r.nameTag), r.caption) << '"' << r.nameTag << '"';
    }
}

TEST(HitTest, OverlapsGoToTheHigherIndexAndTheSeaToNone)
{
    const struct {
        double x, y;
        int region;
    } rows[] = {
        {393.3, 613.3, 45}, {393.3, 606.7, 45}, {393.3, 620.0, 45}, // Singapore over Malaysia (33) and Indonesia (23)
        {393.3, 623.3, 23},
        {200.0, 253.3, 26},                     // Kazakhstan over China (8)
        {686.7, 400.0, -1},                     // open sea
        {800.0, 533.3, -1},                     // the panel
    };
    for (const auto &r : rows)
        EXPECT_EQ(Quiz::regionAt(r.x, r.y), r.region) << r.x << ", " << r.y;
    // Every region but those wholly covered by later ones takes drops.
    for (int i = 0; i < kRegionCount; ++i) {
        const Rect &rect = layout::kRegions[std::size_t(i)].rect;
        EXPECT_EQ(Quiz::regionAt(rect.x, rect.y) >= i, true) << "the top-left corner is inside, region " << i;
        EXPECT_NE(Quiz::regionAt(rect.right() - 0.01, rect.bottom() - 0.01), -1) << i;
    }
}

TEST(Game, EveryNameIsRightOnEachOfItsRegionsAndWrongElsewhere)
{
    Game g;
    g.start();
    for (int r = 0; r < kRegionCount; ++r) {
        const std::string country = layout::kRegions[std::size_t(r)].country;
        for (int name = 0; name < kNameCount; ++name) {
            g.q().restart();
            g.sound.played.clear();
            g.dropOnRegion(name, r);
            const bool right = country == layout::kAnswerPlaces[std::size_t(name)].country;
            ASSERT_EQ(g.q().answers()[std::size_t(name)].shown, right) << r << " " << name;
            EXPECT_EQ(g.q().names()[std::size_t(name)].shown, !right);
            EXPECT_EQ(g.q().placedCount(), right ? 1 : 0);
            EXPECT_EQ(g.sound.played, sounds(g, {right ? "correct.wma" : "wrong.wma"}));
        }
    }
    EXPECT_EQ(g.sound.volumes.back(), 37);
    EXPECT_EQ(g.q().answers()[8].caption, "Japan");
    EXPECT_TRUE(g.q().answers()[8].bold);
}

TEST(Game, TheTwentyThirdDropCompletesTheMapAndStartsAgain)
{
    Game g;
    g.start();
    std::vector<bool> answersWhenBoxShown;
    int placedWhenToldLast = -1, placedWhenToldBeforeBox = -1;
    g.q().onChanged([&] { placedWhenToldLast = g.q().placedCount(); });
    g.boxes.onShow = [&](const test::ShownBox &) {
        placedWhenToldBeforeBox = placedWhenToldLast;
        for (const AnswerLabel &a : g.q().answers())
            answersWhenBoxShown.push_back(a.shown);
    };
    for (int game = 0; game < 2; ++game) {
        for (int i = 0; i < kNameCount; ++i) {
            g.sound.played.clear();
            g.dropOnCountry(i, layout::kAnswerPlaces[std::size_t(i)].country);
            if (i == 21) {
                EXPECT_TRUE(g.boxes.shown.empty());
            }
        }
        EXPECT_EQ(g.sound.played, sounds(g, {"correct.wma", "complete.wma"}));
        ASSERT_EQ(g.boxes.shown.size(), 1u);
        EXPECT_EQ(g.boxes.shown[0].text, "CONGRATULATIONS!THE MAP IS COMPLETE!");
        EXPECT_EQ(g.boxes.shown[0].title, "Veltmora");
        EXPECT_EQ(g.boxes.shown[0].style, contract::MessageBoxStyle::OkOnly);
        EXPECT_EQ(answersWhenBoxShown, std::vector<bool>(23, true)) << "the full map shows behind the box";
        EXPECT_EQ(placedWhenToldBeforeBox, 23) << "the window was told before the box opened";
        EXPECT_EQ(g.q().placedCount(), 0);
        for (int i = 0; i < kNameCount; ++i) {
            EXPECT_TRUE(g.q().names()[std::size_t(i)].shown);
            EXPECT_FALSE(g.q().answers()[std::size_t(i)].shown);
        }
        g.boxes.shown.clear();
        answersWhenBoxShown.clear();
    }
}

TEST(Game, RestartMidGameKeepsCaptionsAndSoundsAndExitClosesOnce)
{
    Game g;
    g.start();
    g.dropOnCountry(8, "Japan");
    g.dropOnCountry(12, "Mongolia");
    g.q().dropOnName(2);
    ASSERT_EQ(g.q().placedCount(), 2);
    g.sound.played.clear();
    g.q().restart();
    EXPECT_EQ(g.q().placedCount(), 0);
    EXPECT_TRUE(g.q().names()[8].shown);
    EXPECT_FALSE(g.q().answers()[8].shown);
    EXPECT_EQ(g.q().answers()[8].caption, "Japan") << "a hidden answer keeps its caption";
    EXPECT_TRUE(g.sound.played.empty()) << "a playing sound is left alone";

    int closed = 0;
    g.q().onClosed([&] { ++closed; });
    g.q().exit();
    g.q().exit();
    EXPECT_TRUE(g.q().closed());
    EXPECT_EQ(closed, 1);
    Game failing;
    failing.q().onClosed([] { throw Failure("Unload failed"); });
    failing.q().exit();
    EXPECT_EQ(failing.reportedSteps(), std::vector<int>{100});
    EXPECT_NE(failing.boxes.shown[0].text.find("Form1.PushButton2_Click at line 100"), std::string::npos);
}

TEST(Pointer, ButtonsSetTheHandAndThePanelTheArrow)
{
    Game g;
    g.start();
    const std::pair<PointerArea, bool> moves[] = {
        {PointerArea::Other, false}, {PointerArea::Button, true}, {PointerArea::Other, true}, // onto the map: kept
        {PointerArea::Panel, false}, {PointerArea::Button, true}, {PointerArea::Panel, false},
    };
    for (const auto &[area, hand] : moves) {
        g.q().pointerMovedOver(area);
        EXPECT_EQ(g.q().handPointer(), hand);
    }
}
