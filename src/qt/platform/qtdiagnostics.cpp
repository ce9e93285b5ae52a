#include "qt/platform/qtdiagnostics.h"

Q_LOGGING_CATEGORY(lcDrillix, "drillix")
