// The outcome of one domain job and the two forms a result line takes: the seven-field line
// ("domain|country|state|charset|adId|title|words") or one JSON object (JSON Lines), which also
// carries failed domains with their cause.
#pragma once

#include "base/string_buffer.h"
#include "http/fetch_failure.h"

struct DomainResult {
    StringBuffer domain;
    StringBuffer country;
    StringBuffer state;
    StringBuffer charset;
    StringBuffer adId;
    StringBuffer title;
    StringBuffer words; // "word,count,word,count..."
    FetchFailure failure = FetchFailure::None;
    StringBuffer detail; // what failed: a host, a status, a phrase
};

enum class ResultFormat { Pipe, Jsonl };

// The format the outFormat setting asks for ("jsonl", anything else the pipe form).
ResultFormat resultFormatOf(const StringBuffer& outFormat);

// The seven-field line. Every field is cleaned first: '|', TAB, CR and LF become blanks and runs
// of blanks one, so the line never splits.
void formatPipeLine(const DomainResult& result, StringBuffer& line);
// One JSON object on one line: domain, country, state, charset, adId, title, words (an object of
// word to count), and for a failed domain failed (the cause word) and detail. Bytes that are no
// UTF-8 become U+FFFD.
void formatJsonLine(const DomainResult& result, StringBuffer& line);
