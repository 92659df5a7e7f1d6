#include "app/command_line.h"

#include "app/worker_pool.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* const kUsage =
    "usage: dunmere [options]\n"
    "  --config FILE    read the settings from FILE instead of c:/Orrastead/Dunmere.xml\n"
    "  --threads N      run N workers (1 to 124), whatever the settings say\n"
    "  --enqueue FILE   load the domains of FILE into the shared queue named by the settings\n"
    "  --collect        write the result and error files from the shared queue's results\n"
    "  --status         print the shared queue's counts\n"
    "  --version        print the version\n"
    "  --help           print this text\n"
    "Without options the crawler reads c:/Orrastead/Dunmere.xml and crawls its input list.\n";

bool setMode(CommandLine& out, CommandLine::Mode mode, const char* option, StringBuffer& error) {
    if (out.mode != CommandLine::Mode::Crawl && out.mode != mode) {
        error.setString("conflicting options: ");
        error.append(option);
        return false;
    }
    out.mode = mode;
    return true;
}

} // namespace

const char* commandLineUsage() {
    return kUsage;
}

bool parseCommandLine(int argc, const char* const* argv, CommandLine& out, StringBuffer& error) {
    error.clear();
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        const bool takesValue = std::strcmp(option, "--config") == 0 || std::strcmp(option, "--threads") == 0 ||
                                std::strcmp(option, "--enqueue") == 0;
        if (takesValue && (i + 1 >= argc || argv[i + 1][0] == 0)) {
            error.setString("missing value for ");
            error.append(option);
            return false;
        }
        if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
            if (!setMode(out, CommandLine::Mode::Help, option, error))
                return false;
        } else if (std::strcmp(option, "--version") == 0) {
            if (!setMode(out, CommandLine::Mode::Version, option, error))
                return false;
        } else if (std::strcmp(option, "--config") == 0) {
            out.configFile.setString(argv[++i]);
        } else if (std::strcmp(option, "--threads") == 0) {
            const char* text = argv[++i];
            char* end = nullptr;
            long value = std::strtol(text, &end, 10);
            if (*end != 0 || value < 1 || value > kMaxWorkerThreads) {
                error.setString("--threads takes a number from 1 to 124, not ");
                error.append(text);
                return false;
            }
            out.threads = static_cast<int>(value);
        } else if (std::strcmp(option, "--enqueue") == 0) {
            if (!setMode(out, CommandLine::Mode::Enqueue, option, error))
                return false;
            out.enqueueFile.setString(argv[++i]);
        } else if (std::strcmp(option, "--collect") == 0) {
            if (!setMode(out, CommandLine::Mode::Collect, option, error))
                return false;
        } else if (std::strcmp(option, "--status") == 0) {
            if (!setMode(out, CommandLine::Mode::Status, option, error))
                return false;
        } else {
            error.setString("unknown option: ");
            error.append(option);
            return false;
        }
    }
    return true;
}
