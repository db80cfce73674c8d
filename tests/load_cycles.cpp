// Loads and unloads the module again and again, as a host that opens and
// closes a plug-in many times would, and reports how much of the heap is in
// use after the first and the last cycle.
#include <dlfcn.h>
#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: load_cycles MODULE CYCLES\n");
    return 2;
  }
  const int cycles = std::atoi(argv[2]);
  std::size_t after_first = 0;
  std::size_t halfway = 0;
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    void* module = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      std::fprintf(stderr, "load_cycles: %s\n", ::dlerror());
      return 1;
    }
    using ParseTag = int (*)(const char*, std::uintptr_t, char*);
    char result[8];
    reinterpret_cast<ParseTag>(::dlsym(module, "ParseTag"))("cycle", 0, result);
    ::dlclose(module);
    if (cycle == 1) after_first = ::mallinfo2().uordblks;
    if (cycle == cycles / 2) halfway = ::mallinfo2().uordblks;
  }
  std::printf("heap in use after cycle 1: %zu bytes, after cycle %d: %zu, after cycle %d: %zu\n",
              after_first, cycles / 2, halfway, cycles, ::mallinfo2().uordblks);
  return 0;
}
