#include "decoding/XaudioStatus.h"

#include <cerrno>
#include <mpg123.h>

namespace {

struct TStatusName {
    int Status;
    const char* Name;
};

constexpr TStatusName kStatusNames[] = {
    {0, "XA_SUCCESS"},
    {-100, "XA_ERROR_OUT_OF_MEMORY"},
    {-101, "XA_ERROR_INVALID_PARAMETERS"},
    {-102, "XA_ERROR_INTERNAL"},
    {-103, "XA_ERROR_TIMEOUT"},
    {-104, "XA_ERROR_VERSION_EXPIRED"},
    {-200, "XA_ERROR_CONNECT_TIMEOUT"},
    {-201, "XA_ERROR_CONNECT_FAILED"},
    {-202, "XA_ERROR_CONNECTION_REFUSED"},
    {-203, "XA_ERROR_ACCEPT_FAILED"},
    {-204, "XA_ERROR_LISTEN_FAILED"},
    {-205, "XA_ERROR_SOCKET_FAILED"},
    {-206, "XA_ERROR_SOCKET_CLOSED"},
    {-207, "XA_ERROR_BIND_FAILED"},
    {-208, "XA_ERROR_HOST_UNKNOWN"},
    {-209, "XA_ERROR_HTTP_INVALID_REPLY"},
    {-210, "XA_ERROR_HTTP_ERROR_REPLY"},
    {-211, "XA_ERROR_HTTP_FAILURE"},
    {-212, "XA_ERROR_FTP_INVALID_REPLY"},
    {-213, "XA_ERROR_FTP_ERROR_REPLY"},
    {-214, "XA_ERROR_FTP_FAILURE"},
    {-300, "XA_ERROR_PIPE_FAILED"},
    {-301, "XA_ERROR_FORK_FAILED"},
    {-302, "XA_ERROR_SELECT_FAILED"},
    {-303, "XA_ERROR_PIPE_CLOSED"},
    {-304, "XA_ERROR_PIPE_READ_FAILED"},
    {-305, "XA_ERROR_PIPE_WRITE_FAILED"},
    {-306, "XA_ERROR_INVALID_MESSAGE"},
    {-307, "XA_ERROR_CIRQ_FULL"},
    {-308, "XA_ERROR_POST_FAILED"},
    {-400, "XA_ERROR_URL_UNSUPPORTED_SCHEME"},
    {-401, "XA_ERROR_URL_INVALID_SYNTAX"},
    {-500, "XA_ERROR_OPEN_FAILED"},
    {-501, "XA_ERROR_CLOSE_FAILED"},
    {-502, "XA_ERROR_READ_FAILED"},
    {-503, "XA_ERROR_WRITE_FAILED"},
    {-504, "XA_ERROR_PERMISSION_DENIED"},
    {-505, "XA_ERROR_NO_DEVICE"},
    {-506, "XA_ERROR_IOCTL_FAILED"},
    {-507, "XA_ERROR_MODULE_NOT_FOUND"},
    {-508, "XA_ERROR_UNSUPPORTED_INPUT"},
    {-511, "XA_ERROR_DEVICE_BUSY"},
    {-512, "XA_ERROR_NO_SUCH_DEVICE"},
    {-513, "XA_ERROR_NO_SUCH_FILE"},
    {-600, "XA_ERROR_INVALID_FRAME"},
    {-700, "XA_ERROR_DLL_NOT_FOUND"},
    {-701, "XA_ERROR_SYMBOL_NOT_FOUND"},
    {-800, "XA_ERROR_NO_SUCH_ENVIRONMENT"},
    {-801, "XA_ERROR_ENVIRONMENT_TYPE_MISMATCH"},
};

} // namespace

const char* XaudioErrorName(int status) {
    for (const TStatusName& entry : kStatusNames)
        if (entry.Status == status)
            return entry.Name;
    return "(Unknown)";
}

int XaudioStatusFromMpg123(int mpg123Error) {
    switch (mpg123Error) {
    case MPG123_OK:
        return kXaSuccess;
    case MPG123_OUT_OF_MEM:
        return kXaErrorOutOfMemory;
    case MPG123_BAD_RATE:
    case MPG123_BAD_CHANNEL:
    case MPG123_BAD_PARAM:
    case MPG123_BAD_BUFFER:
    case MPG123_BAD_HANDLE:
    case MPG123_BAD_DECODER:
    case MPG123_BAD_WHENCE:
    case MPG123_BAD_CUSTOM_IO:
    case MPG123_NULL_POINTER:
        return kXaErrorInvalidParameters;
    case MPG123_ERR_READER:
    case MPG123_NO_READER:
    case MPG123_BAD_FILE:
        return kXaErrorReadFailed;
    case MPG123_RESYNC_FAIL:
    case MPG123_OUT_OF_SYNC:
        return kXaErrorInvalidFrame;
    default:
        return kXaErrorInternal;
    }
}

int XaudioStatusFromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return kXaErrorNoSuchFile;
    case EACCES:
    case EPERM:
        return kXaErrorPermissionDenied;
    case ENOMEM:
        return kXaErrorOutOfMemory;
    default:
        return kXaErrorOpenFailed;
    }
}
