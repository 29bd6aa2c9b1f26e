// A window of a test kind that paints a fixed picture on white: a black
// block, a red disc, a blue line and a grey frame. The writers and the save
// command are run against it at any client size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

// Makes the window, gives its client area the size and paints it.
AppWindow* OpenPictureWindow(int32_t width, int32_t height);
void ClosePictureWindow(AppWindow* window);

// Fills a rectangle (right and bottom exclusive) of the client image at once, outside any paint.
void FillClientBlock(AppWindow* window, int32_t left, int32_t top, int32_t right, int32_t bottom, Color color);

// The client image as rows of 0x00BBGGRR colours, top row first.
std::vector<Color> ClientColors(AppWindow* window);

// Writes the client image as a binary PPM file, the reference the decoders compare with.
void WriteClientAsPpm(AppWindow* window, const std::string& path);
