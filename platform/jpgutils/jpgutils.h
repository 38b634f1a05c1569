#ifndef TAVRO_JPGUTILS_H
#define TAVRO_JPGUTILS_H
/*
 * JPGUtils: turns a Windows bitmap file into a JPEG file beside it.
 *
 * The library (libJPGUtils.so) exports exactly one symbol, ConvertBMPtoJPG,
 * with C linkage. The program loads it at run time by name and looks the
 * entry point up; it never links against it. This header is plain C so that
 * any caller can use it.
 */

#include <stdint.h>

#if defined(JPGUTILS_BUILDING_LIBRARY)
#define JPGUTILS_API __attribute__((visibility("default")))
#else
#define JPGUTILS_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* What a caller passes to dlopen() and dlsym(). */
#define JPGUTILS_LIBRARY_FILE_NAME "libJPGUtils.so"
#define JPGUTILS_ENTRY_POINT_NAME "ConvertBMPtoJPG"

/* The flag value that asks for the best JPEG at the given quality. */
#define JPGUTILS_FLAG_BEST (-1)

/* Results of ConvertBMPtoJPG. Anything but JPGUTILS_OK is a failure. */
enum JpgUtilsResult {
    JPGUTILS_OK = 0,
    JPGUTILS_ERROR_ARGUMENT = 1,    /* NULL or empty path, quality outside 1..100 */
    JPGUTILS_ERROR_OPEN = 2,        /* the bitmap cannot be opened or read, or is no regular file */
    JPGUTILS_ERROR_FORMAT = 3,      /* not a Windows bitmap, damaged or truncated */
    JPGUTILS_ERROR_UNSUPPORTED = 4, /* a bitmap kind not read: RLE, embedded JPEG/PNG, 64 bits */
    JPGUTILS_ERROR_TOO_LARGE = 5,   /* width * height * 4 passes 256 MB */
    JPGUTILS_ERROR_NAME = 6,        /* no JPEG name differs from the bitmap's path */
    JPGUTILS_ERROR_MEMORY = 7,      /* out of memory */
    JPGUTILS_ERROR_ENCODE = 8,      /* the JPEG encoder failed */
    JPGUTILS_ERROR_WRITE = 9        /* the JPEG could not be written or moved into place */
};

/*
 * Reads the Windows bitmap at bitmapPath and writes a JPEG of it next to it.
 *
 * Bitmaps read: uncompressed 1, 4 and 8 bits with a palette, 16 and 32 bits
 * (plain or with bit-field masks), 24 bits; bottom-up and top-down; core
 * (OS/2 1.x) and Windows info headers up to version 5. Alpha is ignored.
 * A palette index beyond the palette reads as black. Run-length-encoded and
 * embedded JPEG/PNG bitmaps are refused. A bitmap whose width * height * 4
 * passes 256 MB is refused before any pixel memory is taken.
 *
 * quality: 1 (smallest) .. 100 (best); anything else fails.
 * flag:    JPGUTILS_FLAG_BEST (-1): no chroma subsampling (4:4:4) and the
 *          accurate DCT, the best JPEG for the quality; -1 with 100 is the
 *          best JPEG the library makes.
 *          any other value: 4:2:0 chroma subsampling and the fast DCT, a
 *          smaller file made sooner.
 *
 * The JPEG's path is the bitmap's path with a final ".bmp" (any case)
 * removed, then ".jpg" appended unless it already ends in ".jpg" or ".jpeg"
 * (any case): "a.bmp" -> "a.jpg", "a.jpg.bmp" -> "a.jpg", "a" -> "a.jpg",
 * "a.png" -> "a.png.jpg". When that would be the bitmap's own path
 * ("a.jpg"), nothing is written and JPGUTILS_ERROR_NAME is returned, so the
 * bitmap is never overwritten.
 *
 * The JPEG is written to a new temporary file in the same folder, created
 * exclusively and never through a link, flushed to disk and renamed to the
 * target, so an existing file of that name is replaced whole or not at all.
 * Only a regular file the caller may write, or a link, is replaced (a link
 * as an entry: its target is never written); a read-only file, a folder, a
 * device or a FIFO at that name is left alone and JPGUTILS_ERROR_WRITE is
 * returned. On failure the temporary file is removed and an existing target
 * is left as it was. The bitmap is never changed, moved or deleted.
 *
 * Returns JPGUTILS_OK (0) on success, one of JpgUtilsResult otherwise.
 * Safe on any input: it never crashes, and it refuses a file whose headers
 * promise more than the file holds instead of reading past its end.
 */
JPGUTILS_API int32_t ConvertBMPtoJPG(const char* bitmapPath, int32_t quality, int32_t flag);

/* The entry point's type, for callers that load the library at run time. */
typedef int32_t (*ConvertBMPtoJPGFunction)(const char* bitmapPath, int32_t quality, int32_t flag);

#ifdef __cplusplus
}
#endif

#endif /* TAVRO_JPGUTILS_H */
