// Loading and unloading the DLL, and the title its notices bear.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "module_fixture.h"

namespace tovrel::testing {
namespace {

TEST(ModuleLife, LoadNoticeComesOncePerLoadIntoTheProcess) {
  const std::string path = ModuleBeside(kModuleFile);
  NoticeDriver driver;
  HMODULE first = ::LoadLibraryA(path.c_str());
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(driver.seen.size(), 1u);
  EXPECT_EQ(driver.seen[0].message, "Tovrel's Plug-in loaded");

  HMODULE second = ::LoadLibraryA(path.c_str());
  EXPECT_EQ(second, first);
  EXPECT_EQ(driver.seen.size(), 1u);
  ::FreeLibrary(second);
  ::FreeLibrary(first);
  EXPECT_EQ(::GetModuleHandleA(kModuleFile), nullptr);
  EXPECT_EQ(driver.seen.size(), 1u) << "unloading shows nothing";

  HMODULE again = ::LoadLibraryA(path.c_str());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(driver.seen.size(), 2u);
  ::FreeLibrary(again);
}

TEST(ModuleLife, ResultTextStartsEmptyAfterAReload) {
  const std::string path = ModuleBeside(kModuleFile);
  NoticeDriver driver;
  for (int load = 0; load < 2; ++load) {
    host::ModuleLibrary library{path};
    const auto calls = host::ResolveEntryPoints(library);
    // A tag during the command's notice would make it write "test"; without
    // one the command hands back what a fresh module holds: nothing.
    ResultBuffer buffer;
    calls.parse_command("a", "b", 0, buffer.data());
    EXPECT_EQ(buffer.Changed(), 1);
    calls.parse_tag("leave test behind", 0, buffer.data());
  }
}

// Windows of the dialog class cannot be made while this is installed: the
// notice window cannot be built.
class DialogCreationRefused {
 public:
  DialogCreationRefused()
      : hook_(::SetWindowsHookExA(WH_CBT, &Refuse, nullptr, ::GetCurrentThreadId())) {}
  ~DialogCreationRefused() { ::UnhookWindowsHookEx(hook_); }

 private:
  static LRESULT CALLBACK Refuse(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) {
      const auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lparam);
      if (create->lpcs->lpszClass == MAKEINTATOM(32770)) return 1;
      char window_class[16] = {};
      if (!IS_INTRESOURCE(create->lpcs->lpszClass)) {
        lstrcpynA(window_class, create->lpcs->lpszClass, sizeof window_class);
        if (lstrcmpA(window_class, "#32770") == 0) return 1;
      }
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
  }
  HHOOK hook_;
};

TEST(ModuleLife, LoadFailsWhenTheLoadNoticeCannotBeShown) {
  const std::string path = ModuleBeside(kModuleFile);
  NoticeDriver driver;
  {
    DialogCreationRefused refused;
    EXPECT_EQ(::LoadLibraryA(path.c_str()), nullptr);
  }
  EXPECT_TRUE(driver.seen.empty());
  EXPECT_EQ(::GetModuleHandleA(kModuleFile), nullptr);
  HMODULE loaded = ::LoadLibraryA(path.c_str());
  EXPECT_NE(loaded, nullptr);
  EXPECT_EQ(driver.seen.size(), 1u);
  ::FreeLibrary(loaded);
}

TEST(ModuleLife, ACallWhoseNoticeCannotBeShownAnswersZeroAndWritesNothing) {
  NoticeDriver driver;
  host::ModuleLibrary library{ModuleBeside(kModuleFile)};
  const auto calls = host::ResolveEntryPoints(library);
  ResultBuffer buffer;
  {
    DialogCreationRefused refused;
    EXPECT_EQ(calls.parse_tag("x", 0, buffer.data()), 0);
    EXPECT_EQ(calls.initialize(1, 0, 0), 0);
  }
  EXPECT_EQ(buffer.Changed(), 0);
  EXPECT_EQ(calls.parse_tag("x", 0, buffer.data()), 1);
  EXPECT_EQ(buffer.Text(), "test");
}

struct Handle {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, Handle>;

// Runs plugin-host under another program file name and returns its output.
std::string RunHostNamed(const std::string& file_name) {
  char directory[MAX_PATH];
  ::GetTempPathA(MAX_PATH, directory);
  const std::string copy = std::string(directory) + file_name;
  if (!::CopyFileA(ModuleBeside("plugin-host.exe").c_str(), copy.c_str(), FALSE)) return {};

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  ::CreatePipe(&read_end, &write_end, &inherit, 0);
  UniqueHandle reader{read_end};
  UniqueHandle writer{write_end};
  ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  std::string command =
      "\"" + copy + "\" --auto-ack 20 \"" + ModuleBeside(kModuleFile) + "\" init 1";
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return {};
  }
  UniqueHandle process_handle{process.hProcess};
  UniqueHandle thread_handle{process.hThread};
  writer.reset();
  std::string output;
  char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(read_end, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    output.append(chunk, got);
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  ::DeleteFileA(copy.c_str());
  return output;
}

TEST(ModuleLife, TitleComesFromTheHostsProgramFileName) {
  const struct {
    const char* file_name;
    const char* title;
  } cases[] = {{"HostApp.exe", "Hostapp"}, {"MY.HOST.EXE", "My"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file_name);
    const std::string output = RunHostNamed(c.file_name);
    EXPECT_NE(output.find("notice \"" + std::string(c.title) + "\": \"Tovrel's Plug-in loaded\""),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("Initialize(1) -> 0x00000001"), std::string::npos) << output;
  }
}

}  // namespace
}  // namespace tovrel::testing
