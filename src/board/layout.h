#pragma once

#include "form/form.h"
#include "form/platform.h"

#include <memory>

namespace drillix {

// Embedded pictures of the window, by resource name.
inline constexpr const char *kMapPicture = ":/pictures/map.jpg";
inline constexpr const char *kPanelPicture = ":/pictures/panel.jpg";
inline constexpr const char *kPinPicture = ":/pictures/pin.ico";
inline constexpr const char *kApplicationIcon = ":/pictures/app.ico";

// Builds the main window exactly as designed, before any handler runs.
std::unique_ptr<Form> buildForm1(SoundOutput &sound, SkinEngine &skin);

} // namespace drillix
