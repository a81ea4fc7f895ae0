// The validator's desk natively: the host window that the editor tests use, titled for the
// validator, and the mouse driven through XTEST on a connection of its own. The editor reads a
// press and its release from the events the server sends it, so a press and release sent back to
// back is a whole click.

#include "tools/host/support/x11/X11FakeInput.h"
#include "tools/host/support/x11/X11HostWindow.h"
#include "tools/host/validate/EditorDesk.h"

namespace qmhost::validate {
namespace {

class X11EditorDesk : public EditorDesk {
public:
    X11EditorDesk() : window("QuellmarV3 validator", 20, 20) {}
    bool isReady() const { return window.handle() != nullptr && input.isAvailable(); }

    void* parent() override { return window.handle(); }
    void pumpMessages() override {}

    bool click(std::int32_t x, std::int32_t y, const std::function<void()>& idle,
               const std::function<bool()>&) override {
        const Window editor = window.editorWindow();
        if (editor == 0) return false;
        input.moveTo(editor, x, y);
        input.button(1, true);
        input.button(1, false);
        for (int round = 0; round < 3; ++round) idle();
        return true;
    }

private:
    qmx11::HostWindow window;
    qmx11::FakeInput input;
};

}  // namespace

std::unique_ptr<EditorDesk> openEditorDesk() {
    auto desk = std::make_unique<X11EditorDesk>();
    if (!desk->isReady()) return nullptr;
    return desk;
}

}  // namespace qmhost::validate
