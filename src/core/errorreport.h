#pragma once

#include <string>

namespace drillix {

// The report's text: the description, the handler's location and step, and
// a request to send a screenshot. The bare CRs leave an empty line.
std::string errorReportText(const std::string &description, const std::string &location, int step);

} // namespace drillix
