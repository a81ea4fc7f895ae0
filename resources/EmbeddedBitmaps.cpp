// The BMP files of resources/bitmaps assembled into the module's read-only data, so that the
// Linux module carries its pictures as the DLLs carry them in their resources.

#include "resources/EmbeddedBitmaps.h"

#define QM_STRINGIFY_(x) #x
#define QM_STRINGIFY(x) QM_STRINGIFY_(x)

// One BMP file between a start and an end label, both local to the module.
#define QM_EMBED_BITMAP(id)                                                                   \
    asm(".section .rodata\n"                                                                  \
        ".balign 16\n"                                                                        \
        ".hidden qm_bitmap_" #id "\n"                                                         \
        ".hidden qm_bitmap_" #id "_end\n"                                                     \
        "qm_bitmap_" #id ":\n"                                                                \
        ".incbin \"" QM_STRINGIFY(QM_BITMAP_DIR) "/" #id ".bmp\"\n"                           \
        "qm_bitmap_" #id "_end:\n"                                                            \
        ".previous\n");                                                                       \
    extern "C" const unsigned char qm_bitmap_##id[];                                          \
    extern "C" const unsigned char qm_bitmap_##id##_end[];

QM_EMBED_BITMAP(128)
QM_EMBED_BITMAP(129)
QM_EMBED_BITMAP(130)
QM_EMBED_BITMAP(131)
QM_EMBED_BITMAP(132)
QM_EMBED_BITMAP(133)
QM_EMBED_BITMAP(201)
QM_EMBED_BITMAP(202)
QM_EMBED_BITMAP(203)
QM_EMBED_BITMAP(204)
QM_EMBED_BITMAP(205)
QM_EMBED_BITMAP(206)
QM_EMBED_BITMAP(207)

namespace qm {
namespace {

EmbeddedBitmap withLength(std::int32_t id, const unsigned char* start, const unsigned char* end) {
    return EmbeddedBitmap{id, start, static_cast<std::size_t>(end - start)};
}

#define QM_BITMAP(id) withLength(id, qm_bitmap_##id, qm_bitmap_##id##_end)

const EmbeddedBitmap kBitmaps[] = {
    QM_BITMAP(128), QM_BITMAP(129), QM_BITMAP(130), QM_BITMAP(131), QM_BITMAP(132),
    QM_BITMAP(133), QM_BITMAP(201), QM_BITMAP(202), QM_BITMAP(203), QM_BITMAP(204),
    QM_BITMAP(205), QM_BITMAP(206), QM_BITMAP(207),
};

}  // namespace

const EmbeddedBitmap* findEmbeddedBitmap(std::int32_t resourceId) {
    for (const EmbeddedBitmap& bitmap : kBitmaps) {
        if (bitmap.resourceId == resourceId) return &bitmap;
    }
    return nullptr;
}

}  // namespace qm
