// The functions of platform/web/page_bridge.h, linked into the module: each
// turns the program's numbers, texts and pointers into values and hands them
// to the page (page.js).
mergeInto(LibraryManager.library, {
  kv_take_event: function (event) {
    const taken = KvPage.takeEvent();
    const at = event >> 2;
    HEAP32[at] = taken ? taken.kind : 0;
    for (let i = 0; i < 3; i++) HEAP32[at + 1 + i] = taken ? taken.values[i] | 0 : 0;
  },
  kv_client_size: function (size) {
    const [width, height] = KvPage.clientSize();
    HEAP32[size >> 2] = width;
    HEAP32[(size >> 2) + 1] = height;
  },
  kv_present: function (rgba, imageWidth, imageHeight, x, y, width, height) {
    // Read when the page shows it: the memory may have grown (and moved) by then.
    const pixels = () => new Uint8ClampedArray(HEAPU8.buffer, rgba, imageWidth * imageHeight * 4);
    KvPage.present(pixels, imageWidth, imageHeight, x, y, width, height);
  },
  kv_set_title: function (title) {
    KvPage.setTitle(UTF8ToString(title));
  },
  kv_set_shown_text: function (lines) {
    KvPage.setShownText(UTF8ToString(lines));
  },
  kv_window_closed: function () {
    KvPage.windowClosed();
  },
  kv_menu_open_popup: function (text) {
    KvPage.menuOpenPopup(UTF8ToString(text));
  },
  kv_menu_add_item: function (text, commandId) {
    KvPage.menuAddItem(UTF8ToString(text), commandId);
  },
  kv_menu_add_separator: function () {
    KvPage.menuAddSeparator();
  },
  kv_menu_close_popup: function () {
    KvPage.menuClosePopup();
  },
  kv_modal_open: function (caption, x, y, width, height) {
    KvPage.modalOpen(UTF8ToString(caption), x, y, width, height);
  },
  kv_modal_add_picture: function (x, y, rgba, width, height) {
    KvPage.modalAddPicture(x, y, new Uint8ClampedArray(HEAPU8.slice(rgba, rgba + width * height * 4).buffer),
                           width, height);
  },
  kv_modal_add_text: function (x, y, width, height, text) {
    KvPage.modalAddText(x, y, width, height, UTF8ToString(text));
  },
  kv_modal_add_button: function (x, y, width, height, text, id, isDefault) {
    KvPage.modalAddButton(x, y, width, height, UTF8ToString(text), id, isDefault !== 0);
  },
  kv_modal_add_name_box: function (label) {
    KvPage.modalAddNameBox(UTF8ToString(label));
  },
  kv_modal_add_filter_choice: function (label, filters, filterCount, selected) {
    const texts = [];
    for (let i = 0; i < 2 * filterCount; i++) texts.push(UTF8ToString(HEAP32[(filters >> 2) + i]));
    KvPage.modalAddFilterChoice(UTF8ToString(label), texts, selected);
  },
  kv_modal_show: function () {
    KvPage.modalShow();
  },
  kv_modal_read_name: function (buffer, size) {
    const name = KvPage.modalName();
    stringToUTF8(name, buffer, size);
    return lengthBytesUTF8(name);
  },
  kv_modal_close: function () {
    KvPage.modalClose();
  },
  kv_face_tables: function (face, tables) {
    const values = KvPage.faceTables(face);
    for (let i = 0; i < 6; i++) HEAP32[(tables >> 2) + i] = values[i];
  },
  kv_render_glyphs: function (face, pixelSize, weight, italic, codePoints, count, ascent, margin, boxWidth,
                              boxHeight, rgba, advances) {
    const characters = [...HEAP32.subarray(codePoints >> 2, (codePoints >> 2) + count)];
    const drawn = KvPage.renderGlyphs(face, pixelSize, weight, italic !== 0, characters, ascent, margin, boxWidth,
                                      boxHeight);
    HEAPU8.set(drawn.rgba, rgba);
    HEAP32.set(drawn.advances, advances >> 2);
  },
  kv_download: function (name, bytes, length) {
    KvPage.download(UTF8ToString(name), HEAPU8.slice(bytes, bytes + length));
  },
});
