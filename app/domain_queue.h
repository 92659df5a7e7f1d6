// The shared input list of domains. Every read of the input stream, including the skipping of
// invalid lines and the closing of the stream at its end, happens under one lock.
#pragma once

#include "base/string_buffer.h"

#include <cstdio>

// Lines longer than this arrive in several pieces, each treated as a line of its own.
constexpr int kMaxDomainLineBytes = 797;

// Hands the input stream to the queue; null closes nothing and makes the queue empty.
void setInputStream(FILE* stream);
// Closes the input stream if no worker has done so yet.
void closeInputStream();

// A shared queue in place of the input file: it hands out domains and takes each one's finished
// line. Both calls come from a worker thread, the line for the domain that thread took last.
class DomainSource {
public:
    virtual ~DomainSource() = default;
    virtual bool next(StringBuffer& domain) = 0;
    virtual bool finish(bool isError, const StringBuffer& line) = 0;
};
// Null returns to the input file.
void setDomainSource(DomainSource* source);
DomainSource* domainSource();

// From now on nextDomain answers false, so the workers end after the domains in flight. Safe to
// call from a signal handler.
void stopTakingDomains();
bool stoppedTakingDomains();

// Takes the next valid domain from the input, lower-cased and trimmed; false once the input
// is exhausted. Invalid lines are logged as "Invalid Domain: %s\n" and skipped.
bool nextDomain(StringBuffer& domain);

// Trims a line read from the input and lower-cases it; an international name keeps its Unicode
// form, an A-label stays one.
void normaliseDomainLine(StringBuffer& line);
// A domain is valid when it converts to a host name whose last label is a top-level domain.
bool isValidDomain(const StringBuffer& domain);
