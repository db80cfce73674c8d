// No exception ever leaves the module, so std::terminate can only mean a
// broken invariant, and the module has nowhere to report it. Replacing the
// runtime's verbose handler keeps the C++ demangler it pulls in (tens of
// kilobytes) out of the statically linked DLL.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  std::abort();
}

}  // namespace __gnu_cxx
