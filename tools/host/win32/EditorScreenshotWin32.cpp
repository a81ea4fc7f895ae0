// The editor screenshot of the render job: the listener's editor in a window of our own, read
// back with GDI.

#include <cstdio>

#include "tools/host/EditorWindow.h"
#include "tools/host/RenderBlocks.h"

namespace qmhost {

bool saveEditorScreenshot(const Plugin& sender, const Plugin& listener, const std::vector<float>& key,
                          const std::vector<float>& music, std::size_t loudestFrame, const std::string& path) {
    HostWindow window;
    listener.dispatch(qm::effEditOpen, 0, 0, window.handle());
    pump(listener.get(), 10);
    float in[4][kBlockFrames];
    float out[2][kBlockFrames];
    const std::size_t first = loudestFrame > 40 * kBlockFrames ? loudestFrame - 40 * kBlockFrames : 0;
    for (std::size_t start = first; start <= loudestFrame; start += kBlockFrames) {
        fillBlock(in, key, music, start, kBlockFrames);
        sender.processReplacing(in[0], in[1], out[0], out[1], kBlockFrames);
        listener.processReplacing(in[2], in[3], out[0], out[1], kBlockFrames);
    }
    pump(listener.get(), 10);
    const HWND editor = window.editorWindow();
    const Screenshot shot = editor != nullptr ? capture(editor) : Screenshot{};
    listener.dispatch(qm::effEditClose);
    if (editor == nullptr) {
        std::fprintf(stderr, "the editor opened no window\n");
    } else if (shot.isBlank()) {
        std::fprintf(stderr, "the editor window could not be captured (%dx%d, nothing drawn)\n", shot.width,
                     shot.height);
    } else if (!shot.writeBmp(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
    } else {
        return true;
    }
    return false;
}

}  // namespace qmhost
