// The record of a window being created, as PreCreateWindow and WM_CREATE
// see it.
#pragma once

#include "ui/window_types.h"

struct CREATESTRUCTW {
    LPVOID lpCreateParams;  // CWnd::CreateEx's lpParam: a frame's or view's CCreateContext
    HANDLE hInstance;
    HMENU hMenu;  // a child's control id
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
};
