#include "editor/win32/GuiHost.h"

#include <chrono>
#include <cstdio>

namespace qmgui {

Screenshot resourcePixels(HMODULE module, int resourceId) {
    Screenshot picture;
    HANDLE loaded = LoadImageA(module, MAKEINTRESOURCEA(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (loaded == nullptr) return picture;
    auto bitmap = static_cast<HBITMAP>(loaded);
    BITMAP description{};
    GetObjectA(bitmap, sizeof description, &description);
    picture.width = description.bmWidth;
    picture.height = description.bmHeight;
    BITMAPINFO info = qmhost::topDownBitmapInfo(picture.width, picture.height);
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(picture.height), picture.pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (std::uint32_t& pixel : picture.pixels) pixel &= 0xFFFFFFu;
    DeleteObject(bitmap);
    return picture;
}

bool shows(const Screenshot& shot, const Screenshot& picture, int left, int top, int right, int bottom, int sourceX,
           int sourceY) {
    if (picture.pixels.empty()) return false;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (shot.at(x, y) != picture.at(sourceX + x - left, sourceY + y - top)) return false;
        }
    }
    return true;
}

bool shows(const Screenshot& shot, const Screenshot& picture, const qm::Rect& place, int sourceX, int sourceY) {
    return shows(shot, picture, place.left, place.top, place.right, place.bottom, sourceX, sourceY);
}

namespace {

void sendMouse(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

void sendKey(WORD key, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

}  // namespace

void moveMouse(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
    sendMouse(MOUSEEVENTF_MOVE);
}

void moveMouseInDrag(HWND window, int x, int y) {
    HostLog::get().onNextIdle([=] { moveMouse(window, x, y); });
}

void pressLeft() { sendMouse(MOUSEEVENTF_LEFTDOWN); }
void releaseLeft() { sendMouse(MOUSEEVENTF_LEFTUP); }
void pressKey(WORD key) { sendKey(key, 0); }
void releaseKey(WORD key) { sendKey(key, KEYEVENTF_KEYUP); }

bool waitForKeyState(int key, bool down) {
    const DWORD start = GetTickCount();
    while (((GetAsyncKeyState(key) & 0x8000) != 0) != down) {
        if (GetTickCount() - start > 5000) return false;
        SwitchToThread();
    }
    return true;
}

}  // namespace qmgui
