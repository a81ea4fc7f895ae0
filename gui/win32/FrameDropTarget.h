#pragma once
// The OLE drop target of a frame's window: collects dropped text, or dropped files with shell
// shortcuts replaced by their targets, and offers them to the frame's views under the mouse.

#include <windows.h>
#include <ole2.h>

#include "gui/EditorFrame.h"

namespace qm {

class FrameDropTarget : public IDropTarget {
public:
    // Count 0: the platform's registration takes the first reference.
    explicit FrameDropTarget(EditorFrame* frame) : frame(frame) {}
    virtual ~FrameDropTarget() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

    // Replaces a ".lnk" path in `out` (capacity bytes) by the short path of the shortcut's
    // target; false, leaving `out` as it was, when the path is no shortcut or cannot be resolved.
    static bool resolveShortcut(const char* path, char* out, int capacity);

private:
    void dropFiles(HGLOBAL memory);
    void dropText(HGLOBAL memory);

    LONG refCount = 0;
    bool accepted = false;
    EditorFrame* frame;
};

}  // namespace qm
