// The JPEG decoding interface the JPEG image is written against: a properties record that
// describes the file and the caller's pixel buffer, and three calls on it (ijlInit, ijlRead,
// ijlFree). It is implemented over libjpeg-turbo in ijl.cpp; nothing outside platform/ sees
// libjpeg.
//
// Reading is done in two steps on one record: IJL_JFILE_READPARAMS fills the picture's size
// and channel count; the caller then sets the DIB fields, gives a buffer, and asks for
// IJL_JFILE_READWHOLEIMAGE. The picture is delivered top row first, each row DIBWidth *
// DIBChannels bytes followed by DIBPadBytes bytes that are left as they were.
//
// Supported output: three channels, blue-green-red (IJL_BGR, the default) or red-green-blue
// (IJL_RGB). Grey-scale and colour pictures both convert to it. Four-channel pictures (CMYK,
// YCCK) and other channel counts are refused with IJL_UNSUPPORTED_COLOR rather than guessed
// at, so a caller shows the picture as missing instead of drawing wrong colours.
//
// Every failure is a negative return code: the decoder never exits, aborts or jumps out of the
// caller. A file that ends before its picture does is an error (IJL_ERROR_EOF), not a picture
// with a grey bottom.
#pragma once

// Results. IJL_OK and nothing else means success.
enum IJLERR {
    IJL_OK = 0,
    IJL_INVALID_PTR = -1,             // null record, or no buffer for the picture
    IJL_INVALID_FILENAME = -2,        // no file name, or the file cannot be opened
    IJL_ERR_DATA = -3,                // not a JPEG, or corrupt data the decoder gave up on
    IJL_ERROR_EOF = -4,               // the file ends before the picture does
    IJL_UNSUPPORTED_COLOR = -5,       // a channel layout this decoder does not deliver
    IJL_INVALID_JPEG_PROPERTIES = -6, // DIB fields that do not fit the picture
    IJL_MEMORY_ERROR = -7,            // the decoder ran out of memory
    IJL_IMAGE_TOO_LARGE = -8,         // a picture bigger than the decoder accepts
    IJL_UNSUPPORTED_MODE = -9,        // an I/O type other than the two below
    IJL_NOT_INITIALIZED = -10,        // ijlRead on a record ijlInit has not prepared
};

// What ijlRead is asked to do.
enum IJLIOTYPE {
    IJL_JFILE_READPARAMS = 0,     // size and channels of the file's picture
    IJL_JFILE_READWHOLEIMAGE = 1, // the whole picture into DIBBytes
};

// Colour layouts, for the file (JPGColor) and for the caller's buffer (DIBColor).
enum IJL_COLOR {
    IJL_RGB = 1,
    IJL_BGR = 2,
    IJL_YCBCR = 3,
    IJL_G = 4,
    IJL_OTHER = 255,
};

// Largest picture accepted: a side of more than this many pixels, or more than
// maxPictureBytes of three-channel pixels, is refused before anything is allocated. This keeps
// a few hostile header bytes from asking for gigabytes.
constexpr int ijlMaxSidePixels = 16384;
constexpr long long ijlMaxPictureBytes = 1LL << 28;

// The decoder's record. A plain struct on purpose: its owner clears it with memset before
// ijlInit, so it holds no objects, only values and borrowed pointers.
struct JPEG_CORE_PROPERTIES {
    // The caller's buffer.
    unsigned char* DIBBytes; // where the picture goes; owned by the caller
    int DIBWidth;            // pixels; must equal JPGWidth
    int DIBHeight;           // pixels; must equal JPGHeight (rows are delivered top first)
    int DIBPadBytes;         // bytes after each row, 0..3 for rows padded to 4 bytes
    int DIBChannels;         // bytes per pixel; 3
    int DIBColor;            // IJL_BGR (default) or IJL_RGB

    // The file.
    const char* JPGFile; // path, opened through the data-folder mapping; borrowed
    int JPGWidth;        // filled by IJL_JFILE_READPARAMS
    int JPGHeight;
    int JPGChannels;     // 1 grey, 3 colour, 4 CMYK/YCCK
    int JPGColor;        // the file's layout as read (IJL_G, IJL_YCBCR, IJL_RGB, IJL_OTHER)

    // Private to the decoder.
    int initialized; // set by ijlInit, cleared by ijlFree
    int lastError;   // the last ijlRead result, for diagnostics
};

// Prepares a record: DIBColor IJL_BGR, DIBChannels 3, everything else empty. IJL_OK.
int ijlInit(JPEG_CORE_PROPERTIES* properties);

// Reads parameters or the whole picture as described above. IJL_OK or a negative IJLERR.
int ijlRead(JPEG_CORE_PROPERTIES* properties, int ioType);

// Releases what the record holds (nothing the caller owns) and marks it unprepared. Safe on a
// zeroed record and on one already freed.
int ijlFree(JPEG_CORE_PROPERTIES* properties);

// A short English description of a result code, for messages.
const char* ijlErrorStr(int code);
