#include "app/form1.h"

namespace amb {

void Form1::ListView2_DblClick() {}
void Form1::PushButton2_Click() {}
void Form1::PushButton4_Click() {}
void Form1::PushButton13_Click() {}
void Form1::PushButton5_Click() {}
bool Form1::SaveResultsAsExcelFileIsExcelInstalled() { return false; }

} // namespace amb
