// Build tool: turns one of the program's XPM icons into a PNG at a whole
// multiple of its size. Every source pixel becomes a square block of the same
// colour, so the desktop's larger icons keep the hand-drawn picture exactly.
#include <QFile>
#include <QImage>
#include <QString>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

int Fail(const char* path, const char* what)
{
    std::fprintf(stderr, "kv_icon_png: %s: %s\n", path, what);
    return 1;
}

bool ParseFactor(const char* text, int* factor)
{
    const char* end = text + std::strlen(text);
    const auto [rest, error] = std::from_chars(text, end, *factor);
    return error == std::errc() && rest == end && *factor >= 1 && *factor <= 64;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: kv_icon_png ICON.xpm FACTOR OUTPUT.png\n");
        return 2;
    }
    const char* input = argv[1];
    const char* output = argv[3];
    int factor = 0;
    if (!ParseFactor(argv[2], &factor))
        return Fail(argv[2], "the factor must be a whole number from 1 to 64");

    const QImage icon(QString::fromLocal8Bit(input), "XPM");
    if (icon.isNull())
        return Fail(input, "not a readable XPM image");
    const QImage scaled = icon.scaled(icon.width() * factor, icon.height() * factor,
                                      Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QString outputPath = QString::fromLocal8Bit(output);
    if (!scaled.save(outputPath, "PNG")) {
        QFile::remove(outputPath);
        return Fail(output, "cannot write the PNG file");
    }
    return 0;
}
