#include "quiz/errorreport.h"

#include "form/platform.h"

namespace drillix {

std::string errorReportText(const std::string &description, const std::string &location, int step)
{
    // The location text ends with a space of its own, which joins it to "at".
    return description + "\r\n" + location + "at line " + std::to_string(step) + "\r\r"
           + "Please email screenshot of this message to " + kSupportAddress;
}

void showErrorReport(MessageBoxes &boxes, const std::string &description, const std::string &location,
                     int step)
{
    boxes.show(errorReportText(description, location, step), kMsgBoxExclamation, kErrorReportTitle);
}

} // namespace drillix
