// Holds system-wide keys the way another application would, until it is killed.
//   hold_keys K ctrl+N ...   (Win+Shift+<letter>, with Ctrl when asked)
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        std::uint16_t mods = XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT;
        if (std::strncmp(arg, "ctrl+", 5) == 0) {
            mods |= XCB_MOD_MASK_CONTROL;
            arg += 5;
        }
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(
            symbols, static_cast<xcb_keysym_t>(std::tolower(static_cast<unsigned char>(arg[0]))));
        if (!codes)
            return 1;
        xcb_generic_error_t* e =
            xcb_request_check(c, xcb_grab_key_checked(c, 1, root, mods, codes[0],
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(codes);
        if (e)
            return 1;
    }
    xcb_flush(c);
    std::printf("held\n");
    std::fflush(stdout);
    for (;;)
        pause();
}
