#include "tools/host/EditorWindow.h"

#include <cstdio>

namespace qmhost {

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
                             680, 580, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
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

BITMAPINFO topDownBitmapInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return info;
}

Screenshot capture(HWND window) {
    Screenshot shot;
    RECT client{};
    GetClientRect(window, &client);
    shot.width = client.right;
    shot.height = client.bottom;
    HDC windowDc = GetDC(window);
    HDC memory = CreateCompatibleDC(windowDc);
    BITMAPINFO info = topDownBitmapInfo(shot.width, shot.height);
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

bool Screenshot::isBlank() const {
    if (width <= 0 || height <= 0 || pixels.empty()) return true;
    for (std::uint32_t pixel : pixels) {
        if (pixel != pixels.front()) return false;
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

}  // namespace qmhost
