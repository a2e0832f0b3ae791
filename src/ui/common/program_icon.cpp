#include "ui/common/program_icon.h"

#include <QString>

// Resources of a static library are registered by hand, outside any namespace.
static void InitTiloraResources() { Q_INIT_RESOURCE(tilora); }

namespace tilora::ui {

QIcon ProgramIcon() {
  static const bool registered = (InitTiloraResources(), true);
  static_cast<void>(registered);
  return QIcon(QStringLiteral(":/tilora/tilora.png"));
}

}  // namespace tilora::ui
