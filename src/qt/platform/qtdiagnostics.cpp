#include "qt/platform/qtdiagnostics.h"

Q_LOGGING_CATEGORY(lcDrillix, "drillix")

namespace drillix {

void QtDiagnostics::warning(const std::string &message)
{
    qCWarning(lcDrillix, "%s", message.c_str());
}

} // namespace drillix
