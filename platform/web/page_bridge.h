// The page's half of the web backend: functions that the page's script
// defines (page/page_library.js, over page/page.js) and the backend calls.
// Texts cross as UTF-8, pictures and buffers as pointers into the module's
// memory; the page never calls the program: it queues events, which the
// program's message loop takes.
#pragma once

#include <cstdint>

// What the page queues, with the values each carries.
enum PageEventKind : int32_t {
    PageNoEvent = 0,
    PageResized,        // the client area changed size (or the display its pixel ratio)
    PagePointerDown,    // x, y in device pixels of the client area; the press's click count
    PagePointerUp,      // x, y
    PagePointerMove,    // x, y
    PageKeyDown,        // the key's code, as the browser's keyCode gives it
    PageMenuCommand,    // the chosen menu item's command id
    PageModalCommand,   // the id of the modal window's control that ended it: OK, Cancel, a button
};

struct PageEvent {
    PageEventKind kind;
    int32_t values[3];
};

extern "C" {

// Returns once the page has queued an event. The program's stack is put
// aside meanwhile (Asyncify), so the page goes on drawing and handling input.
void kv_wait_for_event();
// Takes the oldest queued event; kind PageNoEvent when there is none.
void kv_take_event(PageEvent* event);

// The client area's size in device pixels: width, then height.
void kv_client_size(int32_t* size);
// Shows the block at (x, y), width x height, of the client image: rgba
// holds its imageWidth x imageHeight pixels as red, green, blue and alpha
// bytes, rows top-down. The page puts it on the canvas at its next animation
// frame, reading the pixels then: they must stay where they are until the
// next call or the window's end.
void kv_present(const void* rgba, int32_t imageWidth, int32_t imageHeight, int32_t x, int32_t y, int32_t width,
                int32_t height);
void kv_set_title(const char* title);
// The texts the client area shows, one a line, top to bottom, for readers
// that cannot see the picture.
void kv_set_shown_text(const char* lines);
// The window is gone: the page says so in its place.
void kv_window_closed();

// Builds the menu bar, entry by entry: a popup holds what is added until it is closed.
void kv_menu_open_popup(const char* text);
void kv_menu_add_item(const char* text, int32_t commandId);
void kv_menu_add_separator();
void kv_menu_close_popup();

// A modal window over the page. Positions and sizes are in the page's
// pixels (CSS pixels); a window at x < 0 is centred over the client area and
// sized to its content, and so are its controls at x < 0, one under the other.
void kv_modal_open(const char* caption, int32_t x, int32_t y, int32_t width, int32_t height);
// rgba: width x height pixels as for kv_present.
void kv_modal_add_picture(int32_t x, int32_t y, const void* rgba, int32_t width, int32_t height);
void kv_modal_add_text(int32_t x, int32_t y, int32_t width, int32_t height, const char* text);
// The default button takes Enter; Escape and the close box give kCommandCancel.
void kv_modal_add_button(int32_t x, int32_t y, int32_t width, int32_t height, const char* text, int32_t id,
                         int32_t isDefault);
// A labelled name box, and a labelled choice of filters (labels and their
// patterns as pairs), the selected one 0-based. Choosing a filter puts its
// extension in place of a typed name's.
void kv_modal_add_name_box(const char* label);
void kv_modal_add_filter_choice(const char* label, const char* const* filters, int32_t filterCount,
                                int32_t selected);
// Puts the keyboard on the default button or the name box and waits for input.
void kv_modal_show();
// The name box's text as UTF-8 with a terminator, cut to fit; returns its
// full length in bytes without the terminator.
int32_t kv_modal_read_name(char* buffer, int32_t size);
// Closes the topmost modal window; the keyboard goes back to the client area.
void kv_modal_close();

// The sizes of a bundled face, from its tables, in font units: units per em,
// ascender, descender (negative below the baseline), line gap, average
// character width, widest advance.
void kv_face_tables(int32_t face, int32_t* tables);
// Draws characters of a face at pixelSize in black, side by side in boxes of
// boxWidth x boxHeight pixels, each with its baseline ascent pixels below
// the top and its pen margin pixels from its box's left, and writes the
// picture (count x boxWidth by boxHeight pixels, red, green, blue and alpha
// bytes, rows top-down: the alpha is each pixel's coverage) and each
// character's advance in whole pixels. One call draws them all, so that the
// page reads its canvas once.
void kv_render_glyphs(int32_t face, int32_t pixelSize, int32_t weight, int32_t italic, const int32_t* codePoints,
                      int32_t count, int32_t ascent, int32_t margin, int32_t boxWidth, int32_t boxHeight,
                      uint8_t* rgba, int32_t* advances);
// Returns at the page's next turn, once the browser has had the chance to
// show what it has and to handle input (the stack put aside, as for an event).
void kv_yield_to_page();

// Hands a finished file to the browser as a download under the given name.
void kv_download(const char* name, const void* bytes, int32_t length);

} // extern "C"
