#include "application_title.h"

#include <algorithm>

namespace tovrel {

std::string_view ProgramStem(std::string_view path, char separator) {
  if (const auto last = path.rfind(separator); last != std::string_view::npos) {
    path.remove_prefix(last + 1);
  }
  return path.substr(0, path.find('.'));
}

std::string TitleFromProgramPath(std::string_view path, char separator) {
  std::string title{ProgramStem(path, separator)};
  if (!title.empty()) {
    std::transform(title.begin() + 1, title.end(), title.begin() + 1, [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
  }
  return title;
}

}  // namespace tovrel
