// Times a program's start from the X server's side, without polling for
// events: launches the program and prints the milliseconds from the launch
// to its first top-level window being mapped, to that window's first expose,
// to its first paint (the pixels stop being one colour; read every
// millisecond once mapped), and to a title that holds PATTERN. Then ends the
// program by its id.
// Usage: vx_startup_watch PATTERN PROGRAM [ARGUMENTS...]
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kGiveUpMs = 20000;

template <typename T> using XReply = std::unique_ptr<T, decltype(&std::free)>;

struct TStartTimes {
    std::optional<double> Mapped, Exposed, Painted, Titled;
    bool Done() const { return Painted && Titled; }
};

class TWatch {
public:
    TWatch(xcb_connection_t* connection, xcb_window_t root, pid_t program, std::string pattern)
        : connection_(connection), root_(root), program_(program), pattern_(std::move(pattern)) {
        pidAtom_ = Atom("_NET_WM_PID");
        netNameAtom_ = Atom("_NET_WM_NAME");
    }

    TStartTimes Run(Clock::time_point start) {
        start_ = start;
        while (!times_.Done() && SinceStart() < kGiveUpMs) {
            pollfd wait{xcb_get_file_descriptor(connection_), POLLIN, 0};
            poll(&wait, 1, times_.Mapped && !times_.Painted ? 1 : 50);
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                Handle(event);
                std::free(event);
            }
            if (xcb_connection_has_error(connection_))
                break;
            if (times_.Mapped && !times_.Painted && Painted())
                times_.Painted = SinceStart();
            int status = 0;
            if (waitpid(program_, &status, WNOHANG) == program_) {
                std::fprintf(stderr, "the program ended first\n");
                break;
            }
        }
        return times_;
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_;
    pid_t program_;
    std::string pattern_;
    xcb_atom_t pidAtom_ = XCB_NONE;
    xcb_atom_t netNameAtom_ = XCB_NONE;
    xcb_window_t window_ = XCB_NONE;
    Clock::time_point start_;
    TStartTimes times_;

    double SinceStart() const {
        return std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
    }

    xcb_atom_t Atom(const char* name) {
        XReply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(
                connection_,
                xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name),
                nullptr),
            &std::free);
        return reply ? reply->atom : XCB_NONE;
    }

    std::string Property(xcb_window_t window, xcb_atom_t property) {
        XReply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(connection_,
                                   xcb_get_property(connection_, 0, window, property,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                                   nullptr),
            &std::free);
        if (!reply)
            return {};
        return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    }

    bool IsProgramsWindow(xcb_window_t window) {
        const std::string pid = Property(window, pidAtom_);
        uint32_t value = 0;
        if (pid.size() != sizeof value)
            return false;
        std::memcpy(&value, pid.data(), sizeof value);
        return static_cast<pid_t>(value) == program_;
    }

    void Watch(xcb_window_t window) {
        const uint32_t mask = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }

    void CheckTitle() {
        if (times_.Titled || window_ == XCB_NONE)
            return;
        for (xcb_atom_t name : {netNameAtom_, static_cast<xcb_atom_t>(XCB_ATOM_WM_NAME)})
            if (Property(window_, name).find(pattern_) != std::string::npos) {
                times_.Titled = SinceStart();
                return;
            }
    }

    // Painted once the window's pixels are not all one colour: the skin is
    // drawn, not only the background the server filled in.
    bool Painted() {
        XReply<xcb_get_image_reply_t> image(
            xcb_get_image_reply(
                connection_,
                xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, 0, 0, 384, 200, ~0u),
                nullptr),
            &std::free);
        if (!image)
            return false;
        const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image.get()));
        const int count = xcb_get_image_data_length(image.get()) / 4;
        for (int i = 1; i < count; ++i)
            if ((pixels[i] & 0xffffff) != (pixels[0] & 0xffffff))
                return true;
        return false;
    }

    void Handle(xcb_generic_event_t* event) {
        switch (event->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
            // Selected before anything is drawn on it: its first expose is seen.
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (created->parent == root_)
                Watch(created->window);
            break;
        }
        case XCB_MAP_NOTIFY: {
            const auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (window_ == XCB_NONE && IsProgramsWindow(mapped->window)) {
                window_ = mapped->window;
                times_.Mapped = SinceStart();
                CheckTitle();
            }
            break;
        }
        case XCB_EXPOSE:
            if (reinterpret_cast<xcb_expose_event_t*>(event)->window == window_ && !times_.Exposed)
                times_.Exposed = SinceStart();
            break;
        case XCB_PROPERTY_NOTIFY:
            if (reinterpret_cast<xcb_property_notify_event_t*>(event)->window == window_)
                CheckTitle();
            break;
        default:
            break;
        }
    }
};

void Print(const char* what, const std::optional<double>& ms) {
    if (ms)
        std::printf("%s %.1f ms\n", what, *ms);
    else
        std::printf("%s never\n", what);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PATTERN PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_get_input_focus_reply_t* sync =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    std::free(sync);

    const Clock::time_point start = Clock::now();
    const pid_t program = fork();
    if (program == 0) {
        // The program's own messages would mix with the times.
        if (const int quiet = open("/dev/null", O_WRONLY); quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    TWatch watch(connection, root, program, argv[1]);
    const TStartTimes times = watch.Run(start);
    kill(program, SIGTERM);
    waitpid(program, nullptr, 0);
    Print("mapped", times.Mapped);
    Print("exposed", times.Exposed);
    Print("painted", times.Painted);
    Print("titled", times.Titled);
    xcb_disconnect(connection);
    return times.Done() ? 0 : 1;
}
