#include "app/form1.h"

namespace amb {

void Form1::Command1_Click() { PushButton7_Click(); }
void Form1::PushButton7_Click() {}
void Form1::PushButton8_Click() {}
void Form1::RunCityQuery() {}

} // namespace amb
