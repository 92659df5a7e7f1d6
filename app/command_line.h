// The crawler's command line. Every option is optional: without any, the crawler reads its fixed
// configuration file and runs the input list exactly as it always has.
#pragma once

#include "base/string_buffer.h"

// The version the crawler reports for --version.
constexpr const char* kDunmereVersion = "2.0.0";

struct CommandLine {
    enum class Mode { Crawl, Help, Version, Enqueue, Collect, Status };
    Mode mode = Mode::Crawl;
    StringBuffer configFile;  // empty: the fixed configuration file inside the working directory
    int threads = 0;          // 0: the configured count
    StringBuffer enqueueFile; // the domain list --enqueue loads into the shared queue
};

// Reads the arguments after the program name. False, with the reason in `error`, for an
// unknown option, a missing value or a value out of range; nothing has been done then.
bool parseCommandLine(int argc, const char* const* argv, CommandLine& out, StringBuffer& error);

// The short usage text printed for --help and after a wrong option.
const char* commandLineUsage();
