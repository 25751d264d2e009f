// What the drawer state calls read with on Windows: the registry's settings,
// the print spooler (for a printer's own port), the spooler's port monitors,
// the serial, TCP and USB links, and the steady clock. One place builds it for
// the program and for the technician's tool.

#ifndef KESTRO_CASH_DRAWER_SYSTEM_DRAWER_STATE_BACKEND_WIN_H_
#define KESTRO_CASH_DRAWER_SYSTEM_DRAWER_STATE_BACKEND_WIN_H_

#include "cash_drawer/drawer_state_call.h"

namespace kestro {

// A backend whose parts hold no state of their own, so that any thread may
// use them at once.
DrawerStateBackend MakeSystemDrawerStateBackend();

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_SYSTEM_DRAWER_STATE_BACKEND_WIN_H_
