#include "forms/U_tableform.h"

TTableForm* TableForm = nullptr;

TTableForm::TTableForm() = default;

void TTableForm::SetCurrentRaw(int raw) { CurrentRaw = raw; }
