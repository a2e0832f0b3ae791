#pragma once

#include <QIcon>

namespace tilora::ui {

// The program's icon, for the title bars of its windows.
QIcon ProgramIcon();

}  // namespace tilora::ui
