// Status codes of the MPEG decoding layer and their names, as they appear in
// the log, and the translation of libmpg123's error codes onto them.
#pragma once

constexpr int kXaSuccess = 0;
constexpr int kXaErrorOutOfMemory = -100;
constexpr int kXaErrorInvalidParameters = -101;
constexpr int kXaErrorInternal = -102;
constexpr int kXaErrorOpenFailed = -500;
constexpr int kXaErrorReadFailed = -502;
constexpr int kXaErrorPermissionDenied = -504;
constexpr int kXaErrorNoSuchFile = -513;
// The end of the input; deliberately has no entry in the name table.
constexpr int kXaEndOfInput = -514;
constexpr int kXaErrorInvalidFrame = -600;

// The name of a status code, "(Unknown)" for codes outside the table.
const char* XaudioErrorName(int status);

// A libmpg123 error code (mpg123_errcode) as one of the codes above.
int XaudioStatusFromMpg123(int mpg123Error);

// An errno value of a failed open as one of the codes above.
int XaudioStatusFromErrno(int error);
