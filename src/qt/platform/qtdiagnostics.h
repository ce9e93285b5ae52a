#pragma once

#include <QLoggingCategory>

// The program's warnings, through Qt's logging ("drillix").
Q_DECLARE_LOGGING_CATEGORY(lcDrillix)
