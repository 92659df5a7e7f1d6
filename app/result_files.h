// The writers of the result and error files. Each line is written and flushed under its
// file's own lock, so lines of different workers never interleave.
#pragma once

#include "base/string_buffer.h"

#include <cstdio>

// Hands the two output streams to the writers; they are closed by closeResultStreams.
void setResultStreams(FILE* outStream, FILE* errStream);
void closeResultStreams();

// Append the line and "\n"; false without writing when the file is not open. With a shared queue
// in place of the files, the line goes to the queue's result or error stream instead.
bool writeResultLine(const StringBuffer& line);
bool writeErrorLine(const StringBuffer& line);
