// The one translation unit that holds the code of the stb libraries (Debian's libstb-dev ships
// them as headers): the font rasterizer, the picture decoder for the four formats we take, and
// the PNG writer. Built without warnings, which are the library's, not ours.
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

#include <cstdlib>

namespace {

// No picture within the bounds needs more in one piece (a 16-bit RGBA PNG of 4096 x 4096 takes
// 128 MiB). A damaged or hostile file that asks for more (a chunk that claims gigabytes, a
// compressed stream that expands without end) is refused by the decoder as out of memory
// instead of taking the computer's memory.
constexpr std::size_t kMostPictureBytes = std::size_t{160} << 20;

void* PictureMalloc(std::size_t n) {
    return n > kMostPictureBytes ? nullptr : std::malloc(n);
}

void* PictureRealloc(void* p, std::size_t n) {
    return n > kMostPictureBytes ? nullptr : std::realloc(p, n);
}

}  // namespace

#define STBI_MALLOC(n) PictureMalloc(n)
#define STBI_REALLOC(p, n) PictureRealloc(p, n)
#define STBI_FREE(p) std::free(p)
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
