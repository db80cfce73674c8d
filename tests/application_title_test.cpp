#include <gtest/gtest.h>

#include "application_title.h"

namespace tovrel {
namespace {

TEST(ApplicationTitle, FollowsTheProgramFileName) {
  struct Case {
    const char* path;
    char separator;
    const char* title;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Host\\HostApp.exe", '\\', "Hostapp"},
      {"D:\\MY.HOST.EXE", '\\', "My"},
      {"chat", '\\', "chat"},
      {"C:\\apps\\.hidden.exe", '\\', ""},
      {"C:\\dir.d\\Tool", '\\', "Tool"},
      {"C:\\apps\\", '\\', ""},
      {"", '\\', ""},
      {"/usr/bin/plugin-host", '/', "plugin-host"},
      {"/opt/Host/HostApp.bin", '/', "Hostapp"},
      {"/opt/a\\B.C/XY\xC9Z.run", '/', "Xy\xC9z"},
      {"C:\\a/B.exe", '\\', "a/b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(TitleFromProgramPath(c.path, c.separator), c.title);
  }
}

}  // namespace
}  // namespace tovrel
