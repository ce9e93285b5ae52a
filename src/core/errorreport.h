#pragma once

#include <string>

namespace drillix {

class MessageBoxes;

// The report's text: the description, the handler's location and step, and
// a request to send a screenshot. The bare CRs leave an empty line.
std::string errorReportText(const std::string &description, const std::string &location, int step);

// Shows the one error box of the program and returns when it is closed.
void showErrorReport(MessageBoxes &boxes, const std::string &description, const std::string &location,
                     int step);

} // namespace drillix
