// kvs demo: replays the window's actions without a display, printing what the
// window shows after each, saving its pictures and exporting its series.
#pragma once

#include <cstdint>
#include <string>

namespace CLI {
class App;
}

void AddDemoCommand(CLI::App& app, int& exitCode);

// "WxH" with both sides from 1 to 16384; false for anything else.
bool ParseClientSize(const std::string& text, int32_t& width, int32_t& height);
