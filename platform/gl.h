// OpenGL for every layer: the fixed-function API, GLU and the extension declarations, on every
// platform through this one header.
//
// Windows' GL/gl.h and GL/glu.h expect <windows.h> to have defined the calling-convention and
// import macros they use. Portable code never sees <windows.h> (its macros would clash with the
// Win32-named constants of platform/os.h), so the three macros are defined here instead, with
// the values <windows.h> gives them.
#pragma once

#if defined(_WIN32)
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#ifndef CALLBACK
#define CALLBACK __stdcall
#endif
#endif

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glext.h>
