// Site folders: the fixture sites as data. A directory holds one sub-directory per site, named
// after the domain the crawler is given, holding the site's files, in sub-directories too (an
// "index.html" also answers for its directory), and optionally:
//   _site.conf   one setting per line:
//     hosts <name> <name>...   the names the site answers to (default: the directory name); a
//                              name left out does not resolve at all
//     status <path> <code>     redirect <path> <location> [code] (default 302)
//     delay <path> <ms>        gzip                          charset <name>
//     chunked [path]           chunks instead of a length, for the whole site or one path
//   _expected.txt  the line the crawler must write for the site
//   _fetches.txt   the URLs the analysis must ask for, one a line, in order
//   _report.txt    the site's record in the report file of the full mode, and
//   _full_fetches.txt  the URLs the full mode must ask for, in order
// The fixture web server and the in-process page source both serve sites read here.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace test_support {

struct SitePage {
    int status = 200;
    std::string location; // of a redirect
    std::string body;
    int delayMs = 0;
    bool chunked = false;
};

struct SiteFolder {
    std::string name;
    std::vector<std::string> hosts;
    std::string charset;
    bool gzip = false;
    // By path ("/index.html", "/").
    std::map<std::string, SitePage> pages;
    std::string expected;
    std::vector<std::string> fetches;
    std::string report;
    std::vector<std::string> fullFetches;
    // nginx location blocks that give the same statuses and redirects, for serving the site's
    // folder with nginx. Delays and chunking have none: nginx sends static files with a length.
    std::string nginxLocations;
};

// Every site folder of `dir`, in name order.
std::vector<SiteFolder> readSiteFolders(const std::string& dir);

// The reason phrase the fixture servers send with `status`.
const char* reasonPhrase(int status);
// The whole file, "" when it cannot be read.
std::string readWholeFile(const std::string& path);

} // namespace test_support
