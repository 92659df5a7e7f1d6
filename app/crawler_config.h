// The crawler's run-time settings, as read from its configuration file.
#pragma once

#include "base/string_buffer.h"

struct CrawlerConfig {
    StringBuffer logFile;   // standard output is reopened onto it
    StringBuffer inFile;    // the input list of domains, one per line
    StringBuffer outFile;   // the result file, truncated at every run
    StringBuffer errFile;   // the error file, truncated at every run
    int numThreads = 0;     // worker threads; 0 means the default
};
