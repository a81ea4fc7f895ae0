#include "window/GuiHost.h"

#include <chrono>
#include <cstdio>

namespace qmgui {

HostLog& HostLog::get() {
    static HostLog log;
    return log;
}

qm::VstIntPtr QM_CALL HostLog::callback(qm::PluginRecord*, std::int32_t opcode, std::int32_t index, qm::VstIntPtr,
                                        void*, float opt) {
    if (opcode == qm::audioMasterVersion) return 2400;
    HostLog& log = get();
    {
        std::lock_guard<std::mutex> guard(log.lock);
        log.recorded.push_back({opcode, index, opt});
    }
    log.changed.notify_all();
    return opcode == qm::audioMasterGetSampleRate ? 44100 : 0;
}

void HostLog::clear() {
    std::lock_guard<std::mutex> guard(lock);
    recorded.clear();
}

std::vector<HostEvent> HostLog::events() {
    std::lock_guard<std::mutex> guard(lock);
    return recorded;
}

std::vector<HostEvent> HostLog::eventsWith(std::int32_t opcode) {
    std::vector<HostEvent> matching;
    for (const HostEvent& event : events()) {
        if (event.opcode == opcode) matching.push_back(event);
    }
    return matching;
}

bool HostLog::waitFor(std::int32_t opcode, std::size_t count) {
    std::unique_lock<std::mutex> guard(lock);
    return changed.wait_for(guard, std::chrono::seconds(10), [&] {
        std::size_t seen = 0;
        for (const HostEvent& event : recorded) seen += event.opcode == opcode ? 1 : 0;
        return seen >= count;
    });
}

namespace {

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL CALLBACK firstChild(HWND child, LPARAM found) {
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

}  // namespace

HostWindow::HostWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = hostWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "QuellmarTestHost";
    RegisterClassA(&windowClass);
    window = CreateWindowExA(0, "QuellmarTestHost", "QuellmarV3 test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                             400, 340, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(window);
}

HostWindow::~HostWindow() {
    if (window != nullptr) DestroyWindow(window);
}

HWND HostWindow::editorWindow() const {
    HWND found = nullptr;
    EnumChildWindows(window, firstChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

void pump(qm::PluginRecord* record, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (record != nullptr) record->dispatcher(record, qm::effEditIdle, 0, 0, nullptr, 0.0f);
    }
}

Screenshot capture(HWND window) {
    Screenshot shot;
    RECT client{};
    GetClientRect(window, &client);
    shot.width = client.right;
    shot.height = client.bottom;
    HDC windowDc = GetDC(window);
    HDC memory = CreateCompatibleDC(windowDc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    shot.pixels.assign(source, source + static_cast<std::size_t>(shot.width) * static_cast<std::size_t>(shot.height));
    for (std::uint32_t& pixel : shot.pixels) pixel &= 0xFFFFFFu;
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, windowDc);
    return shot;
}

Screenshot resourcePixels(HMODULE module, int resourceId) {
    Screenshot picture;
    HANDLE loaded = LoadImageA(module, MAKEINTRESOURCEA(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (loaded == nullptr) return picture;
    auto bitmap = static_cast<HBITMAP>(loaded);
    BITMAP description{};
    GetObjectA(bitmap, sizeof description, &description);
    picture.width = description.bmWidth;
    picture.height = description.bmHeight;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
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

bool Screenshot::writeBmp(const std::string& path) const {
    const int rowBytes = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(rowBytes * height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = at(x, y);
            row[static_cast<std::size_t>(3 * x)] = static_cast<unsigned char>(pixel);
            row[static_cast<std::size_t>(3 * x + 1)] = static_cast<unsigned char>(pixel >> 8);
            row[static_cast<std::size_t>(3 * x + 2)] = static_cast<unsigned char>(pixel >> 16);
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    return std::fclose(out) == 0;
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
