// The BMP files of resources/bitmaps (and of its 1.5x and 2x folders) assembled into the module's
// read-only data, so that the Linux module carries its pictures as the DLLs carry them in their
// resources.

#include "resources/EmbeddedBitmaps.h"

#define QM_STRINGIFY_(x) #x
#define QM_STRINGIFY(x) QM_STRINGIFY_(x)

// One BMP file (`file` in the bitmap folder) between a start and an end label named after
// resource number `id`, both local to the module.
#define QM_EMBED_FILE(id, file)                                                               \
    asm(".section .rodata\n"                                                                  \
        ".balign 16\n"                                                                        \
        ".hidden qm_bitmap_" #id "\n"                                                         \
        ".hidden qm_bitmap_" #id "_end\n"                                                     \
        "qm_bitmap_" #id ":\n"                                                                \
        ".incbin \"" QM_STRINGIFY(QM_BITMAP_DIR) "/" file "\"\n"                              \
        "qm_bitmap_" #id "_end:\n"                                                            \
        ".previous\n");                                                                       \
    extern "C" const unsigned char qm_bitmap_##id[];                                          \
    extern "C" const unsigned char qm_bitmap_##id##_end[];

// A picture at 1x, 1.5x and 2x: resource numbers id, id + 1500 and id + 2000.
#define QM_EMBED_BITMAP(id, id1_5x, id2x)       \
    QM_EMBED_FILE(id, #id ".bmp")               \
    QM_EMBED_FILE(id1_5x, "1.5x/" #id ".bmp")   \
    QM_EMBED_FILE(id2x, "2x/" #id ".bmp")

QM_EMBED_BITMAP(128, 1628, 2128)
QM_EMBED_BITMAP(129, 1629, 2129)
QM_EMBED_BITMAP(130, 1630, 2130)
QM_EMBED_BITMAP(131, 1631, 2131)
QM_EMBED_BITMAP(132, 1632, 2132)
QM_EMBED_BITMAP(133, 1633, 2133)
QM_EMBED_BITMAP(201, 1701, 2201)
QM_EMBED_BITMAP(202, 1702, 2202)
QM_EMBED_BITMAP(203, 1703, 2203)
QM_EMBED_BITMAP(204, 1704, 2204)
QM_EMBED_BITMAP(205, 1705, 2205)
QM_EMBED_BITMAP(206, 1706, 2206)
QM_EMBED_BITMAP(207, 1707, 2207)

namespace qm {
namespace {

EmbeddedBitmap withLength(std::int32_t id, const unsigned char* start, const unsigned char* end) {
    return EmbeddedBitmap{id, start, static_cast<std::size_t>(end - start)};
}

#define QM_BITMAP(id) withLength(id, qm_bitmap_##id, qm_bitmap_##id##_end)

const EmbeddedBitmap kBitmaps[] = {
    QM_BITMAP(128), QM_BITMAP(1628), QM_BITMAP(2128), QM_BITMAP(129), QM_BITMAP(1629), QM_BITMAP(2129),
    QM_BITMAP(130), QM_BITMAP(1630), QM_BITMAP(2130), QM_BITMAP(131), QM_BITMAP(1631), QM_BITMAP(2131),
    QM_BITMAP(132), QM_BITMAP(1632), QM_BITMAP(2132), QM_BITMAP(133), QM_BITMAP(1633), QM_BITMAP(2133),
    QM_BITMAP(201), QM_BITMAP(1701), QM_BITMAP(2201), QM_BITMAP(202), QM_BITMAP(1702), QM_BITMAP(2202),
    QM_BITMAP(203), QM_BITMAP(1703), QM_BITMAP(2203), QM_BITMAP(204), QM_BITMAP(1704), QM_BITMAP(2204),
    QM_BITMAP(205), QM_BITMAP(1705), QM_BITMAP(2205), QM_BITMAP(206), QM_BITMAP(1706), QM_BITMAP(2206),
    QM_BITMAP(207), QM_BITMAP(1707), QM_BITMAP(2207),
};

}  // namespace

const EmbeddedBitmap* findEmbeddedBitmap(std::int32_t resourceId) {
    for (const EmbeddedBitmap& bitmap : kBitmaps) {
        if (bitmap.resourceId == resourceId) return &bitmap;
    }
    return nullptr;
}

}  // namespace qm
