// The crawler executable: reads the command line and hands it to the process entry.
#include "app/command_line.h"
#include "app/domain_job.h"
#include "app/process_entry.h"

#include <cstdio>

int main(int argc, char** argv) {
    CommandLine commandLine;
    StringBuffer error;
    if (!parseCommandLine(argc, argv, commandLine, error)) {
        std::fprintf(stderr, "dunmere: %s\n%s", error.getString(), commandLineUsage());
        return 2;
    }
    SiteCrawlJob job;
    return crawlerProcessMain(commandLine, job);
}
