// The editor window's drop target with data objects made here: text, files, both, shell
// shortcuts that resolve and one that does not, and the medium given back every time.

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gui/EditorFrame.h"
#include "gui/win32/FrameDropTarget.h"

namespace qm {
namespace {

// Counts how often a medium's release object is released.
class ReleaseCounter : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override {
        ++released;
        return 1;
    }
    int released = 0;
};

// A data object offering text and/or a file list in global memory.
class TestData : public IDataObject {
public:
    TestData(const char* text, std::vector<std::string> files) : text(text), files(std::move(files)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (IsEqualIID(id, IID_IDataObject) || IsEqualIID(id, IID_IUnknown)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        medium->tymed = TYMED_HGLOBAL;
        medium->pUnkForRelease = &counter;
        medium->hGlobal = format->cfFormat == CF_TEXT ? textMemory() : fileMemory();
        ++handedOut;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        if (format->cfFormat == CF_TEXT && text != nullptr) return S_OK;
        if (format->cfFormat == CF_HDROP && !files.empty()) return S_OK;
        return DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

    ReleaseCounter counter;
    int handedOut = 0;

private:
    HGLOBAL textMemory() {
        const std::size_t size = std::strlen(text) + 1;
        HGLOBAL memory = GlobalAlloc(GHND, size);
        std::memcpy(GlobalLock(memory), text, size);
        GlobalUnlock(memory);
        return memory;
    }
    HGLOBAL fileMemory() {
        std::string list;
        for (const std::string& file : files) list += file + '\0';
        list += '\0';
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
        auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
        header->pFiles = sizeof(DROPFILES);
        std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(), list.size());
        GlobalUnlock(memory);
        return memory;
    }

    const char* text;
    std::vector<std::string> files;
};

// A view that takes every drop and keeps a copy of what came.
class DropCatcher : public View {
public:
    DropCatcher() : View(Rect{-100000, -100000, 100000, 100000}) {}
    bool onDrop(char** items, std::int32_t count, DropKind droppedKind, Point) override {
        kind = droppedKind;
        received.clear();
        if (droppedKind == DropText) received.emplace_back(items[0]);
        else for (std::int32_t i = 0; i < count; ++i) received.emplace_back(items[i]);
        ++drops;
        return true;
    }
    DropKind kind = -1;
    std::vector<std::string> received;
    int drops = 0;
};

class FrameDropTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        catcher = new DropCatcher;
        frame.addView(catcher);
        target = new FrameDropTarget(&frame);
        target->AddRef();
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        directory = std::string(folder) + "quellmar-drop-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(directory.c_str(), nullptr);
    }
    void TearDown() override {
        target->Release();
        OleUninitialize();
    }
    std::string makeFile(const std::string& name, const std::string& content = "x") {
        const std::string path = directory + "\\" + name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
        return path;
    }
    std::string makeShortcut(const std::string& name, const std::string& targetPath) {
        const std::string path = directory + "\\" + name;
        IShellLinkA* link = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)),
                  S_OK);
        link->SetPath(targetPath.c_str());
        IPersistFile* file = nullptr;
        link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        EXPECT_EQ(file->Save(wide, TRUE), S_OK);
        file->Release();
        link->Release();
        return path;
    }
    DWORD drop(TestData& data, DWORD keys = 0) {
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target->DragEnter(&data, keys, POINTL{0, 0}, &effect);
        const DWORD shown = effect;
        EXPECT_EQ(target->Drop(&data, keys, POINTL{0, 0}, &effect), S_OK);
        return shown;
    }

    EditorFrame frame{Rect{0, 0, 317, 260}, nullptr};
    DropCatcher* catcher = nullptr;
    FrameDropTarget* target = nullptr;
    std::string directory;
};

TEST_F(FrameDropTargetTest, TextIsDroppedAndPreferredOverFiles) {
    TestData text("hello drop", {});
    EXPECT_EQ(drop(text), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(catcher->kind, DropText);
    EXPECT_EQ(catcher->received, std::vector<std::string>{"hello drop"});
    EXPECT_EQ(text.counter.released, 1);

    TestData both("both", {makeFile("a.txt")});
    EXPECT_EQ(drop(both, MK_CONTROL), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(catcher->kind, DropText);
    EXPECT_EQ(catcher->received, std::vector<std::string>{"both"});
    EXPECT_EQ(both.handedOut, 1);
    EXPECT_EQ(both.counter.released, 1);
}

TEST_F(FrameDropTargetTest, FilesArriveWithShortcutsResolvedAndBrokenOnesAsThemselves) {
    const std::string plain = makeFile("a.txt");
    const std::string pointedAt = makeFile("target-of-link.txt");
    const std::string shortcut = makeShortcut("B.LNK", pointedAt);
    const std::string broken = makeFile("broken.lnk", "this is no shortcut");

    TestData files(nullptr, {plain, shortcut, broken});
    EXPECT_EQ(drop(files), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(catcher->kind, DropFiles);
    ASSERT_EQ(catcher->received.size(), 3u);
    EXPECT_EQ(catcher->received[0], plain);
    // The shortcut's target, asked for as a short path (Wine answers the long one): the same file.
    char resolvedLong[MAX_PATH] = {};
    GetLongPathNameA(catcher->received[1].c_str(), resolvedLong, MAX_PATH);
    EXPECT_EQ(lstrcmpiA(resolvedLong, pointedAt.c_str()), 0) << catcher->received[1];
    EXPECT_EQ(catcher->received[2], broken);
    EXPECT_EQ(files.counter.released, 1);
}

TEST_F(FrameDropTargetTest, OnlyShortcutExtensionsAreResolvedAndOtherDataShowsNoEffect) {
    char out[1024] = "unchanged";
    EXPECT_FALSE(FrameDropTarget::resolveShortcut("C:\\dir.lnk\\file", out, sizeof out));
    EXPECT_STREQ(out, "unchanged");
    EXPECT_FALSE(FrameDropTarget::resolveShortcut("C:\\no-dot", out, sizeof out));

    TestData nothing(nullptr, {});
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(&nothing, 0, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    target->DragOver(MK_CONTROL, POINTL{0, 0}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    target->Drop(&nothing, 0, POINTL{0, 0}, &effect);
    EXPECT_EQ(catcher->drops, 0);

    void* out2 = reinterpret_cast<void*>(1);
    EXPECT_EQ(target->QueryInterface(IID_IDataObject, &out2), E_NOINTERFACE);
    EXPECT_EQ(out2, nullptr);
    EXPECT_EQ(target->QueryInterface(IID_IDropTarget, &out2), S_OK);
    EXPECT_EQ(out2, static_cast<IDropTarget*>(target));
    target->Release();
}

TEST_F(FrameDropTargetTest, ADropNobodyTakesStillReleasesTheMedium) {
    frame.removeView(catcher, true);
    TestData text("nobody", {});
    drop(text);
    EXPECT_EQ(text.counter.released, 1);
    frame.setFocusView(nullptr);
}

}  // namespace
}  // namespace qm
