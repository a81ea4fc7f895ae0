#include "gui/win32/FrameDropTarget.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <vector>

namespace qm {
namespace {

FORMATETC formatOf(CLIPFORMAT format) { return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

constexpr int kPathCapacity = 1024;

}  // namespace

HRESULT STDMETHODCALLTYPE FrameDropTarget::QueryInterface(REFIID id, void** out) {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(id, IID_IDropTarget) || IsEqualIID(id, IID_IUnknown)) {
        *out = this;
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FrameDropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refCount)); }

ULONG STDMETHODCALLTYPE FrameDropTarget::Release() {
    const LONG count = InterlockedDecrement(&refCount);
    if (count <= 0) delete this;
    return static_cast<ULONG>(count < 0 ? 0 : count);
}

HRESULT STDMETHODCALLTYPE FrameDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) {
    accepted = false;
    if (data != nullptr) {
        FORMATETC text = formatOf(CF_TEXT);
        FORMATETC files = formatOf(CF_HDROP);
        accepted = data->QueryGetData(&text) == S_OK || data->QueryGetData(&files) == S_OK;
    }
    if (accepted) return DragOver(keyState, point, effect);
    if (effect != nullptr) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FrameDropTarget::DragOver(DWORD keyState, POINTL, DWORD* effect) {
    if (effect != nullptr) {
        *effect = !accepted ? DROPEFFECT_NONE : (keyState & MK_CONTROL) != 0 ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FrameDropTarget::DragLeave() { return S_OK; }

HRESULT STDMETHODCALLTYPE FrameDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD*) {
    if (frame != nullptr && data != nullptr) {
        STGMEDIUM medium{};
        FORMATETC text = formatOf(CF_TEXT);
        FORMATETC files = formatOf(CF_HDROP);
        DropKind kind = DropText;
        bool got = data->GetData(&text, &medium) == S_OK;
        if (!got) {
            kind = DropFiles;
            got = data->GetData(&files, &medium) == S_OK;
        }
        if (got) {
            if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal != nullptr) {
                if (kind == DropFiles) dropFiles(medium.hGlobal);
                else dropText(medium.hGlobal);
            }
            ReleaseStgMedium(&medium);
        }
    }
    DragLeave();
    return S_OK;
}

void FrameDropTarget::dropFiles(HGLOBAL memory) {
    auto drop = static_cast<HDROP>(memory);
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    if (count == 0) return;
    std::vector<char*> names;
    names.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        char buffer[kPathCapacity] = {};
        if (DragQueryFileA(drop, i, buffer, kPathCapacity) == 0) continue;
        resolveShortcut(buffer, buffer, kPathCapacity);
        char* copy = new char[kPathCapacity];
        std::memcpy(copy, buffer, kPathCapacity);
        names.push_back(copy);
    }
    Point where;
    frame->getCurrentMouseLocation(where);
    frame->onDrop(names.data(), static_cast<std::int32_t>(names.size()), DropFiles, where);
    for (char* name : names) delete[] name;
}

void FrameDropTarget::dropText(HGLOBAL memory) {
    char* text = static_cast<char*>(GlobalLock(memory));
    const SIZE_T size = GlobalSize(memory);
    if (text != nullptr && size != 0) {
        Point where;
        frame->getCurrentMouseLocation(where);
        char* items[1] = {text};
        frame->onDrop(items, static_cast<std::int32_t>(size), DropText, where);
    }
    GlobalUnlock(memory);
}

bool FrameDropTarget::resolveShortcut(const char* path, char* out, int capacity) {
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr || lstrcmpiA(dot, ".lnk") != 0) return false;
    IShellLinkA* link = nullptr;
    if (CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                         reinterpret_cast<void**>(&link)) != S_OK) {
        return false;
    }
    bool resolved = false;
    IPersistFile* file = nullptr;
    if (link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)) == S_OK) {
        wchar_t widePath[2048] = {};
        MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, 2048);
        if (file->Load(widePath, 0) == S_OK &&
            link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | (500u << 16)) == S_OK) {
            char target[kPathCapacity] = {};
            WIN32_FIND_DATAA found{};
            if (link->GetPath(target, capacity < kPathCapacity ? capacity : kPathCapacity, &found, SLGP_SHORTPATH) ==
                    S_OK &&
                target[0] != '\0') {
                lstrcpynA(out, target, capacity);
                resolved = true;
            }
        }
        file->Release();
    }
    link->Release();
    return resolved;
}

}  // namespace qm
