// The crawler process: working directory, configuration, priority, log, the three files and
// the worker pool. It has no window and reads no command-line arguments.
#pragma once

#include "app/crawler_config.h"

// The fixed working directory, relative to the directory the process is started in.
constexpr const char* kWorkingDirectory = "c:/Orrastead/";
constexpr int kDefaultWorkerThreads = 6;

// Runs the whole input list once; returns 0 in every case.
int crawlerProcessMain();

// The number of workers a configured count asks for: 0 and negative counts mean the default,
// counts above the analyzer table's size are clamped to it.
int effectiveWorkerCount(int configured);
