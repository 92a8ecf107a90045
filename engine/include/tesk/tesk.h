/* C entries of libtesk: one extraction run per extrsrc call, plus the progress-window entries
 * that the library uses itself and offers to hosts. Texts are NUL-terminated byte strings in the
 * system code page; nothing the library allocates outlives a call. */
#ifndef TESK_TESK_H
#define TESK_TESK_H

#include <stdint.h>

#if defined(_WIN32)
#define TESK_CALL __stdcall
#if defined(TESK_BUILDING_LIBRARY)
#define TESK_API __declspec(dllexport)
#else
#define TESK_API __declspec(dllimport)
#endif
#else
#define TESK_CALL
#define TESK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Option bits of extrsrc's tenth argument. */
#define EXTR_SKIP_TBMP 0x0001u
#define EXTR_SKIP_TAIB 0x0002u
#define EXTR_SKIP_ABMP 0x0004u
#define EXTR_SKIP_DATA 0x0008u
#define EXTR_NO_TEXT 0x0010u
#define EXTR_SCRIPT 0x0020u
#define EXTR_FORCE_COMPRESS 0x0040u
#define EXTR_NO_PROGRESS 0x0080u
#define EXTR_SHOW_ERRORS 0x0100u
#define EXTR_SINGLE 0x0200u
#define EXTR_HAS_ABMP 0x0400u
#define EXTR_NO_LE16_SWAP 0x0800u
#define EXTR_NAME_TABLE 0x1000u
#define EXTR_NAME_FOLDERS 0x2000u
#define EXTR_16_TO_24 0x4000u

/* Image formats, extrsrc's eighth argument. 16-bit bitmaps reach JPEG and PNG best as 24-bit
 * colour (EXTR_16_TO_24); JPEG cannot take them otherwise and records error 5.
 *   0  BMP, the bitmap exactly (any value other than 1 to 3 is BMP too)
 *   1  JPEG through FreeImage
 *   2  PNG through FreeImage, reduced to a 256-colour palette; the transparent colour marks the
 *      nearest palette entry (what the icon tool writes)
 *   3  exact PNG: every pixel as in the BMP; indexed bitmaps keep their depth (1, 2, 4 or 8 bits),
 *      their colour table and their indices, and only their transparent index is transparent;
 *      16-bit bitmaps are 8-bit RGB with their transparent colour. Resized images (resizeMode 1
 *      or 2, through FreeImage) are RGBA with the transparent pixels kept.
 * A build without FreeImage records 53 under "Write JPEG" or "Write PNG" for formats 1 and 2 and
 * for resizing; one without a PNG library records 53 under "Write PNG" for format 3. */
#define TESK_FORMAT_BMP 0
#define TESK_FORMAT_JPEG 1
#define TESK_FORMAT_PNG 2
#define TESK_FORMAT_EXACT_PNG 3

/* One extraction run. Returns 0, 1000 (a bitmap deeper than 16 bits per pixel) or an error
 * number. Null text pointers count as empty text; null numbers read as 0. Only the EXTR_HAS_ABMP
 * bit of *options is written back. sortIntoFolders: non-zero sorts images into "8-Bit D144"
 * folders; resizeMode: 0 none, 1 shrink to resizeWidth x resizeHeight when larger, 2 always.
 * One run at a time per process: a call from another thread waits for the run in progress. A call
 * made on the same thread while its run is in progress (from a host timer or handler that the
 * progress window's event pump runs) returns TESK_ERROR_REENTERED at once, recorded under the
 * operation name "extrsrc" (shown only with EXTR_SHOW_ERRORS), and leaves that run untouched. */
#define TESK_ERROR_REENTERED 5
TESK_API int32_t TESK_CALL extrsrc(const char* inputPath, const char* outputFolder, const char* dataFolder,
                                   const char* textOutputPath, const char* progressCaption,
                                   const char* singleResourceName, const char* nameTableFolder,
                                   const int32_t* imageFormat, const int32_t* sortIntoFolders, uint32_t* options,
                                   const int32_t* resizeMode, const int32_t* resizeWidth, const int32_t* resizeHeight);

/* A text passed "by reference": a pointer to a variable holding a pointer to the first byte of a
 * length-prefixed byte string (a 32-bit byte count stored just before the bytes). */
typedef const char* tesk_lpstr;

/* Opaque window handles: pointer-sized, 0 means none; stale handles are harmless. */
typedef uintptr_t tesk_window;

TESK_API tesk_window TESK_CALL PROGRESS_INIT(tesk_window parent, const tesk_lpstr* caption);
TESK_API void TESK_CALL PROGRESS_SET(tesk_window window, int32_t position, const tesk_lpstr* text);
TESK_API void TESK_CALL PROGRESS_SHUTDOWN(tesk_window window);
TESK_API int32_t TESK_CALL PROGESS_IS_CANCELLED(tesk_window window);

/* Makes a length-prefixed copy of len bytes for the progress entries; free it with tesk_free_lpstr. */
TESK_API tesk_lpstr TESK_CALL tesk_alloc_lpstr(const char* bytes, uint32_t len);
TESK_API void TESK_CALL tesk_free_lpstr(tesk_lpstr text);

#ifdef __cplusplus
}
#endif

#endif
