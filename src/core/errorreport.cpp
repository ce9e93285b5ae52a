#include "core/errorreport.h"

#include "core/contract.h"
#include "core/platform.h"

namespace drillix {

std::string errorReportText(const std::string &description, const std::string &location, int step)
{
    // The location text ends with a space of its own, which joins it to "at".
    return description + "\r\n" + location + "at line " + std::to_string(step) + "\r\r"
           + "Please email screenshot of this message to " + contract::kSupportAddress;
}

void showErrorReport(MessageBoxes &boxes, const std::string &description, const std::string &location,
                     int step)
{
    boxes.show(errorReportText(description, location, step), contract::kMsgBoxExclamation, contract::kErrorReportTitle);
}

} // namespace drillix
