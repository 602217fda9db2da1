/* xdrop: drops files on the X window under a point, as a file manager would, by speaking the
 * XDND protocol as the drag source. Wine turns an accepted drop into WM_DROPFILES for a window
 * that called DragAcceptFiles.
 *
 *   xdrop [--display :N] [--timeout MS] --at X Y FILE...
 *
 * Sequence: warp the pointer to (X,Y); find the XdndAware window under it; own XdndSelection;
 * XdndEnter (text/uri-list) and XdndPosition; on an accepting XdndStatus send XdndDrop, else
 * XdndLeave; answer SelectionRequests with the file:// URIs meanwhile (Wine fetches the data
 * as soon as it sees XdndEnter); wait for XdndFinished. Exit 0 on an accepted drop, 1 on a
 * refused or unanswered one, 2 on bad usage. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <unistd.h>

#define OUR_XDND_VERSION 5

enum {
    A_AWARE,
    A_SELECTION,
    A_ENTER,
    A_POSITION,
    A_STATUS,
    A_DROP,
    A_LEAVE,
    A_FINISHED,
    A_COPY,
    A_URI_LIST,
    A_TARGETS,
    A_TIMESTAMP,
    A_COUNT
};
static const char* const atom_names[A_COUNT] = {
    "XdndAware", "XdndSelection", "XdndEnter",      "XdndPosition",  "XdndStatus", "XdndDrop",
    "XdndLeave", "XdndFinished",  "XdndActionCopy", "text/uri-list", "TARGETS",    "_XDROP_TIME"};
static Atom atoms[A_COUNT];

static void die(int status, const char* message) {
    fprintf(stderr, "xdrop: %s\n", message);
    exit(status);
}

static long long now_ms(void) {
    struct timeval tv;
    gettimeofday(&tv, NULL);
    return (long long)tv.tv_sec * 1000 + tv.tv_usec / 1000;
}

/* file:// URIs, one per line with CRLF as text/uri-list wants; every byte outside the
 * unreserved set (and "/") is percent-encoded, so UTF-8 names pass as their bytes. */
static char* build_uri_list(char** files, int count) {
    size_t size = 1;
    for (int i = 0; i < count; ++i) size += 7 + 3 * (strlen(files[i]) + PATH_MAX) + 2;
    char* list = malloc(size);
    char* out = list;
    char cwd[PATH_MAX];
    if (!list || !getcwd(cwd, sizeof cwd)) die(2, "out of memory or no working directory");
    for (int i = 0; i < count; ++i) {
        char path[2 * PATH_MAX + 2];
        if (files[i][0] == '/')
            snprintf(path, sizeof path, "%s", files[i]);
        else
            snprintf(path, sizeof path, "%s/%s", cwd, files[i]);
        out += sprintf(out, "file://");
        for (const unsigned char* p = (const unsigned char*)path; *p; ++p) {
            if ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') ||
                strchr("-._~/", *p))
                *out++ = (char)*p;
            else
                out += sprintf(out, "%%%02X", *p);
        }
        out += sprintf(out, "\r\n");
    }
    *out = '\0';
    return list;
}

static long xdnd_version(Display* dpy, Window w) {
    Atom type;
    int format;
    unsigned long items, rest;
    unsigned char* data = NULL;
    long version = -1;
    if (XGetWindowProperty(dpy, w, atoms[A_AWARE], 0, 1, False, AnyPropertyType, &type, &format,
                           &items, &rest, &data) == Success &&
        data && items == 1 && format == 32)
        version = *(long*)data;
    if (data) XFree(data);
    return version;
}

/* The outermost XdndAware window on the path from the root down to the point. */
static Window find_target(Display* dpy, Window root, int x, int y, long* version) {
    Window parent = root, child = None;
    int wx, wy;
    while (XTranslateCoordinates(dpy, root, parent, x, y, &wx, &wy, &child) && child != None) {
        if ((*version = xdnd_version(dpy, child)) >= 0) return child;
        parent = child;
    }
    return None;
}

/* A server timestamp, from the PropertyNotify that a zero-length append causes. */
static Time server_time(Display* dpy, Window w) {
    XEvent ev;
    XChangeProperty(dpy, w, atoms[A_TIMESTAMP], XA_STRING, 8, PropModeAppend, NULL, 0);
    XWindowEvent(dpy, w, PropertyChangeMask, &ev);
    return ev.xproperty.time;
}

static void send_xdnd(Display* dpy, Window target, Atom type, long l1, long l2, long l3, long l4,
                      Window source) {
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = target;
    ev.xclient.message_type = type;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)source;
    ev.xclient.data.l[1] = l1;
    ev.xclient.data.l[2] = l2;
    ev.xclient.data.l[3] = l3;
    ev.xclient.data.l[4] = l4;
    XSendEvent(dpy, target, False, NoEventMask, &ev);
    XFlush(dpy);
}

static void answer_request(Display* dpy, XSelectionRequestEvent* req, const char* uris) {
    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = req->requestor;
    reply.xselection.selection = req->selection;
    reply.xselection.target = req->target;
    reply.xselection.time = req->time;
    reply.xselection.property = None;
    Atom property = req->property != None ? req->property : req->target;
    if (req->target == atoms[A_URI_LIST]) {
        XChangeProperty(dpy, req->requestor, property, atoms[A_URI_LIST], 8, PropModeReplace,
                        (const unsigned char*)uris, (int)strlen(uris));
        reply.xselection.property = property;
    } else if (req->target == atoms[A_TARGETS]) {
        Atom offered[2] = {atoms[A_TARGETS], atoms[A_URI_LIST]};
        XChangeProperty(dpy, req->requestor, property, XA_ATOM, 32, PropModeReplace,
                        (const unsigned char*)offered, 2);
        reply.xselection.property = property;
    }
    XSendEvent(dpy, req->requestor, False, NoEventMask, &reply);
    XFlush(dpy);
}

/* Next event, or 0 once the deadline has passed. */
static int next_event(Display* dpy, XEvent* ev, long long deadline) {
    while (!XPending(dpy)) {
        long long left = deadline - now_ms();
        if (left <= 0) return 0;
        struct pollfd pfd = {ConnectionNumber(dpy), POLLIN, 0};
        if (poll(&pfd, 1, (int)(left > 100 ? 100 : left)) < 0 && errno != EINTR) return 0;
    }
    XNextEvent(dpy, ev);
    return 1;
}

static void usage(void) { die(2, "usage: xdrop [--display :N] [--timeout MS] --at X Y FILE..."); }

int main(int argc, char** argv) {
    const char* display_name = NULL;
    long timeout_ms = 5000;
    int x = -1, y = -1, first_file = 0;
    for (int i = 1; i < argc && !first_file; ++i) {
        if (!strcmp(argv[i], "--display") && i + 1 < argc)
            display_name = argv[++i];
        else if (!strcmp(argv[i], "--timeout") && i + 1 < argc)
            timeout_ms = atol(argv[++i]);
        else if (!strcmp(argv[i], "--at") && i + 2 < argc) {
            x = atoi(argv[i + 1]);
            y = atoi(argv[i + 2]);
            first_file = i + 3;
        } else
            usage();
    }
    if (!first_file || first_file >= argc || x < 0 || y < 0) usage();

    Display* dpy = XOpenDisplay(display_name);
    if (!dpy) die(2, "cannot open display");
    XInternAtoms(dpy, (char**)atom_names, A_COUNT, False, atoms);
    Window root = DefaultRootWindow(dpy);
    Window source = XCreateSimpleWindow(dpy, root, -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(dpy, source, PropertyChangeMask);

    XWarpPointer(dpy, None, root, 0, 0, 0, 0, x, y);
    XSync(dpy, False);
    long version = -1;
    Window target = find_target(dpy, root, x, y, &version);
    if (target == None) die(1, "no XdndAware window at that point");
    if (version > OUR_XDND_VERSION) version = OUR_XDND_VERSION;

    char* uris = build_uri_list(argv + first_file, argc - first_file);
    Time time = server_time(dpy, source);
    XSetSelectionOwner(dpy, atoms[A_SELECTION], source, time);
    if (XGetSelectionOwner(dpy, atoms[A_SELECTION]) != source) die(1, "cannot own XdndSelection");

    send_xdnd(dpy, target, atoms[A_ENTER], version << 24, (long)atoms[A_URI_LIST], 0, 0, source);
    send_xdnd(dpy, target, atoms[A_POSITION], 0, ((long)x << 16) | y, (long)time,
              (long)atoms[A_COPY], source);

    enum { WAIT_STATUS, WAIT_FINISHED } state = WAIT_STATUS;
    const long long deadline = now_ms() + timeout_ms;
    XEvent ev;
    while (next_event(dpy, &ev, deadline)) {
        if (ev.type == SelectionRequest) {
            answer_request(dpy, &ev.xselectionrequest, uris);
        } else if (ev.type == ClientMessage && ev.xclient.message_type == atoms[A_STATUS] &&
                   state == WAIT_STATUS) {
            if (!(ev.xclient.data.l[1] & 1)) {
                send_xdnd(dpy, target, atoms[A_LEAVE], 0, 0, 0, 0, source);
                die(1, "the window refused the drop (no DragAcceptFiles?)");
            }
            send_xdnd(dpy, target, atoms[A_DROP], 0, (long)time, 0, 0, source);
            state = WAIT_FINISHED;
        } else if (ev.type == ClientMessage && ev.xclient.message_type == atoms[A_FINISHED]) {
            /* Wine leaves the version-5 "accepted" bit clear even after a drop it delivered,
             * so the accepting XdndStatus is what counts. */
            free(uris);
            XCloseDisplay(dpy);
            return 0;
        }
    }
    if (state == WAIT_STATUS) send_xdnd(dpy, target, atoms[A_LEAVE], 0, 0, 0, 0, source);
    die(1, state == WAIT_STATUS ? "no XdndStatus before the time-out"
                                : "no XdndFinished before the time-out");
    return 1;
}
