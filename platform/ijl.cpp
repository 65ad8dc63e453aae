// The JPEG decoding interface's record handling, shared by both decoders; see ijl.h. The
// decoders themselves (platform/linux/ijl_libjpeg.cpp over libjpeg-turbo,
// platform/win32/ijl_wic.cpp over WIC) provide decodeJpegFile and use the checks below.
#include "platform/ijl_decoder.h"

#include <cstring>

bool ijlSizeAcceptable(long long width, long long height)
{
    return width > 0 && height > 0 && width <= ijlMaxSidePixels && height <= ijlMaxSidePixels &&
           width * height * 3 <= ijlMaxPictureBytes;
}

int ijlCheckBuffer(const JPEG_CORE_PROPERTIES* properties)
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
        code = decodeJpegFile(properties, ioType == IJL_JFILE_READWHOLEIMAGE);
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
