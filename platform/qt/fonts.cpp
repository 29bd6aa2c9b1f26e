#include "platform/qt/fonts.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "platform/qt/surface_records.h"

namespace {

// The body font stands in for the small proportional system font: a 13-pixel
// cell (text lines 12 pixels apart) and characters 5 pixels wide on average.
// The condensed face matches those widths; plain DejaVu Sans stands in where
// it is not installed.
constexpr const char* kBodyFamily = "DejaVu Sans Condensed";
constexpr const char* kBodyFallbackFamily = "DejaVu Sans";
constexpr int kBodyPixelSize = 11;

// Requests name Windows faces; these are the metric-compatible faces Debian ships.
struct FaceSubstitute {
    const char* requested;
    const char* installed;
};
constexpr FaceSubstitute kFaceSubstitutes[] = {
    {"New Times Roman", "Liberation Serif"},
    {"Times New Roman", "Liberation Serif"},
    {"Times", "Liberation Serif"},
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"MS Sans Serif", kBodyFamily},
    {"System", kBodyFamily},
    {"Courier New", "Liberation Mono"},
    {"Courier", "Liberation Mono"},
};

// The low nibble of pitchAndFamily's high half: the family a face belongs to.
constexpr uint8_t kFamilyRoman = 0x10;
constexpr uint8_t kFamilyModern = 0x30;

// The installed family for a requested face, or for the request's family of
// faces when the face is not installed.
QString FamilyOfFace(const QString& face, uint8_t pitchAndFamily)
{
    for (const FaceSubstitute& substitute : kFaceSubstitutes) {
        if (face.compare(QLatin1String(substitute.requested), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(substitute.installed);
    }
    if (!face.isEmpty() && QFontInfo(QFont(face)).family().compare(face, Qt::CaseInsensitive) == 0)
        return face;
    switch (pitchAndFamily & 0xF0) {
    case kFamilyRoman:
        return QStringLiteral("Liberation Serif");
    case kFamilyModern:
        return QStringLiteral("Liberation Mono");
    default:
        return QString::fromLatin1(kBodyFamily);
    }
}

QString FamilyOfRequest(const FontRequest& request)
{
    const std::size_t length = strnlen(request.faceName, sizeof request.faceName);
    return FamilyOfFace(QString::fromLatin1(request.faceName, qsizetype(length)), request.pitchAndFamily);
}

// Faces whose dialog units are fixed: "System" is a raster face of one size,
// its cell 16 pixels high and its characters 8 wide on average, whatever
// size is asked for. Its stand-in face is drawn at that cell height.
struct FixedDialogFace {
    const char* face;
    int aveCharWidth;
    int height;
};
constexpr FixedDialogFace kFixedDialogFaces[] = {
    {"System", 8, 16},
};

// Points to pixels on a screen of 96 dots per inch.
constexpr int kScreenDpi = 96;
constexpr int kPointsPerInch = 72;

// Crisp, unhinted-surprise-free glyphs: the same pixels on every run.
void MakeDeterministic(QFont& font)
{
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
}

// The largest pixel size whose cell (ascent + descent) is at most height.
int PixelSizeForCellHeight(QFont font, int height)
{
    int size = std::max(height, 1);
    for (; size > 1; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() <= height)
            break;
    }
    return size;
}

QString TextOf(const char* text, int32_t length)
{
    return QString::fromUtf8(text, std::max(length, 0));
}

PaintObject* StockBody()
{
    static PaintObject* body = [] {
        auto* object = new PaintObject;
        object->sort = SortFont;
        object->stock = true;
        object->face = new FontFace;
        QFont& font = object->face->font;
        font.setFamilies({QString::fromLatin1(kBodyFamily), QString::fromLatin1(kBodyFallbackFamily)});
        font.setPixelSize(kBodyPixelSize);
        MakeDeterministic(font);
        return object;
    }();
    return body;
}

} // namespace

DialogFont DialogFontOf(const char* face, int points)
{
    const QString name = QString::fromLatin1(face ? face : "");
    DialogFont dialog;
    dialog.font.setFamily(FamilyOfFace(name, 0));
    MakeDeterministic(dialog.font);
    for (const FixedDialogFace& fixed : kFixedDialogFaces) {
        if (name.compare(QLatin1String(fixed.face), Qt::CaseInsensitive) == 0) {
            dialog.font.setPixelSize(PixelSizeForCellHeight(dialog.font, fixed.height));
            dialog.baseX = fixed.aveCharWidth;
            dialog.baseY = fixed.height;
            return dialog;
        }
    }
    dialog.font.setPixelSize(std::max(1, points * kScreenDpi / kPointsPerInch));
    const QFontMetrics metrics(dialog.font);
    dialog.baseX = metrics.averageCharWidth();
    dialog.baseY = metrics.height();
    return dialog;
}

PaintObject* StockBodyFont()
{
    return StockBody();
}

PaintObject* CreateFontFromRequest(const FontRequest* request)
{
    if (!request)
        return nullptr;
    PaintObject* object = NewPaintObject(SortFont, 0);
    object->face = new FontFace;
    QFont& font = object->face->font;
    font.setFamily(FamilyOfRequest(*request));
    MakeDeterministic(font);
    if (request->weight > 0)
        font.setWeight(QFont::Weight(std::clamp(int(request->weight), 1, 1000)));
    font.setItalic(request->italic != 0);
    font.setUnderline(request->underline != 0);
    font.setStrikeOut(request->strikeOut != 0);
    // A positive height is the cell height, a negative one the character
    // height (the pixel size), 0 the body size.
    if (request->height > 0)
        font.setPixelSize(PixelSizeForCellHeight(font, request->height));
    else if (request->height < 0)
        font.setPixelSize(-request->height);
    else
        font.setPixelSize(kBodyPixelSize);
    return object;
}

std::string ResolvedFontFamily(PaintObject* font)
{
    if (!font || font->sort != SortFont)
        return {};
    return QFontInfo(font->face->font).family().toStdString();
}

void ReadFontMetrics(DrawSurface* surface, FontMetrics* metrics)
{
    if (!surface || !metrics)
        return;
    const QFont& font = surface->paint.font->face->font;
    const QFontMetrics qt(font);
    metrics->ascent = qt.ascent();
    metrics->descent = qt.descent();
    metrics->height = qt.ascent() + qt.descent();
    metrics->internalLeading = std::max(0, metrics->height - font.pixelSize());
    metrics->externalLeading = std::max(0, qt.leading());
    metrics->aveCharWidth = qt.averageCharWidth();
    metrics->maxCharWidth = qt.maxWidth();
}

Extent MeasureText(DrawSurface* surface, const char* text, int32_t length)
{
    if (!surface || !text)
        return {0, 0};
    const QFontMetrics qt(surface->paint.font->face->font);
    return {qt.horizontalAdvance(TextOf(text, length)), qt.ascent() + qt.descent()};
}

void PaintText(DrawSurface* surface, int32_t x, int32_t y, const char* text, int32_t length)
{
    if (!surface || !text || !surface->target || length <= 0)
        return;
    const QString string = TextOf(text, length);
    const PaintState& state = surface->paint;
    const QFontMetrics qt(state.font->face->font);
    QPainter painter(surface->target);
    if (surface->clipped)
        painter.setClipRegion(surface->clip);
    if (state.backgroundMode == BackgroundOpaque) {
        const QRect cell(x, y, qt.horizontalAdvance(string), qt.ascent() + qt.descent());
        painter.fillRect(cell, QColor(RgbOfColor(state.backgroundColor)));
    }
    painter.setFont(state.font->face->font);
    painter.setPen(QColor(RgbOfColor(state.textColor)));
    painter.drawText(QPoint(x, y + qt.ascent()), string);
}
