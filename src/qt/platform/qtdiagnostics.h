#pragma once

#include "form/platform.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcDrillix)

namespace drillix {

// The program's warnings, through Qt's logging.
class QtDiagnostics : public Diagnostics
{
public:
    void warning(const std::string &message) override;
};

} // namespace drillix
