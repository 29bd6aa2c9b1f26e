#include "replay/replay_steps.h"

#include <fstream>
#include <sstream>

#include "app/app_state.h"
#include "display/screen_layout.h"

namespace {

std::string WithoutBlanks(const char* text)
{
    std::string result;
    for (const char* c = text; *c; ++c) {
        if (*c != ' ')
            result += *c;
    }
    return result;
}

int32_t Across(int32_t from, int32_t to, int percent) { return from + (to - from) * percent / 100; }

void Put(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char(value >> (8 * i));
}

std::string RectText(const Rect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

} // namespace

std::vector<ReplayStep> ReadReplayScript(const std::string& path)
{
    std::vector<ReplayStep> steps;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        ReplayStep step;
        if (!(words >> step.verb))
            continue;
        // One blank parts the verb from the rest, which keeps any further
        // blanks: menu texts may begin with one.
        if (words.peek() == ' ')
            words.get();
        std::getline(words, step.rest);
        std::istringstream rest(step.rest);
        for (std::string word; rest >> word;)
            step.words.push_back(word);
        steps.push_back(step);
    }
    return steps;
}

bool ReplayClickPoint(const AppState* state, const ReplayStep& step, int32_t* x, int32_t* y)
{
    if (step.verb == "pick" && step.words.size() == 2 && state) {
        const Rect& panel = state->seriesPanelRect;
        *x = Across(panel.left, panel.right, std::stoi(step.words[0]));
        *y = Across(panel.top, panel.bottom, std::stoi(step.words[1]));
        return true;
    }
    if (step.verb == "point" && step.words.size() == 2) {
        *x = std::stoi(step.words[0]);
        *y = std::stoi(step.words[1]);
        return true;
    }
    if (step.verb != "button" || step.words.size() != 1 || !state)
        return false;
    for (int i = 0; i < kButtonCount; ++i) {
        if (WithoutBlanks(kButtonLabels[i]) == step.words[0]) {
            const Rect& button = state->buttonRects[i];
            *x = (button.left + button.right) / 2;
            *y = (button.top + button.bottom) / 2;
            return true;
        }
    }
    return false;
}

bool WriteReplayPicture(const std::string& path, int32_t width, int32_t height,
                        const std::function<Color(int32_t x, int32_t y)>& pixel)
{
    const uint32_t stride = (uint32_t(width) * 3 + 3) / 4 * 4;
    const uint32_t imageSize = stride * uint32_t(height);
    std::string out = "BM";
    Put(out, 54 + imageSize, 4);
    Put(out, 0, 4);
    Put(out, 54, 4);
    Put(out, 40, 4);
    Put(out, uint32_t(width), 4);
    Put(out, uint32_t(height), 4);
    Put(out, 1, 2);
    Put(out, 24, 2);
    Put(out, 0, 4);
    Put(out, imageSize, 4);
    out.append(16, '\0'); // resolution and colour counts: none
    for (int32_t y = height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < width; ++x) {
            const Color c = pixel(x, y);
            out += char(ColorBlue(c));
            out += char(ColorGreen(c));
            out += char(ColorRed(c));
        }
        out.append(stride - uint32_t(width) * 3, '\0');
    }
    std::ofstream file(path, std::ios::binary);
    file.write(out.data(), std::streamsize(out.size()));
    return bool(file);
}

std::string ReplayLayoutLine(const AppState* state)
{
    if (!state)
        return "layout none";
    std::string line = "layout font " + std::to_string(state->lineHeight) + "," +
                       std::to_string(state->charAveWidth) + " series " + RectText(state->seriesPanelRect) + " result " +
                       RectText(state->resultPanelRect) + " buttons";
    for (const Rect& button : state->buttonRects)
        line += " " + RectText(button);
    return line;
}
