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

// Takes the next valid domain from the input, lower-cased and trimmed; false once the input
// is exhausted. Invalid lines are logged as "Invalid Domain: %s\n" and skipped.
bool nextDomain(StringBuffer& domain);

// Trims a line read from the input and lower-cases it; an international name keeps its Unicode
// form, an A-label stays one.
void normaliseDomainLine(StringBuffer& line);
// A domain is valid when it converts to a host name whose last label is a top-level domain.
bool isValidDomain(const StringBuffer& domain);
