#include "startedquiz.h"

#include "form/twips.h"

namespace drillix::mapdump {

struct StartedQuiz::NullPlatform : MessageBoxes, SoundOutput, Shell, SkinEngine, PictureLoader, FileSystem, Clock,
                                   RandomSource, Diagnostics {
    int show(const std::string &, int, const std::string &) override { return kMsgBoxResultOk; }
    void play(const std::string &, int) override {}
    void run(const std::string &, int) override {}
    void applySkin(const std::string &) override {}
    Picture loadPicture(const std::string &path) override { return Picture{path}; }
    std::string modificationTime(const std::string &) override { throw std::runtime_error("no files"); }
    std::vector<std::string> listNormalFiles(const std::string &) override { return {}; }
    std::unique_ptr<InputFile> openForInput(const std::string &) override { return nullptr; }
    float secondsSinceMidnight() override { return 0; }
    void seed(float) override {}
    float next() override { return 0; }
    void warning(const std::string &) override {}

    Platform platform{*this, *this, *this, *this, *this, *this, *this, *this, *this};
};

StartedQuiz::StartedQuiz()
    : m_platform(std::make_unique<NullPlatform>())
    , m_app(std::make_unique<Application>("/nowhere"))
    , m_window(std::make_unique<QuizWindow>(m_platform->platform, *m_app))
{
    m_window->start();
}

StartedQuiz::~StartedQuiz() = default;

int StartedQuiz::dropRegion(int twipX, int twipY) const
{
    const Control *hit = m_window->form().hitTest(twipX, twipY);
    if (!hit || hit->array() != &m_window->controls().dropTargets)
        return -1;
    return hit->index();
}

int StartedQuiz::dropRegionAtPixel(int x, int y) const
{
    return dropRegion(x * kTwipsPerPixel + kTwipsPerPixel / 2, y * kTwipsPerPixel + kTwipsPerPixel / 2);
}

} // namespace drillix::mapdump
