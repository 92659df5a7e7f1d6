// The crawler process: working directory, configuration, priority, log, the three files and
// the worker pool, as the command line asks.
#pragma once

#include "app/command_line.h"
#include "app/crawler_config.h"

class CrawlJob;

// The fixed working directory, relative to the directory the process is started in.
constexpr const char* kWorkingDirectory = "c:/Orrastead/";
constexpr int kDefaultWorkerThreads = 6;

// Runs what the command line asks with `job`; without options, the whole input list once. Returns the
// process's exit status: 0 for a run (whatever happened to its domains), 1 when a configuration
// file named on the command line cannot be read.
int crawlerProcessMain(const CommandLine& commandLine, CrawlJob& job);

// The number of workers a configured count asks for: 0 and negative counts mean the default,
// counts above the analyzer table's size are clamped to it.
int effectiveWorkerCount(int configured);
