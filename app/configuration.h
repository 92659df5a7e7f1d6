// Reading the crawler's configuration file.
#pragma once

#include "app/crawler_config.h"

// The fixed location of the configuration file, inside the working directory.
constexpr const char* kConfigurationPath = "c:/Orrastead/Dunmere.xml";

// The shared queue's name when the settings give none.
constexpr const char* kDefaultQueueName = "dunmere";

// Reads the settings of the file at `path` into `config`; false when it is missing or no XML.
// Missing settings are empty or 0, except queueName ("dunmere") and outFormat ("pipe").
[[nodiscard]] bool readConfigurationFile(const char* path, CrawlerConfig& config);

// The fixed file: true: `config` is filled from the file (missing settings empty or 0). False: the file was
// missing or unreadable, a default file has been written, and the process must end without
// processing anything.
[[nodiscard]] bool loadConfiguration(CrawlerConfig& config);
