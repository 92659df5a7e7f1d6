#include "app/result_format.h"

#include "base/utf8_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

void appendPipeField(StringBuffer& line, const StringBuffer& value) {
    StringBuffer field(value.getString());
    field.replaceChar('|', ' ');
    collapseUtf8Whitespace(field);
    line.appendSb(field);
}

// A JSON string: quotes, backslashes and control characters escaped, broken UTF-8 replaced.
void appendJsonString(StringBuffer& out, const char* text, int size) {
    out.appendChar('"');
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    for (int i = 0; i < size;) {
        char32_t c = 0;
        int taken = decodeUtf8(s + i, size - i, c);
        if (taken <= 0)
            taken = 1;
        if (taken == 1 && s[i] >= 0x80)
            c = 0xFFFD;
        i += taken;
        if (c == '"' || c == '\\') {
            out.appendChar('\\');
            out.appendChar(static_cast<char>(c));
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
            out.append(escaped);
        } else {
            appendUtf8(out, c);
        }
    }
    out.appendChar('"');
}

void appendMember(StringBuffer& out, const char* name, const StringBuffer& value) {
    out.append(",\"");
    out.append(name);
    out.append("\":");
    appendJsonString(out, value.getString(), value.getSize());
}

// "word,count,word,count" as {"word":count,...}; a word without a number after it is left out.
void appendWords(StringBuffer& out, const StringBuffer& vector) {
    out.append(",\"words\":{");
    const char* p = vector.getString();
    bool first = true;
    while (*p != 0) {
        const char* comma = std::strchr(p, ',');
        if (comma == nullptr)
            break;
        char* end = nullptr;
        long count = std::strtol(comma + 1, &end, 10);
        if (end == comma + 1)
            break;
        if (!first)
            out.appendChar(',');
        first = false;
        appendJsonString(out, p, static_cast<int>(comma - p));
        out.appendChar(':');
        out.appendInt(static_cast<int>(count));
        p = *end == ',' ? end + 1 : end;
    }
    out.appendChar('}');
}

} // namespace

ResultFormat resultFormatOf(const StringBuffer& outFormat) {
    return outFormat.equalsIgnoreCase("jsonl") ? ResultFormat::Jsonl : ResultFormat::Pipe;
}

void formatPipeLine(const DomainResult& r, StringBuffer& line) {
    line.clear();
    appendPipeField(line, r.domain);
    for (const StringBuffer* field : {&r.country, &r.state, &r.charset, &r.adId, &r.title, &r.words}) {
        line.appendChar('|');
        appendPipeField(line, *field);
    }
}

void formatJsonLine(const DomainResult& r, StringBuffer& line) {
    line.setString("{\"domain\":");
    appendJsonString(line, r.domain.getString(), r.domain.getSize());
    appendMember(line, "country", r.country);
    appendMember(line, "state", r.state);
    appendMember(line, "charset", r.charset);
    appendMember(line, "adId", r.adId);
    appendMember(line, "title", r.title);
    appendWords(line, r.words);
    if (r.failure != FetchFailure::None) {
        appendMember(line, "failed", StringBuffer(fetchFailureWord(r.failure)));
        appendMember(line, "detail", r.detail);
    }
    line.appendChar('}');
}
