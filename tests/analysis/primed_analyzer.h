// One analyzer per test binary, primed with the shipped tables and ready for geographic lookups;
// tests that change it reset its results first.
#pragma once

#include "analysis/geo_location.h"
#include "analysis/site_analyzer.h"
#include "app/analyzer_priming.h"

#include <gtest/gtest.h>

inline SiteAnalyzer& primedAnalyzer() {
    static SiteAnalyzer* analyzer = [] {
        auto* a = new SiteAnalyzer;
        if (!primeAnalyzer(*a))
            ADD_FAILURE() << "the reference tables did not decode";
        prepareGeoLookup(*a);
        return a;
    }();
    return *analyzer;
}
