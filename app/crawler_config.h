// The crawler's run-time settings, as read from its configuration file.
#pragma once

#include "base/string_buffer.h"

struct CrawlerConfig {
    StringBuffer logFile;   // standard output is reopened onto it
    StringBuffer inFile;    // the input list of domains, one per line
    StringBuffer outFile;   // the result file, truncated at every run
    StringBuffer errFile;   // the error file, truncated at every run
    int numThreads = 0;     // worker threads; 0 means the default
    bool resume = false;    // a killed run started again finishes its list instead of restarting
    StringBuffer queue;     // redis://[:password@]host:port[/db] of a shared queue; empty: inFile
    StringBuffer queueName; // the shared queue's stream and group name
    StringBuffer outFormat; // "pipe" (the result line) or "jsonl" (one JSON object per domain)
};
