#include "ui/common/app_title.h"

namespace tilora {

std::string ApplicationTitle(const std::string& executablePath) {
  const auto slash = executablePath.find_last_of("/\\");
  std::string title = slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
  title = title.substr(0, title.find('.'));
  for (std::size_t i = 1; i < title.size(); ++i)
    if (title[i] >= 'A' && title[i] <= 'Z') title[i] = static_cast<char>(title[i] - 'A' + 'a');
  if (title.size() > 255) title.resize(255);
  return title;
}

}  // namespace tilora
