// A build tool, run on the build machine: writes the Windows resource script
// (menu, About dialog, icon) and the icon file from the program's own
// resource data, so the .exe carries the very menu, dialog and pictures that
// the other backends build their toolkit objects from. The web page takes
// the icon file alone, as its tab's icon.
//
// Usage: resource_writer [SCRIPT.rc] ICON.ico
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/software/xpm_picture.h"
#include "res/resources.h"

namespace {

// A text as the resource compiler reads it: in quotes, with quotes doubled.
std::string Quoted(const char* text)
{
    std::string quoted = "\"";
    for (const char* c = text; *c; ++c)
        quoted += *c == '"' ? std::string("\"\"") : std::string(1, *c);
    return quoted + "\"";
}

// The entries from index on up to the MenuEnd that closes them; returns the
// index after it.
int WriteMenuEntries(std::ostream& out, const MenuResource& menu, int index, const std::string& indent)
{
    out << indent << "BEGIN\n";
    while (index < menu.entryCount) {
        const MenuEntry& entry = menu.entries[index++];
        if (entry.kind == MenuEnd)
            break;
        if (entry.kind == MenuSeparator) {
            out << indent << "  MENUITEM SEPARATOR\n";
        } else if (entry.kind == MenuItem) {
            out << indent << "  MENUITEM " << Quoted(entry.text) << ", " << entry.commandId << "\n";
        } else {
            out << indent << "  POPUP " << Quoted(entry.text) << "\n";
            index = WriteMenuEntries(out, menu, index, indent + "  ");
        }
    }
    out << indent << "END\n";
    return index;
}

void WriteMenu(std::ostream& out, const MenuResource& menu)
{
    out << menu.id << " MENU\n";
    int index = 0;
    while (index < menu.entryCount) {
        const MenuEntry& entry = menu.entries[index++];
        if (entry.kind != MenuPopup)
            continue;
        if (index == 1)
            out << "BEGIN\n";
        out << "  POPUP " << Quoted(entry.text) << "\n";
        index = WriteMenuEntries(out, menu, index, "  ");
    }
    out << "END\n\n";
}

void WriteControl(std::ostream& out, const DialogControl& control)
{
    const std::string place = ", " + std::to_string(control.x) + ", " + std::to_string(control.y) + ", " +
                              std::to_string(control.width) + ", " + std::to_string(control.height);
    switch (control.kind) {
    case ControlIcon:
        out << "  ICON " << control.icon->id << ", " << control.id << place << "\n";
        break;
    case ControlStaticText:
        out << "  LTEXT " << Quoted(control.text) << ", " << control.id << place << ", SS_NOPREFIX | WS_GROUP\n";
        break;
    case ControlDefaultButton:
        out << "  DEFPUSHBUTTON " << Quoted(control.text) << ", " << control.id << place
            << ", WS_TABSTOP | WS_GROUP\n";
        break;
    }
}

void WriteDialog(std::ostream& out, const DialogResource& dialog)
{
    out << dialog.id << " DIALOG " << dialog.x << ", " << dialog.y << ", " << dialog.width << ", " << dialog.height
        << "\nSTYLE DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU\n"
        << "CAPTION " << Quoted(dialog.caption) << "\nFONT " << dialog.fontPoints << ", " << Quoted(dialog.fontName)
        << "\nBEGIN\n";
    for (int i = 0; i < dialog.controlCount; ++i)
        WriteControl(out, dialog.controls[i]);
    out << "END\n";
}

// One picture of an icon as an icon file holds it: a 4-bit device-independent
// bitmap of twice the height (the colours, then a transparency mask).
struct IconPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;
};

void Put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "resource_writer: %s\n", message.c_str());
    std::exit(1);
}

// One picture of at most 16 colours; the colour "None" is transparent.
IconPicture PictureOfXpm(const IconImage& image)
{
    XpmPicture xpm;
    std::string error;
    if (!ReadXpmPicture(image, &xpm, &error))
        Fail(error);
    if (xpm.palette.size() > 16)
        Fail("icon " + std::to_string(image.width) + ": more than 16 colours");
    const int width = xpm.width;
    const int height = xpm.height;
    std::vector<uint32_t> palette = xpm.palette;
    palette.resize(16, 0);

    const int colorStride = (width * 4 + 31) / 32 * 4;
    const int maskStride = (width + 31) / 32 * 4;
    IconPicture picture{width, height, {}};
    std::vector<uint8_t>& out = picture.bytes;
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(2 * height));
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, 0);
    Put32(out, uint32_t((colorStride + maskStride) * height));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 16);
    Put32(out, 0);
    for (uint32_t rgb : palette)
        Put32(out, rgb); // blue, green, red, 0 in file order
    std::vector<uint8_t> colors(std::size_t(colorStride * height), 0);
    std::vector<uint8_t> mask(std::size_t(maskStride * height), 0);
    for (int y = 0; y < height; ++y) {
        const int fileRow = height - 1 - y; // rows bottom-up
        for (int x = 0; x < width; ++x) {
            const int found = xpm.indices[std::size_t(y * width + x)];
            const int index = found == xpm.transparent ? 0 : found;
            colors[std::size_t(fileRow * colorStride + x / 2)] |= uint8_t(x % 2 == 0 ? index << 4 : index);
            if (found == xpm.transparent)
                mask[std::size_t(fileRow * maskStride + x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
    }
    out.insert(out.end(), colors.begin(), colors.end());
    out.insert(out.end(), mask.begin(), mask.end());
    return picture;
}

std::vector<uint8_t> IconFile(const IconResource& icon)
{
    std::vector<IconPicture> pictures;
    for (int i = 0; i < icon.imageCount; ++i)
        pictures.push_back(PictureOfXpm(icon.images[i]));
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1); // an icon
    Put16(out, uint32_t(pictures.size()));
    uint32_t offset = uint32_t(6 + 16 * pictures.size());
    for (const IconPicture& picture : pictures) {
        out.push_back(uint8_t(picture.width));
        out.push_back(uint8_t(picture.height));
        out.push_back(16); // colours
        out.push_back(0);
        Put16(out, 1);     // planes
        Put16(out, 4);     // bits per pixel
        Put32(out, uint32_t(picture.bytes.size()));
        Put32(out, offset);
        offset += uint32_t(picture.bytes.size());
    }
    for (const IconPicture& picture : pictures)
        out.insert(out.end(), picture.bytes.begin(), picture.bytes.end());
    return out;
}

void WriteIconFile(const char* path)
{
    const std::vector<uint8_t> icon = IconFile(kMainIcon);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(icon.data()), std::streamsize(icon.size()));
    file.close();
    if (!file)
        Fail(std::string("cannot write the icon file ") + path);
}

void WriteScript(const char* path, const char* iconPath)
{
    std::ofstream script(path);
    script << "// Written by resource_writer from res/resources.cpp: edit that file instead.\n"
           << "#include <windows.h>\n\n"
           << kMainIcon.id << " ICON " << Quoted(iconPath) << "\n\n";
    WriteMenu(script, kMainMenu);
    WriteDialog(script, kAboutDialog);
    script.close();
    if (!script)
        Fail(std::string("cannot write the resource script ") + path);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3)
        Fail("usage: resource_writer [SCRIPT.rc] ICON.ico");
    const char* iconPath = argv[argc - 1];
    WriteIconFile(iconPath);
    if (argc == 3)
        WriteScript(argv[1], iconPath);
    return 0;
}
