// The few Windows types the engine interface mentions, for builds that are
// not for Windows, so the embedding classes build and are tested natively.
// On Windows the real declarations come from <windows.h>.

#ifndef KESTRO_EMBEDDING_WINDOWS_TYPES_H_
#define KESTRO_EMBEDDING_WINDOWS_TYPES_H_

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>

struct HWND__;
typedef HWND__* HWND;
struct HMONITOR__;
typedef HMONITOR__* HMONITOR;
typedef unsigned int UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
#endif

#endif  // KESTRO_EMBEDDING_WINDOWS_TYPES_H_
