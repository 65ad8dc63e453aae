// Bitmap fonts as display lists, the way the program's text has always been drawn: one list per
// character, each holding a single glBitmap of the glyph with its origin and advance, so that
// calling the lists of a string at a raster position types the string from there.
//
// fontconfig picks the font file for a face name and weight ("Courier New" bold resolves to a
// metric-compatible monospace such as Liberation Mono Bold) and FreeType renders each glyph as a
// 1-bit bitmap. The same fonts and sizes give the same lists on every run.
#pragma once

#include "platform/gl.h"

namespace os {

// Compiles `count` display lists listBase, listBase + 1, ..., one for each character code first,
// first + 1, ..., first + count - 1 of the face at an em size of pixelHeight pixels. weight is on
// the 1..1000 scale of font weights (400 regular, 700 bold; 0 or less means regular). A list's
// glBitmap moves the raster position by the glyph's advance; a character the font has no glyph
// for gets an empty bitmap with the advance of a space. Needs a current GL context; leaves the
// pixel unpack state as it found it. False, with no list touched, when no font can be opened or
// the arguments are out of range (pixelHeight 1..1024, first and count >= 0, first + count
// <= 65536).
bool useFontBitmaps(const char* face, int pixelHeight, int weight, int first, int count, GLuint listBase);

} // namespace os
