// extractAdCodes: reads the ad code of a page's XML tree into the analyzer: the publisher id,
// the formats of up to six ad units and six link units, the search boxes, and a flag for ad
// code that was unreadable or named another publisher. The fields accumulate over the pages of
// one site. The publisher id is read from the old script code (google_ad_client with
// google_ad_format) and from today's forms: a "ca-pub-" id of 16 digits in script text or in a
// script's URL (adsbygoogle.js?client=...), and the data-ad-client attribute of an ad unit; it is
// kept as "pub-" and the digits.
#pragma once

class ClsXml;
class SiteAnalyzer;

// The host of the ad network's search engine, whose search forms carry the publisher id.
constexpr const char* kAdSearchEngineHost = "www.google.com";

void extractAdCodes(SiteAnalyzer& analyzer, ClsXml& xml);
