// Prints the first second of the day at which the quiz's start-up draw opens
// the web site: the program's own start-up and random source, with the clock
// stopped at each whole second in turn and a shell that only records. Used
// to make the real program open the site on purpose (with its clock fixed
// by fixedtime.c). With --quiet, prints the first second at which it does
// not, so that a traced game is never joined by the URL opener by chance.

#include "core/quiz.h"
#include "qt/platform/desktop.h"

#include "fakes.h"

#include <cstdio>
#include <string_view>

using namespace drillix;

namespace {

class StoppedClock : public Clock
{
public:
    float secondsSinceMidnight() override { return seconds; }
    float seconds = 0;
};

} // namespace

int main(int argc, char **argv)
{
    const bool quiet = argc > 1 && std::string_view(argv[1]) == "--quiet";
    for (int second = 0; second < 86400; ++second) {
        test::FakeMessageBoxes boxes;
        test::FakeSound sound;
        test::FakeShell shell;
        test::FakeSkin skin;
        test::FakePictures pictures;
        test::FakeFiles files;
        StoppedClock clock;
        clock.seconds = static_cast<float>(second);
        SystemRandom random;
        Platform platform{boxes, sound, shell, skin, pictures, files, clock, random};
        Quiz quiz(platform, test::kInstallFolder);
        quiz.start();
        if (quiet && shell.commands.empty()) {
            std::printf("%d\n", second);
            return 0;
        }
        if (!quiet && !shell.commands.empty()) {
            std::printf("%d %s\n", second, shell.commands.front().c_str());
            return 0;
        }
    }
    std::fprintf(stderr, "no second of the day gives that draw\n");
    return 1;
}
