#include "app/run_report.h"

#include "app/result_format.h"
#include "http/limits.h"

#include <algorithm>
#include <cstdio>

namespace {

// Bars shown per chart; the rest of a field's values only count in its total.
constexpr int kTopValues = 10;
constexpr int kChartWidth = 640;
constexpr int kBarHeight = 22;
constexpr int kCurveHeight = 200;

const char* const kNoValue = "(none)";
const char* const kOtherValues = "(others)";

void appendEscaped(StringBuffer& out, const char* text) {
    for (const char* p = text; *p != 0; ++p) {
        switch (*p) {
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        case '&':
            out.append("&amp;");
            break;
        case '"':
            out.append("&quot;");
            break;
        default:
            out.appendChar(*p);
        }
    }
}

void appendNumber(StringBuffer& out, double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof(text), format, value);
    out.append(text);
}

void appendCountRow(StringBuffer& out, const char* id, const char* label, int count) {
    out.append("<tr><th>");
    out.append(label);
    out.append("</th><td id=\"");
    out.append(id);
    out.append("\">");
    out.appendInt(count);
    out.append("</td></tr>\n");
}

// A horizontal bar chart of labelled counts, under its title when it has one.
void appendBars(StringBuffer& out, const char* title, const std::vector<std::pair<std::string, int>>& bars) {
    if (title != nullptr) {
        out.append("<h2>");
        out.append(title);
        out.append("</h2>\n");
    }
    if (bars.empty()) {
        out.append("<p>none</p>\n");
        return;
    }
    int most = 1;
    for (const auto& bar : bars)
        most = std::max(most, bar.second);
    int height = static_cast<int>(bars.size()) * kBarHeight;
    out.append("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"");
    out.appendInt(kChartWidth);
    out.append("\" height=\"");
    out.appendInt(height);
    out.append("\">\n");
    int y = 0;
    for (const auto& [label, count] : bars) {
        int width = std::max(1, (kChartWidth - 260) * count / most);
        out.append("<text x=\"0\" y=\"");
        out.appendInt(y + 16);
        out.append("\">");
        appendEscaped(out, label.substr(0, 40).c_str());
        out.append("</text><rect x=\"200\" y=\"");
        out.appendInt(y + 3);
        out.append("\" width=\"");
        out.appendInt(width);
        out.append("\" height=\"");
        out.appendInt(kBarHeight - 6);
        out.append("\" fill=\"#3a6ea5\"/><text x=\"");
        out.appendInt(206 + width);
        out.append("\" y=\"");
        out.appendInt(y + 16);
        out.append("\">");
        out.appendInt(count);
        out.append("</text>\n");
        y += kBarHeight;
    }
    out.append("</svg>\n");
}

// Domains per second between consecutive points of the run's course.
void appendCurve(StringBuffer& out, const std::vector<ThroughputSample>& samples) {
    out.append("<h2>Domains per second</h2>\n");
    if (samples.size() < 2) {
        out.append("<p>The run was too short for a curve.</p>\n");
        return;
    }
    std::vector<std::pair<double, double>> rates;
    double fastest = 0.1;
    for (size_t i = 1; i < samples.size(); ++i) {
        double span = samples[i].seconds - samples[i - 1].seconds;
        double rate = span > 0 ? (samples[i].done - samples[i - 1].done) / span : 0;
        rates.emplace_back(samples[i].seconds, rate);
        fastest = std::max(fastest, rate);
    }
    double last = std::max(samples.back().seconds, 1.0);
    out.append("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"");
    out.appendInt(kChartWidth);
    out.append("\" height=\"");
    out.appendInt(kCurveHeight + 20);
    out.append("\">\n<rect x=\"0\" y=\"0\" width=\"");
    out.appendInt(kChartWidth);
    out.append("\" height=\"");
    out.appendInt(kCurveHeight);
    out.append(
        "\" fill=\"#f4f4f4\"/>\n<polyline fill=\"none\" stroke=\"#c0392b\" stroke-width=\"2\" points=\"");
    for (const auto& [seconds, rate] : rates) {
        appendNumber(out, seconds / last * kChartWidth, "%.1f");
        out.appendChar(',');
        appendNumber(out, kCurveHeight - rate / fastest * (kCurveHeight - 10), "%.1f");
        out.appendChar(' ');
    }
    out.append("\"/>\n<text x=\"4\" y=\"14\">");
    appendNumber(out, fastest, "%.1f");
    out.append(" /s</text><text x=\"4\" y=\"");
    out.appendInt(kCurveHeight + 16);
    out.append("\">0 s</text><text x=\"");
    out.appendInt(kChartWidth - 80);
    out.append("\" y=\"");
    out.appendInt(kCurveHeight + 16);
    out.append("\">");
    appendNumber(out, last, "%.0f");
    out.append(" s</text>\n</svg>\n");
}

void appendShare(StringBuffer& out, const char* id, const char* label, int count, int of) {
    out.append("<tr><th>");
    out.append(label);
    out.append("</th><td id=\"");
    out.append(id);
    out.append("\">");
    appendNumber(out, of > 0 ? 100.0 * count / of : 0.0, "%.1f");
    out.append(" %</td></tr>\n");
}

} // namespace

void ReportTallies::Tally::add(const StringBuffer& value) {
    std::string key = value.getSize() > 0 ? value.getString() : kNoValue;
    auto it = counts.find(key);
    if (it == counts.end() && counts.size() >= static_cast<size_t>(HttpLimits::kMaxReportValues))
        it = counts.emplace(kOtherValues, 0).first;
    else if (it == counts.end())
        it = counts.emplace(key, 0).first;
    ++it->second;
}

std::vector<std::pair<std::string, int>> ReportTallies::Tally::top() const {
    std::vector<std::pair<std::string, int>> sorted(counts.begin(), counts.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    if (sorted.size() > static_cast<size_t>(kTopValues))
        sorted.resize(kTopValues);
    return sorted;
}

void ReportTallies::add(const DomainResult& result) {
    if (result.failure != FetchFailure::None)
        return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_countries.add(result.country);
    m_states.add(result.state);
    m_charsets.add(result.charset);
}

void ReportTallies::appendCharts(StringBuffer& html) const {
    std::lock_guard<std::mutex> guard(m_lock);
    appendBars(html, "Countries", m_countries.top());
    appendBars(html, "States", m_states.top());
    appendBars(html, "Charsets", m_charsets.top());
}

void buildRunReport(const RunStatistics& s, const ReportTallies& tallies, StringBuffer& html) {
    int analysed = s.analysed.load();
    html.setString("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                   "<title>Dunmere run report</title>\n<style>body{font-family:sans-serif;margin:2em;"
                   "background:#fff;color:#222}th{text-align:left;padding-right:2em}td{text-align:right}"
                   "svg text{font-size:13px}</style></head><body>\n<h1>Dunmere run report</h1>\n<table>\n");
    appendCountRow(html, "read", "Domain lines read", s.read.load());
    appendCountRow(html, "invalid", "Invalid lines", s.invalid.load());
    appendCountRow(html, "analysed", "Domains finished", analysed);
    appendCountRow(html, "results", "With a result", s.results.load());
    appendCountRow(html, "failed", "Failed", s.failed.load());
    html.append("<tr><th>Seconds</th><td id=\"seconds\">");
    appendNumber(html, s.seconds.load(), "%.0f");
    html.append("</td></tr>\n");
    appendShare(html, "parked-share", "Parked", s.failedBy[static_cast<int>(FetchFailure::Parked)].load(),
                analysed);
    appendShare(html, "for-sale-share", "For sale",
                s.failedBy[static_cast<int>(FetchFailure::ForSale)].load(), analysed);
    html.append("</table>\n");

    std::vector<std::pair<std::string, int>> causes;
    html.append("<h2>Failures by cause</h2>\n<table id=\"causes\">\n");
    for (int i = 1; i < kFetchFailureCount; ++i) {
        const char* word = fetchFailureWord(static_cast<FetchFailure>(i));
        int count = s.failedBy[i].load();
        StringBuffer id("cause-");
        id.append(word);
        appendCountRow(html, id.getString(), word, count);
        if (count > 0)
            causes.emplace_back(word, count);
    }
    html.append("</table>\n");
    appendBars(html, nullptr, causes);
    tallies.appendCharts(html);
    appendCurve(html, s.samples());
    html.append("</body></html>\n");
}

bool writeRunReport(const char* outFile, const RunStatistics& statistics, const ReportTallies& tallies) {
    StringBuffer path(outFile == nullptr ? "" : outFile);
    path.append(".report.html");
    StringBuffer html;
    buildRunReport(statistics, tallies, html);
    FILE* file = std::fopen(path.getString(), "w");
    if (file == nullptr) {
        std::printf("Failed to open %s\n", path.getString());
        return false;
    }
    bool ok = std::fwrite(html.getString(), 1, static_cast<size_t>(html.getSize()), file) ==
              static_cast<size_t>(html.getSize());
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        std::printf("Failed to write %s\n", path.getString());
    return ok;
}
