// The cause a dead-page phrase stands for, read from its wording, so the phrase table can grow
// without a second table beside it.
#pragma once

#include "http/fetch_failure.h"

// ForSale for an offer of the domain, Parked for a parking or holding page, DeadPage for
// anything else (error pages, closed or unfinished sites).
FetchFailure deadPageFailure(const char* phrase);
