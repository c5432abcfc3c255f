#include "app/form1.h"

namespace amb {

void Form1::ListView1_DblClick() {}
void Form1::PushButton6_Click() {}
void Form1::PushButton1_Click() {}
void Form1::PushButton3_Click() {}
bool Form1::IsCityInTripList(const QString&) const { return false; }

} // namespace amb
