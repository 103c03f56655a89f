#pragma once

// The plot library's header uses Qt's lowercase keywords, which our targets turn
// off; it is included through here with them spelt out for it alone.
#define signals Q_SIGNALS
#define foreach(variable, container) for (variable : container)
#include <qcustomplot.h>
#undef foreach
#undef signals
