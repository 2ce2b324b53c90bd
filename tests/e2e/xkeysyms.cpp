// Test tool: gives every character of a text a key of its own on the X
// display in $DISPLAY, on key codes that the keyboard map leaves empty, so
// that "xdotool type" finds each character on a key and never remaps keys
// while a program reads them (which can deliver wrong characters).
// Usage: xkeysyms TEXT   (UTF-8; characters already on a key are skipped)
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <set>
#include <vector>
#include <xcb/xcb.h>

namespace {

// The key symbol of a character: the classic Latin-1 ones are the code
// point itself, all others are the Unicode symbols 0x1000000 + code point.
xcb_keysym_t keysymOf(char32_t c)
{
    if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF))
        return c;
    return 0x1000000u + c;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: xkeysyms TEXT\n", stderr);
        return 2;
    }
    std::setlocale(LC_ALL, "C.UTF-8");
    std::set<xcb_keysym_t> wanted;
    std::mbstate_t state{};
    const char *p = argv[1];
    for (;;) {
        wchar_t c = 0;
        const size_t n = std::mbrtowc(&c, p, MB_CUR_MAX, &state);
        if (n == 0)
            break;
        if (n == size_t(-1) || n == size_t(-2)) {
            std::fputs("xkeysyms: the text is not UTF-8\n", stderr);
            return 2;
        }
        if (c != L'\n' && c != L'\t')
            wanted.insert(keysymOf(char32_t(c)));
        p += n;
    }

    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        std::fputs("xkeysyms: cannot open the display\n", stderr);
        return 1;
    }
    const xcb_setup_t *setup = xcb_get_setup(conn);
    const xcb_keycode_t min = setup->min_keycode, max = setup->max_keycode;
    xcb_get_keyboard_mapping_reply_t *map =
        xcb_get_keyboard_mapping_reply(conn, xcb_get_keyboard_mapping(conn, min, uint8_t(max - min + 1)), nullptr);
    if (!map) {
        std::fputs("xkeysyms: cannot read the keyboard map\n", stderr);
        return 1;
    }
    const int perCode = map->keysyms_per_keycode;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(map);
    std::vector<xcb_keycode_t> spare;
    for (int code = min; code <= max; ++code) {
        bool empty = true;
        for (int i = 0; i < perCode; ++i) {
            const xcb_keysym_t s = syms[(code - min) * perCode + i];
            if (s != 0)
                empty = false;
            wanted.erase(s);
        }
        if (empty)
            spare.push_back(xcb_keycode_t(code));
    }
    if (wanted.size() > spare.size()) {
        std::fprintf(stderr, "xkeysyms: %zu characters but only %zu free keys\n", wanted.size(), spare.size());
        return 1;
    }
    size_t next = 0;
    for (const xcb_keysym_t s : wanted) {
        // The same symbol with and without Shift, so that the state of the
        // modifiers never matters.
        std::vector<xcb_keysym_t> row(size_t(perCode), 0);
        row[0] = s;
        if (perCode > 1)
            row[1] = s;
        xcb_change_keyboard_mapping(conn, 1, spare[next++], uint8_t(perCode), row.data());
    }
    std::free(map);
    const int ok = xcb_flush(conn) > 0 && !xcb_connection_has_error(conn);
    // A round trip, so that the server has taken the map before we leave.
    std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
    xcb_disconnect(conn);
    std::printf("xkeysyms: %zu keys bound\n", next);
    return ok ? 0 : 1;
}
