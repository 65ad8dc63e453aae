#!/usr/bin/env bash
# The picture layers of the Linux and the Windows build side by side:
#
#   jpeg_layer_check.sh LINUX_PROBE WINDOWS_PROBE_EXE FIXTURES_DIR DATA_DIR TESTDATA_DIR
#
# Runs `layer-probe jpeg` of both builds (the Windows one under Wine) on every JPEG of the
# fixtures folder, of the data set (DATA_DIR/*.jpg), of the shared test files
# (TESTDATA_DIR/jpeg/*.jpg, TESTDATA_DIR/3ds/*.jpg) and on a file that does not exist. Both
# must answer alike (result code, size, channels, colour layout). Where the picture was
# decoded, no channel may differ by more than 3 levels if the file holds its colour at full
# resolution. If its colour is subsampled, the decoders bring it back to full size in their
# own ways (libjpeg-turbo with a triangle filter, the libjpeg 9 inside Wine's WIC with a
# scaled IDCT, Windows' own decoder differently again), and sharp colour edges differ by tens
# of levels: there the mean difference over all channels must stay within 2 levels, which
# still fails a flipped, shifted or miscoloured picture.
# Then `layer-probe png` of both builds: the two files must decode to the same pixels, those
# of the probe's test frame.
#
# One difference is known and pinned: a file that lacks only its end marker is refused by the
# Windows layer (it cannot know whether such a file was cut) and by the Linux layer too, except
# where libjpeg's read-ahead happened not to reach the end of the file, which happens with
# small, flat pictures such as the fixtures' 64 x 64 quadrants. Each side must give exactly
# the answer listed below; any other difference fails.
#
# The caller provides Wine: WINEPREFIX, DISPLAY, WINEDEBUG=-all and a running wineserver.
# Prints a table; exits 0 when everything matches, 1 with a FAIL line when not.
set -u

maxDifferenceLevels=3      # colour at full resolution: any channel of any pixel
maxMeanDifferenceLevels=2  # subsampled colour: the mean over all channels and pixels

# file, then the Linux and the Windows result code
knownDifferences=$'fixtures/quadrants-64x64-no-end-marker.jpg\t0\t-4'

fail() {
    echo "FAIL: $*"
    exit 1
}

[ $# -eq 5 ] || fail "usage: $0 LINUX_PROBE WINDOWS_PROBE_EXE FIXTURES_DIR DATA_DIR TESTDATA_DIR"
linuxProbe=$(realpath -e "$1") || fail "no Linux probe at $1"
windowsProbe=$(realpath -e "$2") || fail "no Windows probe at $2"
fixturesDir=$(realpath -e "$3") || fail "no fixtures folder at $3"
dataDir=$(realpath -e "$4") || fail "no data set folder at $4"
testdataDir=$(realpath -e "$5") || fail "no shared test files at $5"
command -v wine >/dev/null || fail "wine is not installed"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/wine_run.sh"

# Wine's drive Z: is the Unix root.
windowsPath() { printf 'Z:%s' "$1"; }

# Every JPEG to try, labelled by where it comes from; each folder must hold some.
runs=$work/runs.txt
: >"$runs"
labels=()
paths=()
addFolder() {
    local label=$1 folder=$2 file found=0
    for file in "$folder"/*.jpg; do
        [ -f "$file" ] || continue
        labels+=("$label/$(basename "$file")")
        paths+=("$file")
        found=1
    done
    [ $found -eq 1 ] || fail "no JPEG files in $folder"
}
addFolder fixtures "$fixturesDir"
addFolder data "$dataDir"
addFolder testdata/jpeg "$testdataDir/jpeg"
addFolder testdata/3ds "$testdataDir/3ds"
labels+=("(missing file)")
paths+=("$work/no-such-picture.jpg")

for i in "${!paths[@]}"; do
    file=${paths[$i]}
    linuxRaw=$work/$i.linux.raw
    windowsRaw=$work/$i.windows.raw
    linuxResult=$("$linuxProbe" jpeg "$file" "$linuxRaw" 2>"$work/stderr")
    status=$?
    [ $status -eq 0 ] || fail "Linux probe exited with $status on $file: $(cat "$work/stderr")"
    wine_run "$work/windows.txt" "$windowsProbe" jpeg "$(windowsPath "$file")" "$(windowsPath "$windowsRaw")"
    status=$?
    [ $status -eq 0 ] ||
        fail "Windows probe exited with $status on $file: $(cat "$work/windows.txt" "$work/windows.txt.err")"
    windowsResult=$(tr -d '\r' <"$work/windows.txt")
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "${labels[$i]}" "$file" "$linuxResult" "$windowsResult" "$linuxRaw" "$windowsRaw" >>"$runs"
done

"$linuxProbe" png "$work/linux.png" >/dev/null 2>"$work/stderr" || fail "Linux PNG probe: $(cat "$work/stderr")"
wine_run "$work/windows.txt" "$windowsProbe" png "$(windowsPath "$work/windows.png")" ||
    fail "Windows PNG probe: $(cat "$work/windows.txt.err")"

printf '%s\n' "$knownDifferences" >"$work/known.txt"
python3 - "$runs" "$maxDifferenceLevels" "$maxMeanDifferenceLevels" "$work/linux.png" "$work/windows.png" "$work/known.txt" <<'PYTHON'
import operator
import struct
import sys
import zlib

runsPath, maxLevels, maxMeanLevels = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
linuxPng, windowsPng = sys.argv[4], sys.argv[5]
known = {}
with open(sys.argv[6]) as knownFile:
    for line in knownFile:
        if line.strip():
            name, linuxCode, windowsCode = line.rstrip('\n').split('\t')
            known[name] = (linuxCode, windowsCode)
failures = []


def readBytes(path):
    with open(path, 'rb') as f:
        return f.read()


def colourSubsampled(path):
    """Whether the JPEG file's frame holds some component at less than full resolution."""
    data = readBytes(path)
    position = 2
    while position + 4 <= len(data) and data[position] == 0xFF:
        marker, length = data[position + 1], data[position + 2] << 8 | data[position + 3]
        if marker in (0xC0, 0xC1, 0xC2, 0xC9, 0xCA):
            count = data[position + 9]
            factors = set(data[position + 11 + 3 * i] for i in range(count) if position + 11 + 3 * i < len(data))
            return len(factors) > 1
        position += 2 + length
    return False


def compareJpeg(file, linuxResult, windowsResult, linuxRaw, windowsRaw):
    """The differences column of the table, and the reason the file fails (or None)."""
    fields = linuxResult.split()
    if len(fields) != 6 or fields[0] != 'result':
        return '', 'Linux probe printed "%s"' % linuxResult
    if windowsResult != linuxResult:
        return '', 'Windows answered "%s"' % windowsResult
    code, width, height = int(fields[1]), int(fields[2]), int(fields[3])
    if code != 0:
        return '', None
    expected = width * height * 3
    linuxPixels, windowsPixels = readBytes(linuxRaw), readBytes(windowsRaw)
    if len(linuxPixels) != expected or len(windowsPixels) != expected:
        return '', 'pictures of %d and %d bytes, not %d' % (len(linuxPixels), len(windowsPixels), expected)
    differences = list(map(abs, map(operator.sub, linuxPixels, windowsPixels)))
    largest, mean = max(differences), sum(differences) / expected
    if colourSubsampled(file):
        text = '%3d %8.4f sub' % (largest, mean)
        if mean > maxMeanLevels:
            return text, 'subsampled colour, but the channels differ by %.2f levels on average' % mean
        return text, None
    text = '%3d %8.4f' % (largest, mean)
    if largest > maxLevels:
        return text, 'a channel differs by %d levels' % largest
    return text, None


print('%-52s %-28s %-16s %s' % ('file', 'result (code w h ch colour)', 'max    mean', 'verdict'))
with open(runsPath) as runs:
    for line in runs:
        label, file, linuxResult, windowsResult, linuxRaw, windowsRaw = line.rstrip('\n').split('\t')
        shown = linuxResult[len('result '):] if linuxResult.startswith('result ') else linuxResult
        if label in known:
            # Only the codes differ, each as listed; the rest of the record must agree.
            expected = known[label]
            linuxFields, windowsFields = linuxResult.split(), windowsResult.split()
            agree = len(linuxFields) == len(windowsFields) == 6 and linuxFields[2:] == windowsFields[2:]
            problem = None if agree and (linuxFields[1], windowsFields[1]) == expected else \
                'known difference expected Linux %s, Windows %s; got "%s" and "%s"' % (expected + (linuxResult, windowsResult))
            difference, shown = 'known', '%s / %s' % (shown, windowsResult[len('result '):])
        else:
            difference, problem = compareJpeg(file, linuxResult, windowsResult, linuxRaw, windowsRaw)
        print('%-52s %-28s %-16s %s' % (label, shown, difference, 'ok' if problem is None else 'FAIL'))
        if problem is not None:
            failures.append('%s: %s' % (label, problem))


def decodePng(path):
    """(width, height, colour type, rows of bytes) of an 8-bit RGB or RGBA PNG file."""
    data = readBytes(path)
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('no PNG signature')
    position, header, compressed = 8, None, b''
    while position + 12 <= len(data):
        length, kind = struct.unpack('>I4s', data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        crc, = struct.unpack('>I', data[position + 8 + length:position + 12 + length])
        if len(body) != length or zlib.crc32(kind + body) != crc:
            raise ValueError('broken %s chunk' % kind.decode('latin-1'))
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            compressed += body
        elif kind == b'IEND':
            break
        position += 12 + length
    if header is None:
        raise ValueError('no IHDR chunk')
    width, height, depth, colourType, _, _, interlace = header
    if depth != 8 or colourType not in (2, 6) or interlace != 0:
        raise ValueError('depth %d, colour type %d, interlace %d' % (depth, colourType, interlace))
    pixelBytes = 3 if colourType == 2 else 4
    stride = width * pixelBytes
    raw = zlib.decompress(compressed)
    if len(raw) != height * (stride + 1):
        raise ValueError('%d bytes of rows, not %d' % (len(raw), height * (stride + 1)))
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - pixelBytes] if i >= pixelBytes else 0
            up, upLeft = previous[i], previous[i - pixelBytes] if i >= pixelBytes else 0
            if kind == 1:
                predicted = left
            elif kind == 2:
                predicted = up
            elif kind == 3:
                predicted = (left + up) // 2
            elif kind == 4:
                p = left + up - upLeft
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upLeft)
                predicted = left if pa <= pb and pa <= pc else up if pb <= pc else upLeft
            elif kind == 0:
                predicted = 0
            else:
                raise ValueError('filter type %d' % kind)
            line[i] = (line[i] + predicted) & 0xFF
        rows.append(bytes(line))
        previous = line
    return width, height, colourType, rows


def testFrame(x, y):
    """The probe's test frame at column x, row y from the top: red, green, blue, alpha."""
    return (7 * x) & 0xFF, (11 * y) & 0xFF, (255 - 5 * x - 3 * y) & 0xFF, (5 * x + 3 * y) & 0xFF


pngs = {}
for name, path in (('Linux', linuxPng), ('Windows', windowsPng)):
    try:
        pngs[name] = decodePng(path)
    except (ValueError, zlib.error, struct.error) as error:
        failures.append('png: the %s file does not decode: %s' % (name, error))
if len(pngs) == 2:
    (width, height, colourType, linuxRows), (_, _, windowsType, windowsRows) = pngs['Linux'], pngs['Windows']
    pixelBytes = 3 if colourType == 2 else 4
    expected = [bytes(b for x in range(width) for b in testFrame(x, y)[:pixelBytes]) for y in range(height)]
    print('%-52s %-28s %-16s %s' % ('png: Linux, Windows', '%dx%d colour type %d, %d' % (width, height, colourType, windowsType),
                                    '', 'ok' if pngs['Linux'] == pngs['Windows'] else 'FAIL'))
    if pngs['Linux'] != pngs['Windows']:
        failures.append('png: the files differ (size, colour type or pixels)')
    elif linuxRows != expected:
        failures.append('png: the pixels are not the test frame, top row first')

if failures:
    for failure in failures:
        print('FAIL: ' + failure)
    sys.exit(1)
print('all %d JPEG files and the PNG writer agree' % sum(1 for _ in open(runsPath)))
PYTHON
