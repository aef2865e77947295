// The one translation unit that holds the code of the stb libraries (Debian's libstb-dev ships
// them as headers): the font rasterizer, the picture decoder for the four formats we take, and
// the PNG writer. Built without warnings, which are the library's, not ours.
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
// A second bound beside the side check made before decoding.
#define STBI_MAX_DIMENSIONS 16384
#include <stb_image.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
