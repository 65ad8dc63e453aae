// The JPEG decoding interface over WIC, the Windows Imaging Component; see ijl.h.
//
// Each ijlRead reads the whole file into memory and works on that copy, so the record holds
// no decoder state, as with the libjpeg layer on Linux. The two layers must give the same
// answers, but WIC says little about a file: its decoder gives a size and pixels, and one
// failure code for everything from a cut file to a file that is no JPEG at all. So the
// markers in front of the first scan are read here, in the same order and with the same
// checks as libjpeg reads them: that gives the picture's size, channel count and colour
// layout for IJL_JFILE_READPARAMS without asking WIC at all, and tells a file that ends in
// its headers (IJL_ERROR_EOF) from one whose headers are wrong (IJL_ERR_DATA). Before a whole
// picture is decoded, the checks libjpeg makes when decoding starts (tables present and
// sound, progression parameters, scan count) are made here too, so a file libjpeg refuses is
// refused whatever WIC's own decoder (libjpeg 9 under Wine, Microsoft's on Windows) would
// make of it.
//
// A file must also reach its end marker. Without one, the picture may be whole or cut
// anywhere in its last scan, and WIC cannot say which: under Wine it refuses most files of
// both kinds, and given an end marker it pads a cut picture out with grey, which ijl.h
// forbids. The libjpeg layer refuses such files too (libjpeg reads ahead and meets the end
// of the file), except a few small ones where its read-ahead happened to stop short. So a
// file whose compressed data holds no end marker is IJL_ERROR_EOF before WIC sees it: the
// same answer as on Linux for every cut file, every progressive file and nearly every file
// that lacks only its end marker, and one that does not depend on how a decoder reads ahead.
//
// WIC needs COM on the calling thread. Each decode initialises it for its own length (any
// apartment will do: the imaging factory is free-threaded) and undoes only what it did.
#include "platform/ijl_decoder.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include "platform/win32/com.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/files.h"

namespace {

using os::win32::ComRef;
using os::win32::ComScope;

// A compressed file is a fraction of its picture; one larger than this is refused before
// it is read rather than held in memory whole.
constexpr long long maxFileBytes = 1LL << 30;

// A progressive file may hold any number of scans, and each one walks the whole picture
// again; real pictures have about ten. More than this is a hostile or broken file, as in the
// libjpeg layer.
constexpr int maxScans = 500;

// libjpeg refuses a side longer than this before looking at anything else.
constexpr long jpegMaxSidePixels = 65500;

// The limits libjpeg checks in the frame header.
constexpr int supportedPrecisionBits = 8;
constexpr int maxComponents = 10;
constexpr int maxSamplingFactor = 4;
constexpr int maxComponentsInScan = 4;
constexpr int tableSlots = 4;            // quantisation and Huffman table numbers 0..3
constexpr int coefficientsPerBlock = 64; // values in a quantisation table
constexpr int maxBlocksInMcu = 10;       // the most blocks of one interleaved unit
constexpr int huffmanCodeLengths = 16;   // a Huffman table counts its codes of length 1..16
constexpr int maxDcSymbol = 15;          // a DC code gives the size of a difference, 0..15
constexpr int standardHuffmanSlots = 2;  // sequential files may leave out tables 0 and 1
constexpr int arithmeticTableSlots = 16; // conditioning table numbers 0..15, DC and AC each
constexpr int maxApproximationBits = 13; // the most low bits a progressive scan may leave out

// JFIF and Adobe segments are told apart by their first bytes; libjpeg reads this many.
constexpr int appHeadBytes = 14;
constexpr int jfifHeadBytes = 14;
constexpr int adobeHeadBytes = 12;
constexpr int adobeTransformOffset = 11;

// Pixels are copied out of WIC a strip of rows at a time, each strip about this big.
constexpr size_t stripBytes = 1 << 20;

// Marker codes (the byte after 0xFF).
enum Marker : int {
    markerTem = 0x01,
    markerSof0 = 0xC0, // baseline
    markerSof1 = 0xC1, // extended sequential
    markerSof2 = 0xC2, // progressive
    markerDht = 0xC4,
    markerSof9 = 0xC9,  // arithmetic-coded sequential
    markerSof10 = 0xCA, // arithmetic-coded progressive
    markerDac = 0xCC,
    markerRst0 = 0xD0,
    markerRst7 = 0xD7,
    markerSoi = 0xD8,
    markerEoi = 0xD9,
    markerSos = 0xDA,
    markerDqt = 0xDB,
    markerDnl = 0xDC,
    markerDri = 0xDD,
    markerApp0 = 0xE0,
    markerApp14 = 0xEE,
    markerApp15 = 0xEF,
    markerCom = 0xFE,
};

// ---------------------------------------------------------------------------------------------
// The file

struct FileBytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};

int readWholeFile(const char* path, FileBytes& file)
{
    FILE* stream = os::openFile(path, "rb");
    if (!stream)
        return IJL_INVALID_FILENAME;
    long long sizeBytes = -1;
    if (_fseeki64(stream, 0, SEEK_END) == 0)
        sizeBytes = _ftelli64(stream);
    int code = IJL_OK;
    if (sizeBytes < 0 || _fseeki64(stream, 0, SEEK_SET) != 0)
        code = IJL_ERR_DATA;
    else if (sizeBytes > maxFileBytes)
        code = IJL_IMAGE_TOO_LARGE;
    else if (sizeBytes > 0) {
        file.data.reset(new (std::nothrow) uint8_t[size_t(sizeBytes)]);
        if (!file.data)
            code = IJL_MEMORY_ERROR;
        else
            file.size = std::fread(file.data.get(), 1, size_t(sizeBytes), stream);
    }
    std::fclose(stream);
    return code;
}

// ---------------------------------------------------------------------------------------------
// The headers, read as libjpeg reads them up to the first scan

// Reads big-endian values from the file. Reading past its end gives zeros and marks the
// reader as ended: the file ended early, which the parser checks before it judges any value
// it read, as libjpeg gives up at the first read past the end.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data(data), size(size) {}

    int byte()
    {
        if (position >= size) {
            ended = true;
            return 0;
        }
        return data[position++];
    }

    int word()
    {
        const int high = byte();
        return high << 8 | byte();
    }

    void skip(long long count)
    {
        if (count <= 0)
            return;
        if (static_cast<unsigned long long>(count) > size - position) {
            ended = true;
            position = size;
            return;
        }
        position += size_t(count);
    }

    bool hasEnded() const { return ended; }
    size_t offset() const { return position; }

private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
    bool ended = false;
};

struct Component {
    int id;
    int horizontalSampling;
    int verticalSampling;
    int quantisationTable;
    int dcTable; // Huffman table numbers, as the first scan holding the component gives them
    int acTable;
};

// What matters of a Huffman table before decoding with it.
struct HuffmanSlot {
    bool defined = false;
    bool codesFit = false;   // no code all ones, no more codes than their lengths allow
    bool dcSymbols = false;  // every symbol a size of 0..15, as DC tables need
};

// The first scan's parameters and what it needs, for the checks libjpeg makes when decoding
// starts.
struct FirstScan {
    int componentCount = 0;
    Component components[maxComponentsInScan] = {};
    int spectralStart = 0; // the coefficients the scan holds, 0..63
    int spectralEnd = 0;
    int approximationHigh = 0; // bits left out by the previous scan of these coefficients
    int approximationLow = 0;  // bits left out by this one
    bool quantisationTableMissing = false;
    HuffmanSlot dcTables[tableSlots];
    HuffmanSlot acTables[tableSlots];
};

// What the headers up to the first scan say.
struct JpegHeader {
    int widthPixels = 0;
    int heightPixels = 0;
    int channels = 0;
    int color = IJL_OTHER;     // the file's layout, as libjpeg guesses it
    bool progressive = false;
    bool arithmetic = false;   // arithmetic coding rather than Huffman
    bool multiScan = false;    // progressive, or a first scan holding only some components
    size_t scanDataOffset = 0; // just past the first scan's header
    FirstScan scan;
};

// Reads the markers up to the first scan. Everything that can be wrong in them but a short
// file is IJL_ERR_DATA, so what matters is libjpeg's order: which check comes before which
// read. Each segment reader below keeps it.
class HeaderParser {
public:
    HeaderParser(const uint8_t* data, size_t size) : in(data, size) {}

    int parse(JpegHeader& header)
    {
        const int first = in.byte();
        const int second = in.byte();
        if (in.hasEnded())
            return IJL_ERROR_EOF;
        if (first != 0xFF || second != markerSoi)
            return IJL_ERR_DATA;
        int marker = markerSoi;
        for (;;) {
            const int code = segment(marker);
            if (code != IJL_OK)
                return code;
            if (reachedScan)
                return finish(header);
            marker = nextMarker();
            if (in.hasEnded())
                return IJL_ERROR_EOF;
        }
    }

private:
    // Skips to the next marker as libjpeg does: stray bytes and stuffed zeros are passed
    // over (libjpeg warns and goes on), runs of 0xFF are fill.
    int nextMarker()
    {
        for (;;) {
            int c = in.byte();
            while (c != 0xFF && !in.hasEnded())
                c = in.byte();
            do
                c = in.byte();
            while (c == 0xFF && !in.hasEnded());
            if (c != 0 || in.hasEnded())
                return c;
        }
    }

    // The result of a segment whose values all passed their checks.
    int endOfSegment() const { return in.hasEnded() ? IJL_ERROR_EOF : IJL_OK; }

    // The result of a segment of tables, which must use up its length exactly.
    int endOfTables(int remainingBytes) const
    {
        if (in.hasEnded())
            return IJL_ERROR_EOF;
        return remainingBytes == 0 ? IJL_OK : IJL_ERR_DATA;
    }

    int segment(int marker)
    {
        switch (marker) {
        case markerSoi:
            if (sawSoi)
                return IJL_ERR_DATA;
            sawSoi = true;
            return IJL_OK;
        case markerSof0:
        case markerSof1:
            return frame(false, false);
        case markerSof2:
            return frame(true, false);
        case markerSof9:
            return frame(false, true);
        case markerSof10:
            return frame(true, true);
        case markerSos:
            return scan();
        case markerDac:
            return arithmeticTables();
        case markerDht:
            return huffmanTables();
        case markerDqt:
            return quantisationTables();
        case markerDri:
            return restartInterval();
        case markerApp0:
        case markerApp14:
            return interestingApplicationSegment(marker);
        case markerTem:
            return IJL_OK;
        case markerDnl:
        case markerCom:
            return skipSegment();
        default:
            if (marker >= markerApp0 && marker <= markerApp15)
                return skipSegment();
            if (marker >= markerRst0 && marker <= markerRst7)
                return IJL_OK;
            // The lossless and hierarchical frames (0xC3, 0xC5..0xC7, 0xCB, 0xCD..0xCF), an
            // end marker before any scan, and reserved codes.
            return IJL_ERR_DATA;
        }
    }

    int frame(bool isProgressive, bool isArithmetic)
    {
        progressive = isProgressive;
        arithmetic = isArithmetic;
        const int length = in.word() - 8;
        precisionBits = in.byte();
        height = in.word();
        width = in.word();
        componentCount = in.byte();
        if (in.hasEnded())
            return IJL_ERROR_EOF;
        if (sawFrame || height <= 0 || width <= 0 || componentCount <= 0 ||
            length != componentCount * 3)
            return IJL_ERR_DATA;
        for (int i = 0; i < componentCount; ++i) {
            components[i].id = in.byte();
            const int sampling = in.byte();
            components[i].horizontalSampling = sampling >> 4 & 15;
            components[i].verticalSampling = sampling & 15;
            components[i].quantisationTable = in.byte();
        }
        sawFrame = true;
        return endOfSegment();
    }

    // The scan's header. Its components must be the frame's, each once, found among the
    // frame's first four (inScan is indexed by the frame's component while it holds them by
    // their place in the scan: libjpeg matches them that way, and so must we).
    int scan()
    {
        if (!sawFrame)
            return IJL_ERR_DATA;
        const int length = in.word();
        const int count = in.byte();
        if (in.hasEnded())
            return IJL_ERROR_EOF;
        if (length != count * 2 + 6 || count < 1 || count > maxComponentsInScan)
            return IJL_ERR_DATA;
        int inScan[maxComponentsInScan] = {-1, -1, -1, -1};
        for (int i = 0; i < count; ++i) {
            const int id = in.byte();
            const int tables = in.byte();
            if (in.hasEnded())
                return IJL_ERROR_EOF;
            int found = -1;
            for (int c = 0; c < componentCount && c < maxComponentsInScan && found < 0; ++c) {
                if (components[c].id == id && inScan[c] < 0)
                    found = c;
            }
            if (found < 0)
                return IJL_ERR_DATA;
            inScan[i] = found;
            components[found].dcTable = tables >> 4 & 15;
            components[found].acTable = tables & 15;
            scanComponents[i] = components[found];
            for (int earlier = 0; earlier < i; ++earlier) {
                if (inScan[earlier] == found)
                    return IJL_ERR_DATA;
            }
        }
        spectralStart = in.byte();
        spectralEnd = in.byte();
        const int approximation = in.byte();
        approximationHigh = approximation >> 4 & 15;
        approximationLow = approximation & 15;
        firstScanComponents = count;
        reachedScan = true;
        return endOfSegment();
    }

    int arithmeticTables()
    {
        int length = in.word() - 2;
        while (length > 0) {
            const int index = in.byte();
            const int value = in.byte();
            if (in.hasEnded())
                return IJL_ERROR_EOF;
            length -= 2;
            if (index >= 2 * arithmeticTableSlots)
                return IJL_ERR_DATA;
            if (index < arithmeticTableSlots && (value & 15) > value >> 4) // DC: lower bound above upper
                return IJL_ERR_DATA;
        }
        return endOfTables(length);
    }

    int huffmanTables()
    {
        int length = in.word() - 2;
        while (length > huffmanCodeLengths && !in.hasEnded()) {
            const int index = in.byte();
            int codeCounts[huffmanCodeLengths + 1] = {};
            int codeCount = 0;
            for (int bits = 1; bits <= huffmanCodeLengths; ++bits) {
                codeCounts[bits] = in.byte();
                codeCount += codeCounts[bits];
            }
            if (in.hasEnded())
                return IJL_ERROR_EOF;
            length -= 1 + huffmanCodeLengths;
            if (codeCount > 256 || codeCount > length)
                return IJL_ERR_DATA;
            bool symbolsAreSizes = true;
            for (int i = 0; i < codeCount; ++i)
                symbolsAreSizes = in.byte() <= maxDcSymbol && symbolsAreSizes;
            if (in.hasEnded())
                return IJL_ERROR_EOF;
            length -= codeCount;
            if ((index & ~0x10) >= tableSlots) // 0x10 marks an AC table
                return IJL_ERR_DATA;
            HuffmanSlot& slot = (index & 0x10 ? acTables : dcTables)[index & 0x0F];
            slot.defined = true;
            slot.codesFit = codesFitTheirLengths(codeCounts);
            slot.dcSymbols = symbolsAreSizes;
        }
        return endOfTables(length);
    }

    // Canonical codes are numbered in order of length; after the codes of each length the
    // next number must still have that many bits, so that no code is all ones.
    static bool codesFitTheirLengths(const int (&codeCounts)[huffmanCodeLengths + 1])
    {
        long nextCode = 0;
        for (int bits = 1; bits <= huffmanCodeLengths; ++bits) {
            nextCode += codeCounts[bits];
            if (codeCounts[bits] > 0 && nextCode >= 1L << bits)
                return false;
            nextCode <<= 1;
        }
        return true;
    }

    int quantisationTables()
    {
        int length = in.word() - 2;
        while (length > 0 && !in.hasEnded()) {
            const int index = in.byte();
            if (in.hasEnded())
                return IJL_ERROR_EOF;
            const bool sixteenBit = index >> 4 != 0;
            if ((index & 15) >= tableSlots)
                return IJL_ERR_DATA;
            quantisationDefined[index & 15] = true;
            in.skip(sixteenBit ? 2 * coefficientsPerBlock : coefficientsPerBlock);
            length -= coefficientsPerBlock + 1;
            if (sixteenBit)
                length -= coefficientsPerBlock;
        }
        return endOfTables(length);
    }

    int restartInterval()
    {
        const int length = in.word();
        if (in.hasEnded())
            return IJL_ERROR_EOF;
        if (length != 4)
            return IJL_ERR_DATA;
        in.word(); // the interval
        return endOfSegment();
    }

    // APP0 may be JFIF and APP14 Adobe's; both decide how three channels are coded.
    int interestingApplicationSegment(int marker)
    {
        int length = in.word() - 2;
        const int headBytes = length >= appHeadBytes ? appHeadBytes : length > 0 ? length : 0;
        uint8_t head[appHeadBytes] = {};
        for (int i = 0; i < headBytes; ++i)
            head[i] = uint8_t(in.byte());
        if (in.hasEnded())
            return IJL_ERROR_EOF;
        length -= headBytes;
        if (marker == markerApp0 && headBytes >= jfifHeadBytes && std::memcmp(head, "JFIF", 5) == 0)
            sawJfif = true;
        if (marker == markerApp14 && headBytes >= adobeHeadBytes && std::memcmp(head, "Adobe", 5) == 0) {
            sawAdobe = true;
            adobeTransform = head[adobeTransformOffset];
        }
        in.skip(length);
        return endOfSegment();
    }

    int skipSegment()
    {
        in.skip(in.word() - 2);
        return endOfSegment();
    }

    // At the first scan: the checks libjpeg makes on the frame there, and its guess at the
    // colour layout.
    int finish(JpegHeader& header) const
    {
        if (width > jpegMaxSidePixels || height > jpegMaxSidePixels)
            return IJL_IMAGE_TOO_LARGE;
        if (precisionBits != supportedPrecisionBits || componentCount > maxComponents)
            return IJL_ERR_DATA;
        for (int i = 0; i < componentCount; ++i) {
            const Component& c = components[i];
            if (c.horizontalSampling < 1 || c.horizontalSampling > maxSamplingFactor ||
                c.verticalSampling < 1 || c.verticalSampling > maxSamplingFactor)
                return IJL_ERR_DATA;
        }
        header.widthPixels = width;
        header.heightPixels = height;
        header.channels = componentCount;
        header.color = colorLayout();
        header.progressive = progressive;
        header.arithmetic = arithmetic;
        header.multiScan = progressive || firstScanComponents < componentCount;
        header.scanDataOffset = in.offset();
        FirstScan& scan = header.scan;
        scan.componentCount = firstScanComponents;
        for (int i = 0; i < firstScanComponents; ++i) {
            scan.components[i] = scanComponents[i];
            const int table = scanComponents[i].quantisationTable;
            if (table >= tableSlots || !quantisationDefined[table])
                scan.quantisationTableMissing = true;
        }
        scan.spectralStart = spectralStart;
        scan.spectralEnd = spectralEnd;
        scan.approximationHigh = approximationHigh;
        scan.approximationLow = approximationLow;
        for (int slot = 0; slot < tableSlots; ++slot) {
            scan.dcTables[slot] = dcTables[slot];
            scan.acTables[slot] = acTables[slot];
        }
        return IJL_OK;
    }

    // JFIF means YCbCr; else Adobe's transform flag (0 plain RGB); else component ids
    // 'R', 'G', 'B' mean RGB; else YCbCr.
    int colorLayout() const
    {
        switch (componentCount) {
        case 1:
            return IJL_G;
        case 3:
            if (sawJfif)
                return IJL_YCBCR;
            if (sawAdobe)
                return adobeTransform == 0 ? IJL_RGB : IJL_YCBCR;
            if (components[0].id == 'R' && components[1].id == 'G' && components[2].id == 'B')
                return IJL_RGB;
            return IJL_YCBCR;
        default:
            return IJL_OTHER; // CMYK, YCCK or unknown
        }
    }

    ByteReader in;
    bool sawSoi = false;
    bool sawFrame = false;
    bool sawJfif = false;
    bool sawAdobe = false;
    bool progressive = false;
    bool arithmetic = false;
    bool reachedScan = false;
    bool quantisationDefined[tableSlots] = {};
    HuffmanSlot dcTables[tableSlots];
    HuffmanSlot acTables[tableSlots];
    int adobeTransform = 0;
    int precisionBits = 0;
    int width = 0;
    int height = 0;
    int componentCount = 0;
    int firstScanComponents = 0;
    int spectralStart = 0;
    int spectralEnd = 0;
    int approximationHigh = 0;
    int approximationLow = 0;
    Component components[256] = {}; // the count is one byte
    Component scanComponents[maxComponentsInScan] = {};
};

// What follows the first scan's header: whether the end marker comes, and how many scans
// come before it. Compressed data holds 0xFF only as 0xFF 0x00 or before a restart marker;
// other markers between scans start segments that are skipped by their length, so an end
// marker inside one (a thumbnail's, say) is not taken for the file's.
struct ScanTail {
    bool hasEndMarker = false;
    int scans = 1;
};

ScanTail walkScans(const uint8_t* data, size_t size, size_t offset)
{
    ScanTail tail;
    size_t position = offset;
    while (position + 1 < size) {
        if (data[position] != 0xFF) {
            ++position;
            continue;
        }
        const int next = data[position + 1];
        if (next == 0xFF) {
            ++position;
        } else if (next == 0x00 || next == markerTem || (next >= markerRst0 && next <= markerRst7)) {
            position += 2;
        } else if (next == markerEoi) {
            tail.hasEndMarker = true;
            return tail;
        } else {
            if (next == markerSos)
                ++tail.scans;
            if (position + 3 >= size)
                break;
            const size_t lengthBytes = size_t(data[position + 2]) << 8 | data[position + 3];
            position += 2 + lengthBytes;
        }
    }
    return tail;
}

// ---------------------------------------------------------------------------------------------
// The record

int readParams(JPEG_CORE_PROPERTIES* properties, const JpegHeader& header)
{
    properties->JPGWidth = header.widthPixels;
    properties->JPGHeight = header.heightPixels;
    properties->JPGChannels = header.channels;
    properties->JPGColor = header.color;
    if (!ijlSizeAcceptable(header.widthPixels, header.heightPixels))
        return IJL_IMAGE_TOO_LARGE;
    return IJL_OK;
}

// Whether a Huffman table libjpeg would decode the first scan with is there and sound.
// Sequential files may leave out tables 0 and 1: libjpeg then uses the standard ones, as
// motion-JPEG frames expect.
bool huffmanTableUsable(const HuffmanSlot* slots, int number, bool isDc, bool standardAllowed)
{
    if (number >= tableSlots)
        return false;
    const HuffmanSlot& slot = slots[number];
    if (!slot.defined)
        return standardAllowed && number < standardHuffmanSlots;
    return slot.codesFit && (!isDc || slot.dcSymbols);
}

// A progressive scan holds either the DC coefficients of its components or one band of AC
// coefficients of a single component; a refinement scan leaves out one bit fewer than the
// scan before it.
bool progressionValid(const FirstScan& scan)
{
    if (scan.spectralStart == 0) {
        if (scan.spectralEnd != 0)
            return false;
    } else if (scan.spectralStart > scan.spectralEnd || scan.spectralEnd >= coefficientsPerBlock ||
               scan.componentCount != 1) {
        return false;
    }
    if (scan.approximationHigh != 0 && scan.approximationLow != scan.approximationHigh - 1)
        return false;
    return scan.approximationLow <= maxApproximationBits;
}

// The checks libjpeg makes on the first scan when decoding starts: an interleaved unit of at
// most ten blocks, a quantisation table for each component, sound progression parameters and
// the Huffman tables the scan is decoded with.
int checkFirstScan(const JpegHeader& header)
{
    const FirstScan& scan = header.scan;
    if (scan.componentCount > 1) {
        int blocks = 0;
        for (int i = 0; i < scan.componentCount; ++i)
            blocks += scan.components[i].horizontalSampling * scan.components[i].verticalSampling;
        if (blocks > maxBlocksInMcu)
            return IJL_ERR_DATA;
    }
    if (scan.quantisationTableMissing)
        return IJL_ERR_DATA;
    if (header.progressive && !progressionValid(scan))
        return IJL_ERR_DATA;
    if (header.arithmetic)
        return IJL_OK;
    const bool needsDc = !header.progressive || (scan.spectralStart == 0 && scan.approximationHigh == 0);
    const bool needsAc = !header.progressive || scan.spectralStart > 0;
    for (int i = 0; i < scan.componentCount; ++i) {
        const Component& c = scan.components[i];
        if ((needsDc && !huffmanTableUsable(scan.dcTables, c.dcTable, true, !header.progressive)) ||
            (needsAc && !huffmanTableUsable(scan.acTables, c.acTable, false, !header.progressive)))
            return IJL_ERR_DATA;
    }
    return IJL_OK;
}

// ---------------------------------------------------------------------------------------------
// WIC

// ijl.h has no code for a decoder that cannot start: WIC failing to set up (no COM, no
// factory, no stream) is reported as a lack of resources. A failure while decoding is the
// data's, unless WIC ran out of memory.
constexpr int setupFailure = IJL_MEMORY_ERROR;
int decodeFailure(HRESULT result) { return result == E_OUTOFMEMORY ? IJL_MEMORY_ERROR : IJL_ERR_DATA; }

// Copies one strip of source pixels (blue, green, red first in each pixel) into the caller's
// rows, in the caller's channel order, leaving the padding after each row alone.
void copyStrip(const uint8_t* strip, size_t stripStrideBytes, int sourceBytesPerPixel,
               int firstRow, int rows, JPEG_CORE_PROPERTIES* properties)
{
    const size_t strideBytes = size_t(properties->DIBWidth) * 3 + size_t(properties->DIBPadBytes);
    const bool redFirst = properties->DIBColor == IJL_RGB;
    for (int row = 0; row < rows; ++row) {
        const uint8_t* source = strip + size_t(row) * stripStrideBytes;
        uint8_t* target = properties->DIBBytes + size_t(firstRow + row) * strideBytes;
        for (int x = 0; x < properties->DIBWidth; ++x, source += sourceBytesPerPixel, target += 3) {
            target[0] = redFirst ? source[2] : source[0];
            target[1] = source[1];
            target[2] = redFirst ? source[0] : source[2];
        }
    }
}

// Decodes the file's bytes with WIC's JPEG decoder into the caller's buffer. Colour pictures
// come out as 24-bit blue-green-red; anything else (grey-scale) goes through a converter to
// 32-bit blue-green-red-unused, since WIC under Wine converts grey to 32 bits but not to 24.
int decodeWithWic(FileBytes& file, JPEG_CORE_PROPERTIES* properties)
{
    ComScope com;
    if (!com.usable())
        return setupFailure;
    ComRef<IWICImagingFactory> factory;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(factory.put()));
    ComRef<IWICStream> stream;
    if (SUCCEEDED(result))
        result = factory->CreateStream(stream.put());
    if (SUCCEEDED(result))
        result = stream->InitializeFromMemory(file.data.get(), DWORD(file.size));
    ComRef<IWICBitmapDecoder> decoder;
    if (SUCCEEDED(result))
        result = factory->CreateDecoder(GUID_ContainerFormatJpeg, nullptr, decoder.put());
    if (FAILED(result))
        return setupFailure;

    ComRef<IWICBitmapFrameDecode> frame;
    result = decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand);
    if (SUCCEEDED(result))
        result = decoder->GetFrame(0, frame.put());
    UINT width = 0, height = 0;
    WICPixelFormatGUID format = {};
    if (SUCCEEDED(result))
        result = frame->GetSize(&width, &height);
    if (SUCCEEDED(result))
        result = frame->GetPixelFormat(&format);
    if (FAILED(result))
        return decodeFailure(result);
    if (width != UINT(properties->DIBWidth) || height != UINT(properties->DIBHeight))
        return IJL_ERR_DATA;

    IWICBitmapSource* source = frame.get();
    int sourceBytesPerPixel = 3;
    ComRef<IWICFormatConverter> converter;
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        result = factory->CreateFormatConverter(converter.put());
        if (FAILED(result))
            return setupFailure;
        result = converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR,
                                       WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom);
        if (FAILED(result))
            return decodeFailure(result);
        source = converter.get();
        sourceBytesPerPixel = 4;
    }

    const size_t stripStrideBytes = size_t(width) * size_t(sourceBytesPerPixel);
    const int stripRows = int(stripStrideBytes >= stripBytes ? 1 : stripBytes / stripStrideBytes);
    const int rowsInBuffer = stripRows < int(height) ? stripRows : int(height);
    const size_t bufferBytes = stripStrideBytes * size_t(rowsInBuffer);
    std::unique_ptr<uint8_t[]> strip(new (std::nothrow) uint8_t[bufferBytes]);
    if (!strip)
        return IJL_MEMORY_ERROR;
    for (int firstRow = 0; firstRow < int(height); firstRow += rowsInBuffer) {
        const int rows = int(height) - firstRow < rowsInBuffer ? int(height) - firstRow : rowsInBuffer;
        const WICRect rectangle = {0, firstRow, int(width), rows};
        result = source->CopyPixels(&rectangle, UINT(stripStrideBytes), UINT(bufferBytes), strip.get());
        if (FAILED(result))
            return decodeFailure(result);
        copyStrip(strip.get(), stripStrideBytes, sourceBytesPerPixel, firstRow, rows, properties);
    }
    return IJL_OK;
}

} // namespace

// Reads JPGFile and its headers, then the parameters or the whole picture.
int decodeJpegFile(JPEG_CORE_PROPERTIES* properties, bool wholePicture)
{
    FileBytes file;
    int code = readWholeFile(properties->JPGFile, file);
    if (code != IJL_OK)
        return code;

    JpegHeader header;
    code = HeaderParser(file.data.get(), file.size).parse(header);
    if (code == IJL_OK)
        code = readParams(properties, header);
    if (code != IJL_OK || !wholePicture)
        return code;

    code = ijlCheckBuffer(properties);
    if (code == IJL_OK)
        code = checkFirstScan(header);
    if (code != IJL_OK)
        return code;
    const ScanTail tail = walkScans(file.data.get(), file.size, header.scanDataOffset);
    if (header.multiScan && tail.scans > maxScans)
        return IJL_ERR_DATA;
    if (!tail.hasEndMarker)
        return IJL_ERROR_EOF;
    return decodeWithWic(file, properties);
}
