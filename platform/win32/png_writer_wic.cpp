// Writes frames as PNG files with WIC's PNG encoder; see png_writer.h.
//
// Like the libpng writer on Linux it writes 8-bit RGB without alpha (frames are opaque
// pictures; the framebuffer's alpha means nothing in a file), top row first. The encoder
// writes into a stream in memory and the finished file is written with stdio, so the file is
// opened the same way, with the same errors, as on Linux.
//
// Frames are written from the capture thread as well as the main thread, so each call
// initialises COM on its own thread for its own length and undoes only what it did.
#include "platform/png_writer.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include "platform/win32/com.h"

#include <cstdio>
#include <memory>
#include <new>

namespace os {
namespace {

using os::win32::ComRef;
using os::win32::ComScope;

constexpr int sourceBytesPerPixel = 4; // red, green, blue, alpha
constexpr int fileBytesPerPixel = 3;   // blue, green, red, as WIC's 24-bit format holds them

// Rows go to the encoder a strip at a time, each strip about this big.
constexpr size_t stripBytes = 1 << 20;

// WIC counts buffer bytes in 32 bits.
constexpr unsigned long long maxBufferBytes = 0xFFFFFFFFull;

// Rows firstRow.. (counted from the top) of the bottom-up RGBA frame as top-down BGR rows.
void fillStrip(const std::vector<uint8_t>& rgba, int width, int height, int firstRow, int rows,
               uint8_t* strip)
{
    for (int row = 0; row < rows; ++row) {
        const uint8_t* source =
            rgba.data() + size_t(height - 1 - (firstRow + row)) * size_t(width) * sourceBytesPerPixel;
        uint8_t* target = strip + size_t(row) * size_t(width) * fileBytesPerPixel;
        for (int x = 0; x < width; ++x, source += sourceBytesPerPixel, target += fileBytesPerPixel) {
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
        }
    }
}

// Encodes the frame as PNG into stream.
HRESULT encode(IStream* stream, const std::vector<uint8_t>& rgba, int width, int height)
{
    ComRef<IWICImagingFactory> factory;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(factory.put()));
    ComRef<IWICBitmapEncoder> encoder;
    if (SUCCEEDED(result))
        result = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put());
    if (SUCCEEDED(result))
        result = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> options;
    if (SUCCEEDED(result))
        result = encoder->CreateNewFrame(frame.put(), options.put());
    if (SUCCEEDED(result))
        result = frame->Initialize(options.get());
    if (SUCCEEDED(result))
        result = frame->SetSize(UINT(width), UINT(height));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(result))
        result = frame->SetPixelFormat(&format);
    // The encoder answers with the format it will write; anything but what we give it would
    // need a conversion we do not make.
    if (SUCCEEDED(result) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        result = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    if (FAILED(result))
        return result;

    const size_t rowBytes = size_t(width) * fileBytesPerPixel;
    const int stripRows = int(rowBytes >= stripBytes ? 1 : stripBytes / rowBytes);
    const int rowsInBuffer = stripRows < height ? stripRows : height;
    std::unique_ptr<uint8_t[]> strip(new (std::nothrow) uint8_t[rowBytes * size_t(rowsInBuffer)]);
    if (!strip)
        return E_OUTOFMEMORY;
    for (int firstRow = 0; firstRow < height && SUCCEEDED(result); firstRow += rowsInBuffer) {
        const int rows = height - firstRow < rowsInBuffer ? height - firstRow : rowsInBuffer;
        fillStrip(rgba, width, height, firstRow, rows, strip.get());
        result = frame->WritePixels(UINT(rows), UINT(rowBytes), UINT(rowBytes * size_t(rows)), strip.get());
    }
    if (SUCCEEDED(result))
        result = frame->Commit();
    if (SUCCEEDED(result))
        result = encoder->Commit();
    return result;
}

// The encoded bytes held by a stream made by CreateStreamOnHGlobal, into file.
HRESULT copyToFile(IStream* stream, FILE* file)
{
    STATSTG statistics = {};
    HRESULT result = stream->Stat(&statistics, STATFLAG_NONAME);
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(result))
        result = GetHGlobalFromStream(stream, &memory);
    if (FAILED(result))
        return result;
    const size_t sizeBytes = size_t(statistics.cbSize.QuadPart);
    if (sizeBytes == 0 || sizeBytes > GlobalSize(memory))
        return E_UNEXPECTED;
    const void* bytes = GlobalLock(memory);
    if (!bytes)
        return E_OUTOFMEMORY;
    const size_t written = std::fwrite(bytes, 1, sizeBytes, file);
    GlobalUnlock(memory);
    return written == sizeBytes ? S_OK : STG_E_WRITEFAULT;
}

std::string hresultText(HRESULT result)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

} // namespace

bool writePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height,
              std::string& error)
{
    if (width <= 0 || height <= 0 || rgba.size() < size_t(width) * size_t(height) * sourceBytesPerPixel) {
        error = "no frame to write";
        return false;
    }
    if (static_cast<unsigned long long>(width) * fileBytesPerPixel * static_cast<unsigned long long>(height) >
        maxBufferBytes) {
        error = "frame too large for a PNG file";
        return false;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) {
        error = "cannot open " + path + " for writing";
        return false;
    }

    ComScope com;
    HRESULT result = com.status();
    ComRef<IStream> stream;
    if (SUCCEEDED(result))
        result = CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    if (SUCCEEDED(result))
        result = encode(stream.get(), rgba, width, height);
    if (SUCCEEDED(result))
        result = copyToFile(stream.get(), file.get());
    if (SUCCEEDED(result) && std::fclose(file.release()) != 0)
        result = STG_E_WRITEFAULT;
    if (FAILED(result)) {
        error = "cannot write " + path + " (" + hresultText(result) + ")";
        return false;
    }
    return true;
}

} // namespace os
