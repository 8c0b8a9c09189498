#include "diag/Diag.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

namespace {

constexpr std::size_t kNamePartSize = 256;
// Paths here may be far longer than the original 259 characters; a path cut
// short would send the log somewhere else, so the buffer holds any path.
constexpr std::size_t kLogPathSize = 4096;
constexpr std::size_t kBannerSize = 100;

char gLastMessage[kDiagTextSize] = "-";
std::atomic<int> gReportLock{0};
std::atomic<DiagReportHook> gReportHook{nullptr};
std::atomic<DiagMessageBoxHandler> gMessageBoxHandler{nullptr};

char gLogPath[kLogPathSize] = "";
char gLogStartBanner[kBannerSize] = "";
char gLogEndBanner[kBannerSize] = "";
std::atomic<bool> gLogOn{false};
// Keeps lines written by the window thread and by the hook whole.
std::mutex gLogFileMutex;

void CopyCut(char* dest, std::size_t destSize, const char* src) {
    std::snprintf(dest, destSize, "%s", src != nullptr ? src : "");
}

// Keeps the file name and extension of a path written with '/' or '\'.
void SplitFileName(const char* path, char (&base)[kNamePartSize], char (&ext)[kNamePartSize]) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p)
        if (*p == '/' || *p == '\\' || *p == ':')
            name = p + 1;
    const char* dot = std::strrchr(name, '.');
    const std::size_t baseLength = dot != nullptr ? static_cast<std::size_t>(dot - name)
                                                  : std::strlen(name);
    std::snprintf(base, sizeof base, "%.*s", static_cast<int>(baseLength), name);
    CopyCut(ext, sizeof ext, dot);
}

void TakeReportLock() {
    while (gReportLock.exchange(1, std::memory_order_acquire) != 0) {
    }
}

void ReleaseReportLock() { gReportLock.exchange(0, std::memory_order_release); }

} // namespace

int DiagReport(const char* sourceFile, int line, int status, const char* format, ...) {
    if (status == kDiagSilent || format == nullptr)
        return 0;
    char message[kDiagTextSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    char base[kNamePartSize];
    char ext[kNamePartSize];
    SplitFileName(sourceFile != nullptr ? sourceFile : "", base, ext);

    TakeReportLock();
    // Cut, never overflowed: the composed text may exceed the buffer.
    if (std::snprintf(gLastMessage, sizeof gLastMessage, "%s (%s%s %i)", message, base, ext,
                      line) < 0)
        gLastMessage[0] = '\0';
    if (DiagReportHook hook = gReportHook.load())
        hook(gLastMessage);
    ReleaseReportLock();
    return 0;
}

const char* DiagLastMessage() { return gLastMessage; }

void DiagSetReportHook(DiagReportHook hook) { gReportHook.store(hook); }

int DiagMessageBox(unsigned style, const char* caption, const char* format, ...) {
    char text[kDiagTextSize] = {};
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
    }
    if (DiagMessageBoxHandler handler = gMessageBoxHandler.load())
        return handler(style | kDiagTaskModal, caption != nullptr ? caption : "", text);
    std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "", text);
    return kDiagIdOk;
}

void DiagSetMessageBoxHandler(DiagMessageBoxHandler handler) { gMessageBoxHandler.store(handler); }

void LogSetup(const char* path, const char* startBanner, const char* endBanner) {
    std::lock_guard<std::mutex> guard(gLogFileMutex);
    CopyCut(gLogPath, sizeof gLogPath, path);
    CopyCut(gLogStartBanner, sizeof gLogStartBanner, startBanner);
    CopyCut(gLogEndBanner, sizeof gLogEndBanner, endBanner);
    gLogOn.store(false);
}

const char* LogFilePath() { return gLogPath; }

void LogStart() {
    if (gLogOn.exchange(true))
        return;
    LogWrite(gLogStartBanner);
    DiagSetReportHook(LogWrite);
}

void LogStop() {
    if (!gLogOn.load())
        return;
    DiagSetReportHook(nullptr);
    LogWrite(gLogEndBanner);
    gLogOn.store(false);
}

bool LogIsOn() { return gLogOn.load(); }

void LogWrite(const char* text) {
    if (!gLogOn.load())
        return;
    std::lock_guard<std::mutex> guard(gLogFileMutex);
    std::FILE* file = std::fopen(gLogPath, "a");
    if (file == nullptr)
        return;
    // Short date and long time as the user's regional settings write them.
    char stamp[128];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    if (std::strftime(stamp, sizeof stamp, "%x %X", &local) == 0)
        stamp[0] = '\0';
    std::fprintf(file, "[%s] %s\n", stamp, text != nullptr ? text : "");
    std::fclose(file);
}

void LogPrintf(const char* format, ...) {
    char text[kDiagTextSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    LogWrite(text);
}
