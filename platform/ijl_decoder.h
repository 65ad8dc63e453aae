// What each JPEG decoder provides to the shared record handling of platform/ijl.cpp, and the
// checks both decoders make the same way. Internal to platform/.
#pragma once

#include "platform/ijl.h"

// Opens JPGFile and reads its parameters, or the whole picture into the caller's buffer. IJL_OK
// or a negative IJLERR; the record is prepared and names a file.
int decodeJpegFile(JPEG_CORE_PROPERTIES* properties, bool wholePicture);

// A picture of this size is one the decoders accept (see ijlMaxSidePixels, ijlMaxPictureBytes).
bool ijlSizeAcceptable(long long width, long long height);
// The caller's buffer describes exactly this picture in a layout the decoders deliver. JPGColor is
// not consulted: the file's own markers say better how its channels are coded.
int ijlCheckBuffer(const JPEG_CORE_PROPERTIES* properties);
