// Dead and parked pages: the phrases that mark an error page, a parked or for-sale domain, a site
// under construction or a refused access. They are looked for where a visitor reads them, in the
// page's title and the first characters of its visible text, never in scripts, styles, comments
// or attributes: a shop whose script holds "Page not found" and an article quoting a server's
// "404 Not Found" further down are live pages.
//
// The phrases are matched in one pass by an automaton built once per process on first use and
// read-only afterwards, so any number of threads may ask at once.
#pragma once

#include "http/fetch_failure.h"

// The first phrase of the table, in table order, that the page's title or the first
// HttpLimits::kDeadPageTextChars characters of its visible text contain, ASCII case ignored; null
// when none does. `html` is the page's UTF-8 text.
const char* findDeadPagePhrase(const char* html);

// What a phrase findDeadPagePhrase returned says of the site: ForSale, Parked or DeadPage.
FetchFailure deadPageCause(const char* phrase);
