// The JPEG decoding interface over libjpeg-turbo; see ijl.h.
//
// Each ijlRead opens the file, reads it and closes it again, so the record itself holds no
// decoder state and a zeroed or freed record owns nothing. libjpeg reports fatal errors through
// error_exit, which must not return: ours longjmps back into decodeFile below, the one place
// that calls into libjpeg, which then releases the decoder and the file and returns a code.
// Only plain C data lives in that function's frame, so the jump skips no destructors.
#include "platform/ijl.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/files.h"

namespace {

// A progressive file may hold any number of scans, and each one walks the whole coefficient
// buffer again; real pictures have about ten. More than this is a hostile or broken file.
constexpr int maxScans = 500;

// libjpeg's own allocations (the coefficient buffer of a progressive picture is the big one)
// may not go beyond this; with no backing store configured, it fails cleanly instead.
constexpr long decoderMemoryLimitBytes = 1L << 30;

struct ErrorHandler {
    jpeg_error_mgr manager; // first, so libjpeg's pointer to it is a pointer to us
    std::jmp_buf jump;
    int code;
};

[[noreturn]] void fail(j_common_ptr info, int code)
{
    auto* handler = reinterpret_cast<ErrorHandler*>(info->err);
    handler->code = code;
    std::longjmp(handler->jump, 1);
}

int codeForMessage(int messageCode)
{
    switch (messageCode) {
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:
    case JERR_VIRTUAL_BUG:
        return IJL_MEMORY_ERROR;
    case JERR_CONVERSION_NOTIMPL:
    case JERR_BAD_J_COLORSPACE:
        return IJL_UNSUPPORTED_COLOR;
    case JERR_INPUT_EMPTY:
    case JERR_INPUT_EOF:
        return IJL_ERROR_EOF;
    case JERR_IMAGE_TOO_BIG:
        return IJL_IMAGE_TOO_LARGE;
    default:
        return IJL_ERR_DATA;
    }
}

void onError(j_common_ptr info) { fail(info, codeForMessage(info->err->msg_code)); }

// Warnings (level < 0) and trace messages. Running out of data is fatal for us: libjpeg would
// pad the picture with grey and call it done. Other corrupt-data warnings are counted and the
// decoder's recovery accepted; nothing is printed.
void onMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    if (info->err->msg_code == JWRN_JPEG_EOF)
        fail(info, IJL_ERROR_EOF);
    info->err->num_warnings++;
}

void onOutput(j_common_ptr) {}

void onProgress(j_common_ptr info)
{
    auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
    if (decoder->input_scan_number > maxScans)
        fail(info, IJL_ERR_DATA);
}

int colorOfFile(J_COLOR_SPACE space)
{
    switch (space) {
    case JCS_GRAYSCALE: return IJL_G;
    case JCS_YCbCr: return IJL_YCBCR;
    case JCS_RGB: return IJL_RGB;
    default: return IJL_OTHER;
    }
}

bool sizeAcceptable(long long width, long long height)
{
    return width > 0 && height > 0 && width <= ijlMaxSidePixels && height <= ijlMaxSidePixels &&
           width * height * 3 <= ijlMaxPictureBytes;
}

// After the header: the picture's parameters into the record.
int readParams(JPEG_CORE_PROPERTIES* properties, jpeg_decompress_struct* info)
{
    properties->JPGWidth = int(info->image_width);
    properties->JPGHeight = int(info->image_height);
    properties->JPGChannels = info->num_components;
    properties->JPGColor = colorOfFile(info->jpeg_color_space);
    if (!sizeAcceptable(info->image_width, info->image_height))
        return IJL_IMAGE_TOO_LARGE;
    return IJL_OK;
}

// The caller's buffer must describe exactly this picture in a layout we deliver. JPGColor is
// not consulted: the file's own markers say better how its channels are coded.
int checkBuffer(const JPEG_CORE_PROPERTIES* properties)
{
    if (!properties->DIBBytes)
        return IJL_INVALID_PTR;
    if (properties->DIBChannels != 3 ||
        (properties->DIBColor != IJL_BGR && properties->DIBColor != IJL_RGB))
        return IJL_UNSUPPORTED_COLOR;
    if (properties->JPGChannels != 1 && properties->JPGChannels != 3)
        return IJL_UNSUPPORTED_COLOR;
    if (properties->DIBWidth != properties->JPGWidth ||
        properties->DIBHeight != properties->JPGHeight || properties->DIBPadBytes < 0 ||
        properties->DIBPadBytes > 3)
        return IJL_INVALID_JPEG_PROPERTIES;
    return IJL_OK;
}

// After the header: the whole picture into DIBBytes, top row first, rows padded.
int readPixels(JPEG_CORE_PROPERTIES* properties, jpeg_decompress_struct* info)
{
    int code = readParams(properties, info);
    if (code == IJL_OK)
        code = checkBuffer(properties);
    if (code != IJL_OK)
        return code;

    info->out_color_space = properties->DIBColor == IJL_BGR ? JCS_EXT_BGR : JCS_EXT_RGB;
    jpeg_start_decompress(info);
    if (int(info->output_width) != properties->DIBWidth || info->output_components != 3)
        return IJL_INVALID_JPEG_PROPERTIES;

    const size_t strideBytes = size_t(properties->DIBWidth) * 3 + size_t(properties->DIBPadBytes);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = properties->DIBBytes + size_t(info->output_scanline) * strideBytes;
        jpeg_read_scanlines(info, &row, 1);
    }
    // Every row is in; the rest of the file (normally just the end marker) is not read, so a
    // file that lacks only its end marker still counts as a whole picture.
    return IJL_OK;
}

// Opens JPGFile, reads its header and then the parameters or the whole picture.
int decodeFile(JPEG_CORE_PROPERTIES* properties, bool wholePicture)
{
    FILE* file = os::openFile(properties->JPGFile, "rb");
    if (!file)
        return IJL_INVALID_FILENAME;

    jpeg_decompress_struct info;
    ErrorHandler errors;
    jpeg_progress_mgr progress;
    std::memset(&info, 0, sizeof info);
    std::memset(&progress, 0, sizeof progress);
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onError;
    errors.manager.emit_message = onMessage;
    errors.manager.output_message = onOutput;
    errors.code = IJL_OK;
    progress.progress_monitor = onProgress;

    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return errors.code;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = decoderMemoryLimitBytes;
    info.progress = &progress;
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);

    const int code = wholePicture ? readPixels(properties, &info) : readParams(properties, &info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return code;
}

} // namespace

int ijlInit(JPEG_CORE_PROPERTIES* properties)
{
    if (!properties)
        return IJL_INVALID_PTR;
    std::memset(properties, 0, sizeof *properties);
    properties->DIBChannels = 3;
    properties->DIBColor = IJL_BGR;
    properties->JPGColor = IJL_YCBCR;
    properties->initialized = 1;
    return IJL_OK;
}

int ijlRead(JPEG_CORE_PROPERTIES* properties, int ioType)
{
    if (!properties)
        return IJL_INVALID_PTR;
    int code = IJL_OK;
    if (!properties->initialized)
        code = IJL_NOT_INITIALIZED;
    else if (ioType != IJL_JFILE_READPARAMS && ioType != IJL_JFILE_READWHOLEIMAGE)
        code = IJL_UNSUPPORTED_MODE;
    else if (!properties->JPGFile || !*properties->JPGFile)
        code = IJL_INVALID_FILENAME;
    else
        code = decodeFile(properties, ioType == IJL_JFILE_READWHOLEIMAGE);
    properties->lastError = code;
    return code;
}

int ijlFree(JPEG_CORE_PROPERTIES* properties)
{
    if (!properties)
        return IJL_INVALID_PTR;
    properties->initialized = 0;
    properties->DIBBytes = nullptr;
    return IJL_OK;
}

const char* ijlErrorStr(int code)
{
    switch (code) {
    case IJL_OK: return "no error";
    case IJL_INVALID_PTR: return "no record or no picture buffer";
    case IJL_INVALID_FILENAME: return "file cannot be opened";
    case IJL_ERR_DATA: return "not a JPEG file, or corrupt data";
    case IJL_ERROR_EOF: return "file ends before the picture";
    case IJL_UNSUPPORTED_COLOR: return "unsupported channel layout";
    case IJL_INVALID_JPEG_PROPERTIES: return "buffer does not fit the picture";
    case IJL_MEMORY_ERROR: return "out of memory";
    case IJL_IMAGE_TOO_LARGE: return "picture too large";
    case IJL_UNSUPPORTED_MODE: return "unsupported read mode";
    case IJL_NOT_INITIALIZED: return "record not initialised";
    default: return "unknown error";
    }
}
