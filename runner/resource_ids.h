// Identifiers of the resources compiled into the host executable, shared by
// the resource script and the code that loads them.

#ifndef KESTRO_RUNNER_RESOURCE_IDS_H_
#define KESTRO_RUNNER_RESOURCE_IDS_H_

// The application icon group; also the window class icon.
#define IDI_APP_ICON 101

#endif  // KESTRO_RUNNER_RESOURCE_IDS_H_
