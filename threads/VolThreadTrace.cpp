#include "threads/VolThreadTrace.h"

#include "threads/VolThreads.h"
#include "threads/os/VolOs.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int VolThrTraceFlag = 0;

namespace {

enum Output { kNone = 0, kStandardOutput = 1, kStandardError = 2, kConnection = 3 };

struct ConnectionRecord {
    std::intptr_t socket;
    int reserved;
    int port;
    int spare;
};

// Plain values, so they are ready before any constructor of the program runs.
bool g_initialisationPending = true;
volos::Lock* g_outputLock = nullptr;
int g_output = kNone;
int g_stream = 2;
ConnectionRecord* g_connection = nullptr;

bool StartsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Opens the output that a "VolThrDebug" or "VolSocketDebug" value asks for.
void OpenOutput(const char* value, const char* host, bool anyValueMeansStandardError) {
    if (anyValueMeansStandardError) {
        g_output = kStandardError;
        g_stream = 2;
    }
    if (std::strcmp(value, "STDERR") == 0) {
        g_output = kStandardError;
        g_stream = 2;
    } else if (std::strcmp(value, "STDOUT") == 0) {
        g_output = kStandardOutput;
        g_stream = 1;
    } else if (StartsWith(value, "PORT:")) {
        const int port = std::atoi(value + 5);
        if (ConnectTraceSocket(host, port) == 0) {
            g_output = kConnection;
        } else {
            g_output = kStandardError;
            g_stream = 2;
        }
    }
}

void WriteToStream(const char* line) {
    FILE* stream = g_stream == 1 ? stdout : stderr;
    std::fprintf(stream, "%s", line);
    std::fflush(stream);
}

// A collector that stopped reading is given up for good: one report, then standard error.
void SendOrGiveUp(const char* line) {
    if (!g_connection) return;
    if (SendTraceLine(line, g_connection->socket) == 0) return;
    volos::ReportError("thread_cnx send");
    volos::SocketClose(g_connection->socket);
    std::free(g_connection);
    g_connection = nullptr;
    g_output = kStandardError;
    g_stream = 2;
    WriteToStream(line);
}

// A text cut to its buffer still ends its line, so that the next line starts on a line of its own.
template <std::size_t Size>
void KeepLineEndWhenCut(char (&text)[Size], int wanted) {
    if (wanted >= static_cast<int>(Size)) text[Size - 2] = '\n';
}

void EmitFormatted(const char* format, va_list arguments) {
    const int termination = volos::TerminationDefer();
    if (g_outputLock) volos::LockEnter(g_outputLock);
    if (g_output != kNone) {
        char event[kVolTraceEventMax];
        KeepLineEndWhenCut(event, std::vsnprintf(event, sizeof event, format, arguments));
        char line[kVolTraceLineMax];
        // Printed like the system's "%p": zero-padded upper-case hexadecimal of the pointer's width.
        const std::uintptr_t emitter = reinterpret_cast<std::uintptr_t>(VolThreads::GetCurrentThread());
        const int written = std::snprintf(line, sizeof line, "| tid=%d | emt=0x%0*" PRIXPTR " | %s",
                                          static_cast<int>(volos::CurrentThreadId()),
                                          static_cast<int>(2 * sizeof(void*)), emitter, event);
        KeepLineEndWhenCut(line, written);
        if (g_output == kConnection) {
            SendOrGiveUp(line);
        } else {
            WriteToStream(line);
        }
    }
    if (g_outputLock) volos::LockLeave(g_outputLock);
    volos::TerminationRestore(termination);
}

}  // namespace

int InitThreadTrace() {
    if (g_initialisationPending) {
        g_initialisationPending = false;
        g_outputLock = volos::LockCreate();
        g_stream = 2;
        const char* host = volos::GetEnvironment("VolThrDebug_Host");
        const char* debug = volos::GetEnvironment("VolThrDebug");
        if (debug) {
            VolThrTraceFlag = -1;
            OpenOutput(debug, host, false);
        }
        const char* socketDebug = volos::GetEnvironment("VolSocketDebug");
        if (socketDebug && !VolThrTraceIsOn()) OpenOutput(socketDebug, host, true);
    }
    return VolThrTraceIsOn() ? 1 : 0;
}

void EmitTraceLine(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    EmitFormatted(format, arguments);
    va_end(arguments);
}

void TraceIfEnabled(const char* format, ...) {
    if (!VolThrTraceIsOn()) return;
    va_list arguments;
    va_start(arguments, format);
    EmitFormatted(format, arguments);
    va_end(arguments);
}

void TraceAlways(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    EmitFormatted(format, arguments);
    va_end(arguments);
}

int ConnectTraceSocket(const char* host, int port) {
    const volos::Socket socket = volos::TcpSocketCreate();
    if (socket == volos::kInvalidSocket) {
        volos::ReportError("thread_cnx socket");
        return 1;
    }
    std::uint32_t address = volos::LoopbackIPv4();
    if (host && !volos::ResolveHostIPv4(host, &address)) {
        volos::ReportError("thread_cnx  gethostbyname");
        volos::SocketClose(socket);
        return 1;
    }
    if (!volos::TcpConnect(socket, address, port)) {
        volos::ReportError("thread_cnx connect");
        volos::SocketClose(socket);
        return 1;
    }
    auto* record = static_cast<ConnectionRecord*>(std::malloc(sizeof(ConnectionRecord)));
    if (!record) {
        volos::ReportError("thread_cnx malloc");
        volos::SocketClose(socket);
        return -1;
    }
    *record = ConnectionRecord{socket, -1, port, 0};
    g_connection = record;
    return 0;
}

int SendTraceLine(const char* text, std::intptr_t socket) {
    const int length = static_cast<int>(std::strlen(text)) + 1;
    int done = 0;
    while (done < length) {
        const int sent = volos::SocketSend(socket, text + done, length - done);
        if (sent <= 0) return -1;
        done += sent;
    }
    return 0;
}
