#include "base/log_base.h"

void LogBase::GetXml(StringBuffer&) {}
void LogBase::GetHtml(StringBuffer&) {}
void LogBase::GetText(StringBuffer&) {}
bool LogBase::LogError(const char*) { return true; }
bool LogBase::LogInfo(const char*) { return true; }
bool LogBase::LogRaw(const char*) { return true; }
bool LogBase::Clear() { return true; }
bool LogBase::EnterContext(const char*, int) { return true; }
bool LogBase::LeaveContext() { return true; }
bool LogBase::LogData(const char*, const char*) { return true; }
bool LogBase::LogDataLong(const char*, int) { return true; }
void LogBase::LogTickCount(const char*) {}
// Nothing is recorded, so there is nothing to write: no file is created.
bool LogBase::SaveLogFile(int, const char*) { return false; }
