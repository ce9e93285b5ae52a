#include "core/errorreport.h"

#include "core/contract.h"

namespace drillix {

std::string errorReportText(const std::string &description, const std::string &location, int step)
{
    // The location text ends with a space of its own, which joins it to "at".
    return description + "\r\n" + location + "at line " + std::to_string(step) + "\r\r"
           + "Please email screenshot of this message to " + contract::kSupportAddress;
}

} // namespace drillix
