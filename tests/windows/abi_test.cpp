// The module as a host's loader sees it: its export table, its imports, and
// (on 32-bit) the calling convention of every entry point.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "module_fixture.h"
#include "plugin_abi.h"

namespace tovrel::testing {
namespace {

template <typename T>
const T* At(HMODULE module, DWORD rva) {
  return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + rva);
}

const IMAGE_DATA_DIRECTORY& Directory(HMODULE module, int which) {
  const auto* dos = At<IMAGE_DOS_HEADER>(module, 0);
  const auto* nt = At<IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
  return nt->OptionalHeader.DataDirectory[which];
}

using AbiTest = ModuleTest;

TEST_F(AbiTest, ExportsExactlyTheFiveEntryPointsByNameAndOrdinal) {
  HMODULE module = ::GetModuleHandleA(kModuleFile);
  ASSERT_NE(module, nullptr);
  const auto* exports = At<IMAGE_EXPORT_DIRECTORY>(
      module, Directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT).VirtualAddress);
  EXPECT_EQ(exports->Base, 1u);
  EXPECT_EQ(exports->NumberOfFunctions, 5u);
  ASSERT_EQ(exports->NumberOfNames, 5u);
  const auto* names = At<DWORD>(module, exports->AddressOfNames);
  const auto* ordinals = At<WORD>(module, exports->AddressOfNameOrdinals);
  std::map<std::string, unsigned> exported;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    exported[At<char>(module, names[i])] = ordinals[i] + exports->Base;
  }
  std::map<std::string, unsigned> expected;
  for (const auto& entry : host::kEntryPoints) {
    expected[std::string(entry.name)] = entry.ordinal;
    const std::string name(entry.name);
    EXPECT_EQ(::GetProcAddress(module, name.c_str()),
              ::GetProcAddress(module, MAKEINTRESOURCEA(entry.ordinal)))
        << name;
  }
  EXPECT_EQ(exported, expected);
}

TEST_F(AbiTest, ImportsOnlySystemLibraries) {
  HMODULE module = ::GetModuleHandleA(kModuleFile);
  const auto& directory = Directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT);
  const std::set<std::string> allowed{"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll",
                                      "comctl32.dll"};
  for (const auto* import = At<IMAGE_IMPORT_DESCRIPTOR>(module, directory.VirtualAddress);
       import->Name != 0; ++import) {
    std::string name = At<char>(module, import->Name);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_TRUE(allowed.contains(name)) << name;
  }
}

TEST_F(AbiTest, CarriesItsVersionAndACommonControlsManifest) {
  const std::string path = ModuleBeside(kModuleFile);
  std::vector<char> info(::GetFileVersionInfoSizeA(path.c_str(), nullptr));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  char* product = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueA(info.data(), "\\StringFileInfo\\040904b0\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
  EXPECT_STREQ(product, "Tovrel's Plug-in");

  HMODULE module = ::GetModuleHandleA(kModuleFile);
  HRSRC manifest = ::FindResourceA(module, MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(24));
  ASSERT_NE(manifest, nullptr);
  const std::string text(static_cast<const char*>(::LockResource(::LoadResource(module, manifest))),
                         ::SizeofResource(module, manifest));
  EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
}

#if defined(_WIN32) && !defined(_WIN64)

struct RawResult {
  std::uint32_t eax;
  std::int32_t removed;  // argument bytes the callee took off the stack
};

// Calls `function` the way a host written in any language would: arguments
// pushed right to left, then a plain call; reports the whole return register
// and how far the stack pointer moved.
RawResult CallRaw(const void* function, const std::uint32_t* arguments, std::uint32_t count) {
  std::uint32_t eax = 0;
  std::uint32_t ecx = count;
  const std::uint32_t* edx = arguments;
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "1:\n\t"
      "testl %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "decl %%ecx\n\t"
      "pushl (%%edx,%%ecx,4)\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "movl %%esp, %%edi\n\t"
      "call *%%ebx\n\t"
      "movl %%esp, %%ecx\n\t"
      "subl %%edi, %%ecx\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(eax), "+c"(ecx), "+d"(edx)
      : "b"(function)
      : "esi", "edi", "memory", "cc");
  return {eax, static_cast<std::int32_t>(ecx)};
}

TEST_F(AbiTest, EachEntryPointRemovesItsArgumentsAndReturnsFull32Bits) {
  HMODULE module = ::GetModuleHandleA(kModuleFile);
  ResultBuffer tag_buffer;
  ResultBuffer command_buffer;
  const auto address = [](char* p) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
  };
  static char tag[] = "abc";
  struct Case {
    const char* name;
    std::vector<std::uint32_t> arguments;
    std::int32_t removed;
    std::uint32_t eax;  // what the whole register must hold; ~0u: not a result
  };
  // Ignored slots hold values no entry point may read.
  const Case cases[] = {
      {"Initialize", {42, 0xDEADBEEF, 0xFFFFFFFF}, 12, 1},
      {"Uninitialize", {}, 0, ~0u},
      {"ParseCommand", {address(tag), 0, 0xDEADBEEF, address(command_buffer.data())}, 16, 1},
      {"ParseTag", {address(tag), 0xDEADBEEF, address(tag_buffer.data())}, 12, 1},
      {"ReceiveNotify", {0xDEADBEEF, address(tag), 0xFFFFFFFF, 0x1}, 16, 0},
  };
  NoticeDriver driver;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto result = CallRaw(reinterpret_cast<const void*>(::GetProcAddress(module, c.name)),
                                c.arguments.data(), static_cast<std::uint32_t>(c.arguments.size()));
    EXPECT_EQ(result.removed, c.removed);
    if (c.eax != ~0u) {
      EXPECT_EQ(result.eax, c.eax);
    }
  }
  EXPECT_EQ(driver.seen.size(), 5u);
  EXPECT_EQ(tag_buffer.Text(), "test");
  EXPECT_EQ(tag_buffer.Changed(), 5);
  EXPECT_EQ(command_buffer.Changed(), 1);
}

#endif

}  // namespace
}  // namespace tovrel::testing
