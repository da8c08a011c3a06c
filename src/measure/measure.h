#pragma once
// Everything the measurement library offers, for callers that want it all in one include.

#include "alarmentry.h"     // IWYU pragma: export
#include "chartscale.h"     // IWYU pragma: export
#include "datalog.h"        // IWYU pragma: export
#include "formatvalue.h"    // IWYU pragma: export
#include "historyreport.h"  // IWYU pragma: export
#include "leadingnumber.h"  // IWYU pragma: export
#include "localclock.h"     // IWYU pragma: export
#include "liveseries.h"     // IWYU pragma: export
#include "meterrecord.h"    // IWYU pragma: export
#include "reportfile.h"     // IWYU pragma: export
#include "statistics.h"     // IWYU pragma: export
