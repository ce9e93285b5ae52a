#pragma once

#include "form/form.h"

#include <memory>

namespace drillix {

// Embedded pictures of the window, by resource name.
inline constexpr const char *kMapPicture = ":/pictures/map.jpg";
inline constexpr const char *kPanelPicture = ":/pictures/panel.jpg";
inline constexpr const char *kPinPicture = ":/pictures/pin.ico";
inline constexpr const char *kApplicationIcon = ":/pictures/app.ico";

// The quiz window's controls, each by its part in the quiz.
struct QuizControls {
    Control &mapPicture;          // the unlabelled map
    Control &pinPicture;          // hidden; holds the pointer shown while a name is dragged
    Control &panel;               // the blue backdrop of the names
    Control &instructionsHeading;
    Control &instructionsText;
    Control &restartButton;
    Control &exitButton;
    Control &focusHolder;         // a text box off the client area that takes the keyboard focus first
    ControlArray &regions;        // rectangles over the countries, tagged with their names
    ControlArray &dropTargets;    // laid over the regions at start-up; they take the drops
    ControlArray &nameLabels;     // the names in the panel, dragged onto the map
    ControlArray &answerLabels;   // one per country, shown where a right drop puts its name
};

// The window as designed, without any of its controls.
std::unique_ptr<Form> makeQuizForm();

// Builds every control of the window into the form, in place and stacked as
// designed, before any handler runs.
QuizControls buildQuizControls(Form &form);

} // namespace drillix
