// Fonts on the page: the faces the page bundles, their metrics, and text
// drawn glyph by glyph. The browser draws each glyph once (canvas text) and
// the backend keeps its ink: text is then written with the surface's clip,
// colours and background like any other shape, without antialiasing, each
// glyph on whole pixels and advancing by whole pixels, as the desktop's
// hinted text does.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <strings.h>
#include <tuple>

#include "platform/software/raster_shapes.h"
#include "platform/web/page_bridge.h"
#include "platform/web/web_records.h"

namespace {

// The faces the page bundles, by their index in its list (page/page.js):
// DejaVu Sans Condensed, which stands in for the small proportional system
// font as on the Qt desktop, and Liberation Serif for Times faces.
constexpr int32_t kBodyFace = 0;
constexpr int32_t kSerifFace = 1;
// The body font: a 13-pixel cell (text lines 12 pixels apart), characters 5
// pixels wide on average.
constexpr int32_t kBodyPixelSize = 11;
// A pixel is ink when the browser's antialiased glyph covers at least this
// much of it (of 255): the threshold that comes closest to the desktop's
// monochrome glyphs of the same faces (162 of 1343 ink pixels of the body
// face's printable ASCII differ, against 181 at half coverage).
constexpr uint8_t kInkCoverage = 112;

struct FaceSubstitute {
    const char* requested;
    int32_t face;
};
constexpr FaceSubstitute kFaceSubstitutes[] = {
    {"New Times Roman", kSerifFace}, {"Times New Roman", kSerifFace}, {"Times", kSerifFace},
    {"MS Sans Serif", kBodyFace},    {"System", kBodyFace},
};
// The high half of pitchAndFamily: the family of faces a request falls back on.
constexpr uint8_t kFamilyRoman = 0x10;

// "System" is a raster face of one size: dialog units from its 8 x 16 cell
// whatever size is asked for.
constexpr const char* kFixedDialogFace = "System";
constexpr DialogUnits kFixedDialogUnits = {8, 16};

constexpr int kScreenDpi = 96;
constexpr int kPointsPerInch = 72;

// The metrics of a face at a pixel size, rounded as FreeType rounds those of
// a hinted TrueType face (the desktop's fonts go through FreeType): the
// scale and each product in 16.16 fixed point, each result to whole pixels.
struct FaceTables {
    int32_t unitsPerEm, ascender, descender, lineGap, averageWidth, widestAdvance;
};

FaceTables TablesOf(int32_t face)
{
    static std::map<int32_t, FaceTables> known;
    const auto found = known.find(face);
    if (found != known.end())
        return found->second;
    int32_t values[6] = {};
    kv_face_tables(face, values);
    const FaceTables tables = {std::max(values[0], 1), values[1], values[2], values[3], values[4], values[5]};
    known[face] = tables;
    return tables;
}

int64_t ScaledUnits(int64_t units, int64_t scale)
{
    const int64_t magnitude = (std::abs(units) * scale + 0x8000) >> 16;
    return units < 0 ? -magnitude : magnitude;
}

int32_t WholePixels(int32_t units, int64_t scale)
{
    const int64_t fixed26 = ScaledUnits(units, scale);
    return int32_t(((fixed26 + 32) & ~int64_t(63)) / 64);
}

FontMetrics MetricsOf(int32_t face, int32_t pixelSize)
{
    const FaceTables t = TablesOf(face);
    const int64_t scale = ((int64_t(pixelSize) * 64 << 16) + t.unitsPerEm / 2) / t.unitsPerEm;
    FontMetrics m = {};
    m.ascent = WholePixels(t.ascender, scale);
    m.descent = -WholePixels(t.descender, scale);
    m.height = m.ascent + m.descent;
    m.internalLeading = std::max(0, m.height - pixelSize);
    m.externalLeading = std::max(0, WholePixels(t.lineGap, scale));
    m.aveCharWidth = WholePixels(t.averageWidth, scale);
    m.maxCharWidth = WholePixels(t.widestAdvance, scale);
    return m;
}

// The largest pixel size whose cell (ascent + descent) is at most height.
int32_t PixelSizeForCellHeight(int32_t face, int32_t height)
{
    int32_t size = std::max(height, 1);
    while (size > 1 && MetricsOf(face, size).height > height)
        --size;
    return size;
}

int32_t FaceOf(const FontRequest& request)
{
    const std::size_t length = strnlen(request.faceName, sizeof request.faceName);
    const std::string name(request.faceName, length);
    for (const FaceSubstitute& substitute : kFaceSubstitutes) {
        if (strcasecmp(name.c_str(), substitute.requested) == 0)
            return substitute.face;
    }
    return (request.pitchAndFamily & 0xF0) == kFamilyRoman ? kSerifFace : kBodyFace;
}

// One face object for each distinct request, kept for the whole run with its glyphs.
FontFace* FaceFor(int32_t face, int32_t pixelSize, int32_t weight, bool italic, bool underline, bool strikeOut)
{
    using Key = std::tuple<int32_t, int32_t, int32_t, bool, bool, bool>;
    static std::map<Key, std::unique_ptr<FontFace>> faces;
    auto& slot = faces[Key{face, pixelSize, weight, italic, underline, strikeOut}];
    if (!slot) {
        slot = std::make_unique<FontFace>();
        slot->face = face;
        slot->pixelSize = pixelSize;
        slot->weight = weight;
        slot->italic = italic;
        slot->underline = underline;
        slot->strikeOut = strikeOut;
        slot->metrics = MetricsOf(face, pixelSize);
    }
    return slot.get();
}

PaintObject* StockBody()
{
    static PaintObject* body = [] {
        auto* object = new PaintObject;
        object->sort = SortFont;
        object->stock = true;
        object->face = FaceFor(kBodyFace, kBodyPixelSize, 400, false, false, false);
        return object;
    }();
    return body;
}

// The code points of UTF-8 text; a byte that starts no valid sequence stands
// for U+FFFD.
std::vector<uint32_t> CodePointsOf(const char* text, int32_t length)
{
    std::vector<uint32_t> points;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    for (int32_t i = 0; i < length;) {
        const uint8_t lead = bytes[i];
        const int32_t extra = lead < 0x80          ? 0
                              : (lead >> 5) == 6   ? 1
                              : (lead >> 4) == 14  ? 2
                              : (lead >> 3) == 30  ? 3
                                                   : -1;
        uint32_t point = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool valid = extra >= 0 && i + extra < length;
        for (int32_t k = 1; valid && k <= extra; ++k) {
            valid = (bytes[i + k] & 0xC0) == 0x80;
            point = point << 6 | (bytes[i + k] & 0x3F);
        }
        points.push_back(valid ? point : 0xFFFD);
        i += valid ? extra + 1 : 1;
    }
    return points;
}

// Where the page drew a glyph: the glyph's box in a row of boxes, red,
// green, blue and alpha bytes.
struct GlyphBox {
    const uint8_t* rgba;
    int32_t rowWidth; // pixels across the row of boxes
    int32_t left;     // the box's first column in the row
    int32_t width, height, margin;
    bool Ink(int32_t x, int32_t y) const
    {
        return rgba[4 * (std::size_t(y) * std::size_t(rowWidth) + std::size_t(left + x)) + 3] >= kInkCoverage;
    }
};

// A glyph's ink in its box, trimmed to the pixels it covers.
Glyph TrimmedGlyph(const GlyphBox& box, int32_t advance)
{
    Glyph glyph;
    glyph.advance = advance;
    int32_t left = box.width, top = box.height, right = 0, bottom = 0;
    for (int32_t y = 0; y < box.height; ++y) {
        for (int32_t x = 0; x < box.width; ++x) {
            if (!box.Ink(x, y))
                continue;
            left = std::min(left, x);
            right = std::max(right, x + 1);
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
        }
    }
    if (left >= right)
        return glyph;
    glyph.left = left - box.margin;
    glyph.top = top - box.margin;
    glyph.width = right - left;
    glyph.height = bottom - top;
    glyph.ink.resize(std::size_t(glyph.width) * std::size_t(glyph.height));
    for (int32_t y = 0; y < glyph.height; ++y) {
        for (int32_t x = 0; x < glyph.width; ++x)
            glyph.ink[std::size_t(y) * std::size_t(glyph.width) + std::size_t(x)] = box.Ink(left + x, top + y);
    }
    return glyph;
}

// Has the page draw the glyphs the font lacks of the given code points, all at once.
void RenderMissingGlyphs(FontFace& font, const std::vector<uint32_t>& points)
{
    std::vector<int32_t> missing;
    for (uint32_t point : points) {
        if (!font.glyphs.count(point) && std::find(missing.begin(), missing.end(), int32_t(point)) == missing.end())
            missing.push_back(int32_t(point));
    }
    if (missing.empty())
        return;
    const int32_t count = int32_t(missing.size());
    const int32_t margin = font.pixelSize / 2 + 2;
    const int32_t boxWidth = 2 * font.pixelSize + 2 * margin;
    const int32_t boxHeight = font.metrics.height + 2 * margin;
    std::vector<uint8_t> rgba(4 * std::size_t(boxWidth) * std::size_t(boxHeight) * missing.size());
    std::vector<int32_t> advances(missing.size());
    kv_render_glyphs(font.face, font.pixelSize, font.weight, font.italic, missing.data(), count,
                     font.metrics.ascent + margin, margin, boxWidth, boxHeight, rgba.data(), advances.data());
    for (int32_t i = 0; i < count; ++i) {
        const GlyphBox box = {rgba.data(), count * boxWidth, i * boxWidth, boxWidth, boxHeight, margin};
        font.glyphs.emplace(uint32_t(missing[std::size_t(i)]), TrimmedGlyph(box, advances[std::size_t(i)]));
    }
}

// The text's code points, with every glyph they need drawn.
std::vector<uint32_t> GlyphsOfText(FontFace& font, const char* text, int32_t length)
{
    std::vector<uint32_t> points = CodePointsOf(text, length);
    RenderMissingGlyphs(font, points);
    return points;
}

int32_t AdvanceOf(const FontFace& font, const std::vector<uint32_t>& points)
{
    int32_t advance = 0;
    for (uint32_t point : points)
        advance += font.glyphs.at(point).advance;
    return advance;
}

void DrawGlyph(DrawSurface* surface, const Glyph& glyph, int32_t x, int32_t y, Color color)
{
    for (int32_t row = 0; row < glyph.height; ++row) {
        const uint8_t* ink = glyph.ink.data() + std::ptrdiff_t(row) * glyph.width;
        for (int32_t column = 0; column < glyph.width;) {
            if (!ink[column]) {
                ++column;
                continue;
            }
            const int32_t start = column;
            while (column < glyph.width && ink[column])
                ++column;
            FillSpan(surface, x + glyph.left + start, x + glyph.left + column, y + glyph.top + row, color);
        }
    }
}

bool ShowsOnWindow(const DrawSurface* surface)
{
    return surface->window && surface->sort != SurfaceMemory;
}

} // namespace

PaintObject* StockBodyFont()
{
    return StockBody();
}

PaintObject* CreateFontFromRequest(const FontRequest* request)
{
    if (!request)
        return nullptr;
    const int32_t face = FaceOf(*request);
    // A positive height is the cell height, a negative one the character
    // height (the pixel size), 0 the body size.
    int32_t pixelSize = kBodyPixelSize;
    if (request->height > 0)
        pixelSize = PixelSizeForCellHeight(face, request->height);
    else if (request->height < 0)
        pixelSize = -request->height;
    const int32_t weight = request->weight > 0 ? std::clamp(int32_t(request->weight), 1, 1000) : 400;
    PaintObject* object = NewPaintObject(SortFont, 0);
    object->face = FaceFor(face, pixelSize, weight, request->italic != 0, request->underline != 0,
                           request->strikeOut != 0);
    return object;
}

void ReadFontMetrics(DrawSurface* surface, FontMetrics* metrics)
{
    if (surface && metrics)
        *metrics = surface->paint.font->face->metrics;
}

Extent MeasureText(DrawSurface* surface, const char* text, int32_t length)
{
    if (!surface || !text)
        return {0, 0};
    FontFace& font = *surface->paint.font->face;
    return {AdvanceOf(font, GlyphsOfText(font, text, std::max(length, 0))), font.metrics.height};
}

void PaintText(DrawSurface* surface, int32_t x, int32_t y, const char* text, int32_t length)
{
    if (!surface || !text || !surface->target.words || length <= 0)
        return;
    FontFace& font = *surface->paint.font->face;
    const PaintState& state = surface->paint;
    const std::vector<uint32_t> points = GlyphsOfText(font, text, length);
    const int32_t width = AdvanceOf(font, points);
    const int32_t height = font.metrics.height;
    if (state.backgroundMode == BackgroundOpaque) {
        for (int32_t row = y; row < y + height; ++row)
            FillSpan(surface, x, x + width, row, state.backgroundColor);
    }
    int32_t pen = x;
    for (uint32_t point : points) {
        const Glyph& glyph = font.glyphs.at(point);
        DrawGlyph(surface, glyph, pen, y, state.textColor);
        pen += glyph.advance;
    }
    const int32_t baseline = y + font.metrics.ascent;
    if (font.underline)
        FillSpan(surface, x, x + width, baseline + 1, state.textColor);
    if (font.strikeOut)
        FillSpan(surface, x, x + width, baseline - font.metrics.ascent / 3, state.textColor);
    if (!ShowsOnWindow(surface))
        return;
    const Rect cell = {x, y, x + width, y + height};
    bool visible = !surface->clipped;
    for (const Rect& r : surface->clip)
        visible = visible || (std::max(r.left, cell.left) < std::min(r.right, cell.right) &&
                              std::max(r.top, cell.top) < std::min(r.bottom, cell.bottom));
    if (visible)
        NoteShownText(surface->window, cell, text, length);
}

DialogUnits DialogUnitsOf(const char* faceName, int32_t points)
{
    if (faceName && strcasecmp(faceName, kFixedDialogFace) == 0)
        return kFixedDialogUnits;
    FontRequest request = {};
    if (faceName)
        std::strncpy(request.faceName, faceName, sizeof request.faceName - 1);
    const FontMetrics metrics = MetricsOf(FaceOf(request), std::max(1, points * kScreenDpi / kPointsPerInch));
    return {metrics.aveCharWidth, metrics.height};
}
