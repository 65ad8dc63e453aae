// The JPEG decoding interface over libjpeg-turbo; see ijl.h.
//
// Each ijlRead opens the file, reads it and closes it again, so the record itself holds no
// decoder state and a zeroed or freed record owns nothing. libjpeg reports fatal errors through
// error_exit, which must not return: ours longjmps back into decodeJpegFile below, the one place
// that calls into libjpeg, which then releases the decoder and the file and returns a code.
// Only plain C data lives in that function's frame, so the jump skips no destructors.
#include "platform/ijl_decoder.h"

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

// After the header: the picture's parameters into the record.
int readParams(JPEG_CORE_PROPERTIES* properties, jpeg_decompress_struct* info)
{
    properties->JPGWidth = int(info->image_width);
    properties->JPGHeight = int(info->image_height);
    properties->JPGChannels = info->num_components;
    properties->JPGColor = colorOfFile(info->jpeg_color_space);
    if (!ijlSizeAcceptable(info->image_width, info->image_height))
        return IJL_IMAGE_TOO_LARGE;
    return IJL_OK;
}


// After the header: the whole picture into DIBBytes, top row first, rows padded.
int readPixels(JPEG_CORE_PROPERTIES* properties, jpeg_decompress_struct* info)
{
    int code = readParams(properties, info);
    if (code == IJL_OK)
        code = ijlCheckBuffer(properties);
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

} // namespace

// Opens JPGFile, reads its header and then the parameters or the whole picture.
int decodeJpegFile(JPEG_CORE_PROPERTIES* properties, bool wholePicture)
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
