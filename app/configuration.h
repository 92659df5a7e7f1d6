// Reading the crawler's configuration file.
#pragma once

#include "app/crawler_config.h"

// The fixed location of the configuration file, inside the working directory.
constexpr const char* kConfigurationPath = "c:/Orrastead/Dunmere.xml";

// True: `config` is filled from the file (missing settings empty or 0). False: the file was
// missing or unreadable, a default file has been written, and the process must end without
// processing anything.
bool loadConfiguration(CrawlerConfig& config);
