// Process-wide diagnostics and the optional log file.
//
// Every layer that meets a failure reports it exactly once through
// DIAG_REPORT, which composes "<message> (<file>.<ext> <line>)" into the last
// message and hands it to the report hook (the log, while logging is on).
// Status -2 means "already reported further down" and composes nothing.
// Safe to call from any thread; DiagReport never allocates.
#pragma once

#include <cstddef>

#if defined(__GNUC__)
#define VX_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define VX_PRINTF_LIKE(fmt, args)
#endif

constexpr int kDiagReported = -1; // a failure reported here
constexpr int kDiagSilent = -2;   // a failure already reported further down

// Sizes of the fixed buffers; longer texts are cut, never overflowed.
constexpr std::size_t kDiagTextSize = 500;

// Message-box style words of the original platform that callers pass on.
constexpr unsigned kDiagIconStop = 16;
constexpr unsigned kDiagTaskModal = 0x2000;
constexpr int kDiagIdOk = 1;

using DiagReportHook = void (*)(const char* text);
// Shows a modal message box and returns the button pressed (kDiagIdOk ...).
using DiagMessageBoxHandler = int (*)(unsigned style, const char* caption, const char* text);

int DiagReport(const char* sourceFile, int line, int status, const char* format, ...)
    VX_PRINTF_LIKE(4, 5);

// Reports with the caller's own source file and line.
#define DIAG_REPORT(status, ...) DiagReport(__FILE__, __LINE__, (status), __VA_ARGS__)

// The most recently composed report, "-" before the first one.
const char* DiagLastMessage();

void DiagSetReportHook(DiagReportHook hook);

// Formats the text and hands it, with the task-modal flag added to the style,
// to the installed message-box handler. Without a handler the text goes to
// standard error and the box counts as answered with OK.
int DiagMessageBox(unsigned style, const char* caption, const char* format, ...)
    VX_PRINTF_LIKE(3, 4);
void DiagSetMessageBoxHandler(DiagMessageBoxHandler handler);

// The log file. LogSetup once at start-up; LogStart/LogStop switch logging.
void LogSetup(const char* path, const char* startBanner, const char* endBanner);
// The file LogSetup named; read on the thread that calls LogSetup.
const char* LogFilePath();
void LogStart();
void LogStop();
bool LogIsOn();
void LogWrite(const char* text);
void LogPrintf(const char* format, ...) VX_PRINTF_LIKE(1, 2);
