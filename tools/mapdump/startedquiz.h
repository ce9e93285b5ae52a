#pragma once

#include "quiz/quizwindow.h"

#include <memory>
#include <string>

namespace drillix::mapdump {

// A quiz window after its start-up, on a platform that does nothing: the
// drop targets lie where the program lays them, and the program's own hit
// test says where a drop goes.
class StartedQuiz
{
public:
    StartedQuiz();
    ~StartedQuiz();

    const QuizWindow &window() const { return *m_window; }
    // The region whose drop target takes a drop at this client twip, or -1.
    int dropRegion(int twipX, int twipY) const;
    // The same at the centre of a window pixel, as the front end turns a
    // pointer position into twips at scale 1.
    int dropRegionAtPixel(int x, int y) const;

private:
    struct NullPlatform;
    std::unique_ptr<NullPlatform> m_platform;
    std::unique_ptr<Application> m_app;
    std::unique_ptr<QuizWindow> m_window;
};

} // namespace drillix::mapdump
