#include "site_folder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace test_support {

namespace {

namespace fs = std::filesystem;

std::string withoutLineEnds(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::vector<std::string> nonEmptyLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line = withoutLineEnds(line);
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

// False when the configuration names no hosts line.
bool readConf(const std::string& text, SiteFolder& site) {
    bool chunked = false, hostsGiven = false;
    std::vector<std::string> chunkedPaths;
    std::istringstream conf(text);
    for (std::string line; std::getline(conf, line);) {
        std::istringstream words(line);
        std::string word, path, value;
        words >> word;
        if (word == "hosts") {
            hostsGiven = true;
            while (words >> value)
                site.hosts.push_back(value);
        } else if (word == "gzip") {
            site.gzip = true;
        } else if (word == "chunked") {
            if (words >> path)
                chunkedPaths.push_back(path);
            else
                chunked = true;
        } else if (word == "charset") {
            words >> site.charset;
        } else if (word == "status" || word == "redirect" || word == "delay") {
            words >> path >> value;
            SitePage& page = site.pages[path];
            if (word == "status") {
                page.status = std::atoi(value.c_str());
                site.nginxLocations += " location = " + path + " { return " + value + " \"" +
                                       reasonPhrase(page.status) + "\"; }";
            } else if (word == "delay") {
                page.delayMs = std::atoi(value.c_str());
            } else {
                std::string code;
                page.status = words >> code ? std::atoi(code.c_str()) : 302;
                page.location = value;
                site.nginxLocations +=
                    " location = " + path + " { return " + std::to_string(page.status) + " " + value + "; }";
            }
        }
    }
    for (auto& [path, page] : site.pages)
        page.chunked =
            chunked || std::find(chunkedPaths.begin(), chunkedPaths.end(), path) != chunkedPaths.end();
    return hostsGiven;
}

SiteFolder readSite(const fs::path& dir) {
    SiteFolder site;
    site.name = dir.filename().string();
    for (const auto& file : fs::recursive_directory_iterator(dir)) {
        std::string fileName = file.path().filename().string();
        if (fileName.empty() || fileName[0] == '.' || fileName[0] == '_' || !file.is_regular_file())
            continue;
        SitePage page;
        page.body = readWholeFile(file.path().string());
        std::string path = "/" + fs::relative(file.path(), dir).generic_string();
        site.pages[path] = page;
        if (fileName == "index.html")
            site.pages[path.substr(0, path.size() - fileName.size())] = page;
    }
    if (!readConf(readWholeFile((dir / "_site.conf").string()), site))
        site.hosts.push_back(site.name);
    site.expected = withoutLineEnds(readWholeFile((dir / "_expected.txt").string()));
    site.fetches = nonEmptyLines(readWholeFile((dir / "_fetches.txt").string()));
    site.report = readWholeFile((dir / "_report.txt").string());
    site.fullFetches = nonEmptyLines(readWholeFile((dir / "_full_fetches.txt").string()));
    return site;
}

} // namespace

const char* reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 308:
        return "Permanent Redirect";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<SiteFolder> readSiteFolders(const std::string& dir) {
    std::vector<fs::path> dirs;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        std::string name = entry.path().filename().string();
        if (!name.empty() && name[0] != '.' && entry.is_directory())
            dirs.push_back(entry.path());
    }
    std::sort(dirs.begin(), dirs.end());
    std::vector<SiteFolder> sites;
    for (const fs::path& site : dirs)
        sites.push_back(readSite(site));
    return sites;
}

} // namespace test_support
