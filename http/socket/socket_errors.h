// The error codes of the socket layer and their texts. Failures are reported with the Windows
// Sockets codes the library's logs have always carried, so the system's errno values are mapped
// to those codes first.
#pragma once

class LogBase;

namespace SocketErrors {

constexpr int kWouldBlock = 10035;
constexpr int kConnAborted = 10053;
constexpr int kConnRefused = 10061;

// The Windows Sockets code of an errno value; unknown values map to themselves plus 20000 so
// that they never collide with a listed code.
int fromErrno(int err);
// Logs the error-table entry of a code: the data item "SocketError" with the code's text, and
// the extra error lines some codes carry.
void logSocketError(int code, LogBase* log);

} // namespace SocketErrors
