#include "core/quiz.h"

#include "fakes.h"

#include <gtest/gtest.h>

using namespace drillix;

TEST(ErrorReport, TextIsBuiltByteForByte)
{
    EXPECT_EQ(errorReportText("Object required", "in Trendolix2021/08/31.Form1.PushButton1_Click ", 104),
              "Object required\r\n"
              "in Trendolix2021/08/31.Form1.PushButton1_Click at line 104\r\r"
              "Please email screenshot of this message to support@veltmora.example");
}

TEST(ErrorTrap, ReportsTheCallersStepAndGoesOn)
{
    std::vector<std::pair<std::string, int>> reports;
    ErrorTrap trap("in L ", [&](const std::string &d, const std::string &, int step) { reports.emplace_back(d, step); });
    auto failingOperation = [] { throw Failure("deep down"); };
    bool after = false;

    trap.step(100, [&] { failingOperation(); after = true; });
    EXPECT_FALSE(after) << "the rest of a failed operation is abandoned";
    trap.step(102, [&] { after = true; });
    EXPECT_TRUE(after);
    trap.step(104, [] { throw std::runtime_error("second"); });
    trap.step(104, [] { throw std::bad_alloc(); });

    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0], std::make_pair(std::string("deep down"), 100));
    EXPECT_EQ(reports[1], std::make_pair(std::string("second"), 104));
    EXPECT_EQ(reports[2], std::make_pair(std::string("Out of memory"), 104));
}
