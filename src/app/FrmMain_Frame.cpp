// Execute and Undo.
#include "app/FrmMain.h"

namespace rimvista {

void FrmMain::cmdMeji_Click() {}  // TODO scaffold
void FrmMain::cmdUndo_Click() {}  // TODO scaffold

}  // namespace rimvista
