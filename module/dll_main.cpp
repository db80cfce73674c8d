// The library entry point. The C runtime has started before it sees process
// attach and stops only after it has returned from process detach, so the
// load and unload steps run with the whole runtime in place.
#include <windows.h>

#include "module_life.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      // FALSE makes the host's LoadLibrary fail; the runtime then sends us
      // process detach, which finds nothing left to release.
      return tovrel::AttachModule(tovrel::SystemNotices()) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      tovrel::DetachModule();
      break;
    default:
      break;
  }
  return TRUE;
}
