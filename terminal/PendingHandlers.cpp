// Handlers whose behaviour is still being built.
#include "terminal/TForm1.h"

namespace tarvessa {

void TForm1::Button12Click() {}
void TForm1::Comm1ReceiveData(TComm*, const void*, uint16_t) {}
void TForm1::cxButton1Click() {}
void TForm1::cxButton2Click() {}
void TForm1::Button13Click() {}
void TForm1::Timer1Timer() {}
void TForm1::Button1Click() {}
void TForm1::Button2Click() {}
void TForm1::Button4Click() {}
void TForm1::Button5Click() {}
void TForm1::Button8Click() {}
void TForm1::Button3Click() {}
void TForm1::Button7Click() {}

} // namespace tarvessa
