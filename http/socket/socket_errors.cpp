#include "http/socket/socket_errors.h"

#include "base/log_base.h"

#include <cerrno>

namespace {

struct ErrorText {
    int code;
    const char* text;
};

const ErrorText kErrorTexts[] = {
    {10093, "WSANOTINITIALISED A successful WSAStartup must occur before using this function."},
    {10035, "WSAEWOULDBLOCK The socket would block."},
    {10053, "WSAECONNABORTED An established connection was aborted by the software in your host machine."},
    {10050, "WSAENETDOWN The network subsystem or the associated service provider has failed."},
    {10047, "WSAEAFNOSUPPORT The specified address family is not supported."},
    {10036, "WSAEINPROGRESS A blocking Windows Sockets 1.1 call is in progress, or the service provider is "
            "still processing a callback function."},
    {10024, "WSAEMFILE No more socket descriptors are available."},
    {10055, "WSAENOBUFS No buffer space is available. The socket cannot be created."},
    {10043, "WSAEPROTONOSUPPORT The specified protocol is not supported."},
    {10041, "WSAEPROTOTYPE The specified protocol is the wrong type for this socket."},
    {10044, "WSAESOCKTNOSUPPORT The specified socket type is not supported in this address family."},
    {10051, "WSAENETUNREACH A socket operation was attempted to an unreachable network."},
    {10060, "WSAETIMEDOUT A connection attempt failed because the connected party did not properly respond "
            "after a period of time, or established connection failed because connected host has failed to "
            "respond."},
    {10061, "WSAECONNREFUSED No connection could be made because the target machine actively refused it."},
};

struct ErrnoCode {
    int err;
    int code;
};

const ErrnoCode kErrnoCodes[] = {
    {EINTR, 10004},           {EBADF, 10009},         {EACCES, 10013},       {EFAULT, 10014},
    {EINVAL, 10022},          {EMFILE, 10024},        {ENFILE, 10024},       {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10035},     {EALREADY, 10035},      {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},      {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},     {ENETUNREACH, 10051},
    {ENETRESET, 10052},       {ECONNABORTED, 10053},  {ECONNRESET, 10054},   {EPIPE, 10054},
    {ENOBUFS, 10055},         {ENOMEM, 10055},        {EISCONN, 10056},      {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},       {ETIMEDOUT, 10060},     {ECONNREFUSED, 10061}, {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
};

} // namespace

namespace SocketErrors {

int fromErrno(int err) {
    // EAGAIN and EWOULDBLOCK are one value on Linux, but not everywhere.
    if (err == EAGAIN)
        return kWouldBlock;
    for (const ErrnoCode& entry : kErrnoCodes) {
        if (entry.err == err)
            return entry.code;
    }
    return 20000 + err;
}

void logSocketError(int code, LogBase* log) {
    if (log == nullptr)
        return;
    const char* text = "Unknown socket error";
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.code == code)
            text = entry.text;
    }
    log->LogData("SocketError", text);
    if (code == kWouldBlock) {
        log->LogError("Check to make sure the port is not blocked by a firewall.");
    } else if (code == kConnAborted) {
        log->LogError("This is commonly caused by anti-virus programs that may be running.");
        log->LogError("Check Mcafee's port filtering. If enabled, add your app to the exclusion list.");
    }
}

} // namespace SocketErrors
