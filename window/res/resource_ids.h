// Identifiers of the program's resources and of the commands its menu sends.
#pragma once

constexpr int IDD_ABOUTBOX = 103;
constexpr int IDM_ABOUT = 104;
constexpr int IDM_EXIT = 105;
constexpr int IDI_MAINICON = 107;
constexpr int IDM_MAINMENU = 109;

constexpr int IDM_SAVE_IMAGE = 32771;
constexpr int IDM_CREATE_SERIES = 32772;
constexpr int IDM_REPEAT = 32773;
constexpr int IDM_SEARCH = 32774;
