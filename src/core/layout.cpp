#include "core/layout.h"

namespace drillix::layout {

Rect nameRect(int index)
{
    constexpr int kFirstColumnRows = 13;
    const int column = index < kFirstColumnRows ? 0 : 1;
    const int row = index - column * kFirstColumnRows;
    return Rect{column == 0 ? 726 : 884, 80 + 14 * row, 141, 19};
}

// clang-format off
const std::array<MapPlace, kNameCount> kAnswerPlaces = {{
    {"Bangladesh", {226, 422, 59, 15}},
    {"Bhutan", {272, 392, 59, 15}},
    {"Brunei", {446, 556, 59, 15}},
    {"Burma (Myanmar)", {288, 442, 59, 47}},
    {"Cambodia", {374, 506, 59, 15}},
    {"China", {308, 314, 59, 15}},
    {"India", {146, 460, 59, 15}},
    {"Indonesia", {560, 582, 59, 15}},
    {"Japan", {566, 202, 59, 15}},
    {"Kazakhstan", {86, 220, 91, 15}},
    {"Laos", {348, 446, 59, 15}},
    {"Malaysia", {372, 588, 59, 15}},
    {"Mongolia", {292, 206, 75, 15}},
    {"Nepal", {198, 390, 59, 15}},
    {"North Korea", {480, 202, 59, 33}},
    {"Philippines", {482, 454, 59, 15}},
    {"Russia", {242, 78, 117, 15}},
    {"Singapore", {392, 608, 59, 15}},
    {"South Korea", {504, 250, 59, 33}},
    {"Sri Lanka", {192, 574, 59, 15}},
    {"Taiwan", {524, 366, 59, 15}},
    {"Thailand", {346, 480, 59, 15}},
    {"Vietnam", {430, 478, 59, 15}},}};

// Rows of one country need not be adjacent (Malaysia is 5, 7 and 33), and
// neighbours overlap in strips a few pixels wide along their borders.
const std::array<MapPlace, kRegionCount> kRegions = {{
    {"Bhutan", {296, 374, 25, 27}},
    {"Bhutan", {282, 392, 25, 27}},
    {"Bhutan", {282, 412, 17, 27}},
    {"Bhutan", {268, 392, 25, 27}},
    {"Bangladesh", {252, 410, 31, 37}},
    {"Malaysia", {506, 532, 27, 33}},
    {"Brunei", {486, 554, 21, 17}},
    {"Malaysia", {450, 570, 43, 35}},
    {"China", {194, 252, 299, 125}},
    {"Cambodia", {388, 498, 31, 33}},
    {"China", {340, 372, 153, 43}},
    {"China", {422, 148, 75, 111}},
    {"China", {160, 282, 153, 43}},
    {"China", {214, 222, 41, 51}},
    {"China", {400, 226, 87, 43}},
    {"India", {104, 438, 141, 125}},
    {"India", {112, 412, 139, 33}},
    {"India", {138, 374, 49, 43}},
    {"India", {148, 342, 27, 43}},
    {"India", {122, 394, 29, 43}},
    {"India", {170, 402, 37, 43}},
    {"Indonesia", {564, 544, 149, 119}},
    {"Indonesia", {508, 564, 153, 99}},
    {"Indonesia", {322, 618, 283, 45}},
    {"Indonesia", {314, 588, 51, 43}},
    {"Japan", {550, 136, 65, 157}},
    {"Kazakhstan", {18, 190, 199, 65}},
    {"Kazakhstan", {78, 158, 109, 43}},
    {"Kazakhstan", {-2, 170, 77, 85}},
    {"Laos", {358, 434, 31, 35}},
    {"Laos", {390, 458, 13, 15}},
    {"Laos", {400, 470, 17, 15}},
    {"Laos", {406, 482, 17, 17}},
    {"Malaysia", {368, 580, 41, 33}},
    {"Mongolia", {256, 182, 147, 67}},
    {"Burma (Myanmar)", {304, 400, 33, 93}},
    {"Burma (Myanmar)", {330, 426, 17, 17}},
    {"Burma (Myanmar)", {336, 438, 17, 17}},
    {"Burma (Myanmar)", {332, 482, 17, 17}},
    {"Burma (Myanmar)", {332, 500, 17, 17}},
    {"Burma (Myanmar)", {340, 514, 17, 17}},
    {"Nepal", {214, 390, 37, 21}},
    {"Nepal", {186, 378, 31, 25}},
    {"North Korea", {494, 194, 25, 51}},
    {"Philippines", {512, 408, 97, 127}},
    {"Singapore", {390, 606, 17, 17}},
    {"South Korea", {518, 232, 25, 53}},
    {"Sri Lanka", {178, 562, 31, 39}},
    {"Taiwan", {508, 354, 25, 45}},
    {"Thailand", {358, 468, 31, 53}},
    {"Thailand", {376, 476, 25, 25}},
    {"Thailand", {338, 454, 25, 29}},
    {"Thailand", {350, 474, 25, 37}},
    {"Thailand", {350, 524, 31, 53}},
    {"Vietnam", {388, 420, 33, 39}},
    {"Vietnam", {424, 470, 23, 39}},
    {"Vietnam", {420, 512, 27, 25}},
    {"Vietnam", {404, 528, 33, 39}},
    {"Vietnam", {402, 452, 27, 19}},
    {"Russia", {0, 0, 623, 135}},
    {"Russia", {-2, 128, 77, 39}},
    {"Russia", {190, 132, 67, 55}},
    {"Russia", {256, 132, 127, 39}},
    {"Russia", {370, 126, 33, 39}},
    {"Russia", {72, 118, 129, 39}},
    {"Russia", {510, 122, 33, 65}},}};
// clang-format on

} // namespace drillix::layout
