// Small helpers on host and domain names that the crawler and the HTTP client share.
#pragma once

// True when the text after the last '.' of `host` is one of the known top-level names
// (exact, lower-case comparison); false when there is no '.'.
bool hasKnownTld(const char* host);
