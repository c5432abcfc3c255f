#include "app/form1.h"

namespace amb {

void Form1::PushButton17_Click() {}

} // namespace amb
