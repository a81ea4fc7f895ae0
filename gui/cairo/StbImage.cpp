// The BMP decoder of stb_image compiled into the Linux module, which may not depend on a shared
// stb library that desktops do not have.

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#include <stb/stb_image.h>
