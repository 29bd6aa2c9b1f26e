// A stand-in user for the toolkit's own modal windows (message boxes,
// dialogs, the save prompt), so tests can open them for real without
// blocking. Toolkit-free; for tests only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How the stand-in user ends the next modal window.
enum ModalAnswer : int {
    AnswerEnter,    // presses Enter: the default button
    AnswerEscape,   // presses Escape
    AnswerCloseBox, // clicks the title bar's close box
    AnswerButton,   // clicks the button whose text, ampersands left out, is typed
    AnswerBrowse,   // in a save prompt: opens the typed folder in the detailed
                    // list, waits until it is listed, then presses Escape
};

// Arranges for the next modal window the toolkit shows to be answered. In a
// save prompt, typed (when given) is typed into the name box first. Several
// answers go, in order, to modal windows opened one after the other (a box
// that a prompt opens, then the prompt again).
void AnswerNextModal(ModalAnswer answer, const char* typed = nullptr);

// What the stand-in user saw in the last modal window it answered.
struct ModalSeen {
    bool answered = false;
    std::string caption;
    std::string text;                  // a message box's text
    std::vector<std::string> buttons;  // the texts of its push buttons
    std::vector<std::string> labels;   // the texts of its static texts
    std::vector<int> pictureWidths;    // the widths of the pictures it shows
    int clientX = 0, clientY = 0;      // its client area's corner from its owner's client area's corner
    int clientWidth = 0, clientHeight = 0;
    std::vector<std::string> filters;  // a save prompt's filters, in order
    std::string selectedFilter;
    std::string nameBox;               // a save prompt's name box before typing
    bool confirmsOverwrite = false;
    std::string defaultSuffix;
    std::vector<std::string> listed;   // what a browsed folder showed, in order
};
ModalSeen LastModalSeen();
