// The module this code is linked into: the stand-in engine library, whose
// window classes are registered with its own instance handle.

#ifndef KESTRO_STANDINS_ENGINE_THIS_MODULE_WIN_H_
#define KESTRO_STANDINS_ENGINE_THIS_MODULE_WIN_H_

#include <windows.h>

namespace kestro::standin {

// The handle of the module that holds this function; no reference is added.
HINSTANCE ThisModule();

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_ENGINE_THIS_MODULE_WIN_H_
