// Starts a program and reports how long it takes until its first window is
// mapped on the X display, measured from just before the program is started.
//
//   kvapomer_map_probe <timeout-ms> <program> [arguments...]
//
// Prints "<pid> <milliseconds> <cpu-milliseconds>" (or "<pid> timeout") as
// soon as it knows, the last figure being the CPU time all the program's
// threads had used by then, which the machine's load does not inflate;
// then stays the program's parent until the program ends, and exits with the
// program's exit status. Windows that bypass the window manager (menus,
// tooltips, the window manager's own decorations drawn as override-redirect
// windows) are not counted.

#include <xcb/xcb.h>

#include <dirent.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>

namespace {

double nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

void watchStructure(xcb_connection_t* connection, xcb_window_t window, uint32_t mask) {
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
}

// CPU time of every thread of `pid` so far, from the scheduler's statistics.
double cpuMs(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr) {
        return -1;
    }
    double total = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        std::ifstream stat(tasks + "/" + entry->d_name + "/schedstat");
        double runNs = 0;
        if (stat >> runNs) {
            total += runNs / 1e6;
        }
    }
    closedir(dir);
    return total;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <timeout-ms> <program> [arguments...]\n", argv[0]);
        return 2;
    }
    const double timeoutMs = std::atof(argv[1]);
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "map_probe: cannot open the X display\n");
        return 2;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    // New top-level windows announce themselves on the root; without a window
    // manager their mapping is seen there too. With one, the program's window
    // is reparented into a frame, so each new window is watched by itself.
    watchStructure(connection, screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    // A round trip makes sure the selection is in force before the start.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

    const double startMs = nowMs();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("map_probe: fork");
        return 2;
    }
    if (child == 0) {
        close(xcb_get_file_descriptor(connection));
        execvp(argv[2], argv + 2);
        std::perror("map_probe: exec");
        _exit(127);
    }

    bool reported = false;
    pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (!reported) {
        const double left = timeoutMs - (nowMs() - startMs);
        if (left <= 0) {
            break;
        }
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (event == nullptr) {
            if (xcb_connection_has_error(connection)) {
                break;
            }
            poll(&fd, 1, static_cast<int>(left) + 1);
            continue;
        }
        const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
        switch (event->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (!created->override_redirect) {
                watchStructure(connection, created->window, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
                xcb_flush(connection);
            }
            break;
        }
        case XCB_MAP_NOTIFY: {
            const auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (!mapped->override_redirect) {
                const double mappedMs = nowMs() - startMs;
                std::printf("%d %.1f %.1f\n", static_cast<int>(child), mappedMs, cpuMs(child));
                reported = true;
            }
            break;
        }
        default:
            break;
        }
    }
    if (!reported) {
        std::printf("%d timeout\n", static_cast<int>(child));
    }
    std::fflush(stdout);
    xcb_disconnect(connection);

    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
