/* The packing library's plain C entry points: one PGN game to one packed line
   and back. This header is included by the library and by the program. */
#ifndef KORVANE_PPKDLV02_H
#define KORVANE_PPKDLV02_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Every text buffer the library writes into holds this many bytes, its
   terminating NUL included; a packed line is never longer than
   PPK_BUFFER_SIZE - 1 bytes, nor is an unpacked game. */
enum { PPK_BUFFER_SIZE = 20000 };

/* The context is 0 before the first call; the library keeps its state behind
   it and may change it in any call. Each entry point returns non-zero on
   success; zero leaves a NUL-terminated error text in outBuffer. */

/* option: always 0. packedLine: one line of a packed file, without its line end.
   outBuffer receives the game's PGN text. */
typedef int32_t (*TGameUnpackFn)(int32_t* context, int32_t option, const char* packedLine,
                                 char* outBuffer);
/* gameText: one game, from its first tag line to its last character.
   outBuffer receives the packed line, without a line end. */
typedef int32_t (*TGamePackFn)(int32_t* context, const char* gameText, char* outBuffer);
/* Releases the state behind a non-zero context and sets it to 0. */
typedef int32_t (*TDestroyFn)(int32_t* context);

int32_t GAMEUNPKPGN_D(int32_t* context, int32_t option, const char* packedLine, char* outBuffer);
int32_t GAMEPACKPGN_C(int32_t* context, const char* gameText, char* outBuffer);
int32_t DESTROY(int32_t* context);

#ifdef __cplusplus
}
#endif

#endif
