// Prints a value of DRILLIX_FIXED_RANDOM (fixedrandom.c, preloaded) at which
// the quiz's start-up draw opens the web site, and the address it opens: the
// program's own start-up and random source, with a browser that only
// records. Used to make the real program open the site on purpose. With
// --quiet, prints a value at which it does not, so that a traced game is
// never joined by the URL opener by chance.

#include "core/contract.h"
#include "core/quiz.h"
#include "qt/platform/desktop.h"

#include "fakes.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace drillix;

int main(int argc, char **argv)
{
    const bool quiet = argc > 1 && std::string_view(argv[1]) == "--quiet";
    // A thousand values spread over the generator's range.
    for (unsigned value = 0; value < 4294000000u; value += 4294967u) {
        ::setenv("DRILLIX_FIXED_RANDOM", std::to_string(value).c_str(), 1);
        test::Game game;
        SystemRandom random;
        Platform platform{game.boxes, game.sound, game.browser, game.skin, game.pictures, game.files, random,
                          game.sideFiles};
        Quiz(platform).start();
        if (game.browser.opened.empty() == quiet) {
            std::printf(quiet ? "%u\n" : "%u %s\n", value, contract::kWebSiteAddress);
            return 0;
        }
    }
    std::fprintf(stderr, "no value gives that draw: is fixedrandom.c preloaded?\n");
    return 1;
}
